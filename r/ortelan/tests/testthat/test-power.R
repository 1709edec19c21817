# power() gives the program's power table as a data frame, the same numbers
# as the command line's, and tells bad arguments as argument errors.

test_that("power() is the program's power table", {
  x <- power(trout, seed = 2, fst = 0.02, alpha = c(0.05, 0.01), replicates = 40, threads = 2)
  expect_s3_class(x, "data.frame")
  expect_identical(names(x), c("fst_target", "test", "alpha", "locus", "name", "ne", "generations", "fst_expected",
                               "theta", "replicates", "rejections", "power", "power_low", "power_high", "unsettled"))
  # 2 targets x 2 levels x (3 loci x 2 tests + 2 totals), LDH-C1 left out.
  expect_equal(nrow(x), 2 * 2 * 8)
  expect_false("LDH-C1" %in% x$name)
  expect_identical(attr(x, "seed"), "2")
  expect_true(all(x$power_low <= x$power & x$power <= x$power_high))
  expect_equal(x$power, x$rejections / x$replicates)
  expect_true(all(is.na(x$locus[x$name == "TOTAL"])))
  drawn <- x$test %in% c("genic", "fisher_method")
  expect_true(all(is.na(x$unsettled[!drawn])) && !anyNA(x$unsettled[drawn]))
  expect_message(power(trout, seed = 2, fst = 0.02, replicates = 2), "left out 1 locus .*3 \\(LDH-C1\\)")

  bin_dir <- Sys.getenv("ORTELAN_BIN_DIR")
  skip_if(!nzchar(bin_dir), "ORTELAN_BIN_DIR (a CMake build directory) is not set")
  table <- tempfile(fileext = ".tsv")
  on.exit(unlink(table))
  system2(file.path(bin_dir, "ortelan_3d"), c("power", "-q", "-s", "2", "--fst", "0.02", "--alpha", "0.05,0.01",
                                               "--replicates", "40", "-o", "/dev/null", "-t", table, shQuote(trout)),
          stderr = FALSE)
  y <- utils::read.delim(table, comment.char = "#", stringsAsFactors = FALSE)
  expect_equal(x$power, y$power)
  expect_equal(x$theta, y$theta)
  expect_identical(x$rejections, as.numeric(y$rejections))
})

test_that("power() refuses bad arguments", {
  expect_error(power(trout, fst = 1), "`fst`", class = "ortelan_argument_error")
  expect_error(power(trout, alpha = 0), "`alpha`", class = "ortelan_argument_error")
  expect_error(power(trout, ne = 0), "`ne`", class = "ortelan_argument_error")
  expect_error(power(trout, replicates = 0), "`replicates`", class = "ortelan_argument_error")
  expect_error(power(trout, sizes = c(10, 10), replicates = 2), "`sizes` gives 2 sizes",
               class = "ortelan_argument_error")
})
