test_that("every bad argument is an R error that names it", {
  bad <- list(
    list(list(file = 3), "`file`"), list(list(file = "no-such-file.gen"), "`file`: no such file"),
    list(list(program = "ortelan_4d"), "`program`"), list(list(program = c("ortelan_3d", "ortelan_c")), "`program`"),
    list(list(dememorization = -1), "`dememorization`"), list(list(dememorization = 1.5), "`dememorization`"),
    list(list(batches = 1), "`batches`"), list(list(iterations = NA), "`iterations`"),
    list(list(iterations = "10"), "`iterations`"), list(list(seed = 2^53 + 2), "`seed`"),
    list(list(seed = -1), "`seed`"), list(list(seed = "18446744073709551616"), "`seed`"),
    list(list(seed = "1e5"), "`seed`"), list(list(seed = c(1, 2)), "`seed`"),
    list(list(loci = 0), "`loci`"), list(list(loci = c(1, NA)), "`loci`"), list(list(loci = 9), "`loci`: locus 9"),
    list(list(threads = 0), "`threads`"), list(list(pairs = NA), "`pairs`"),
    list(list(report = file.path(tempfile(), "x.out")), "`report`: no such directory"),
    list(list(report = tempdir()), "`report` is a directory")
  )
  for (case in bad) {
    args <- utils::modifyList(c(list(file = trout), chain), case[[1]])
    expect_error(do.call(homogeneity_test, args), case[[2]], fixed = TRUE, class = "ortelan_argument_error")
  }
})

test_that("the seed is kept as digits and repeats the run", {
  for (seed in list(2^53, "00123", "18446744073709551615", 0L)) {
    first <- run(seed = seed)
    again <- do.call(homogeneity_test, first$settings)
    expect_identical(again$loci, first$loci)
    expect_match(first$settings$seed, "^(0|[1-9][0-9]*)$")
  }
  expect_identical(run(seed = 2^53)$settings$seed, "9007199254740992")
  expect_match(run()$settings$seed, "^[0-9]+$")  # drawn from the clock
})

test_that("a run leaves nothing in the working directory or R's temporary directory", {
  scratch <- tempfile()
  dir.create(scratch)
  old <- setwd(scratch)
  on.exit({ setwd(old); unlink(scratch, recursive = TRUE) })
  temporary <- list.files(tempdir(), all.files = TRUE)
  run(seed = 3, pairs = TRUE)
  writeLines("Title\nL1\n", "no-pop.gen")
  expect_error(run("no-pop.gen"), class = "ortelan_data_error")
  expect_identical(list.files(all.files = TRUE, no.. = TRUE), "no-pop.gen")
  expect_identical(list.files(tempdir(), all.files = TRUE), temporary)
})

test_that("print shows the table like the report, P-values as R's summaries, and the seed", {
  shown <- capture.output(print(run(seed = 11, pairs = TRUE)))
  expect_match(shown, "seed 11", fixed = TRUE, all = FALSE)
  expect_match(shown, "^ +3  LDH-C1$", all = FALSE)  # not tested: blank
  p <- "(0\\.[0-9]+|[1-9](\\.[0-9]{1,2})?e-[0-9]+)"  # up to three significant digits
  expect_match(shown, paste0("^ +TOTAL +", p, " +[0-9]+\\.[0-9]{3} +10 +", p, " +0\\.[0-9]{4}$"), all = FALSE)
  expect_match(shown, "1  ari07 +2  bel06", all = FALSE)
})

test_that("P-values print with three significant digits, tails below 1e-300 as such", {
  shown <- ortelan:::p_values(c(1.37e-92, 0.174565622920021, 0.00191, 0, 1e-310, NA))
  expect_identical(shown, c("1.37e-92", "0.175", "0.00191", "< 1e-300", "< 1e-300", ""))
  expect_identical(ortelan:::p_values(c(0, 0.5), estimate = TRUE), c("0", "0.5"))  # no table as extreme
})
