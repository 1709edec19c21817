# With one seed, R gives the command line's tables and report, in every program.
cases <- list(
  list(program = "ortelan_3d", file = trout, seed = "42", loci = NULL),
  list(program = "ortelan_2d", file = two_digit_copy(trout), seed = "18446744073709551615", loci = NULL),
  list(program = "ortelan_c", file = trout, seed = "7", loci = NULL),
  list(program = "ortelan_3d", file = trout, seed = "9", loci = c(4, 1)),
  list(program = "ortelan_c", file = trout, seed = "3", loci = 3)  # no tested locus: NA totals
)

test_that("the data frames and the report are the command line's", {
  for (case in cases) {
    cli <- command_line(case$program, case$file, case$seed, case$loci)
    report <- tempfile()
    for (pairs in c(FALSE, TRUE)) {
      told <- with_messages(run(case$file, program = case$program, seed = case$seed, loci = case$loci,
                                pairs = pairs, report = if (pairs) report))
      r <- told$value
      rows <- cli$table$locus != "TOTAL"
      expect_same_columns(r$loci, locus_rows(cli$table))
      expect_same_columns(r$total, cli$table[!rows, c("p_fisher", "chi2", "df", "p_chi2", "fis", "fst", "fit",
                                                      "fst_num", "fst_den", "fst_low", "fst_high")])
      expect_identical(r$settings$seed, case$seed)
      if (!pairs) {
        expect_null(r$pairs)
        next
      }
      expect_identical(told$messages, cli$stderr)  # what the program says on the way
      expected <- cli$pairs
      expected$locus <- suppressWarnings(as.integer(expected$locus))  # NA on the TOTAL rows
      expect_same_columns(r$pairs, expected)
    }
    # The report but for its date.
    undated <- function(text) sub("Date: [0-9-]+", "", text)
    expect_identical(undated(rawToChar(readBin(report, "raw", file.size(report)))), undated(cli$report))
  }
})

test_that("a data fault is an R error with the program's message, and R goes on", {
  faults <- list(nopop = "Title\nL1\nL2\n", short = "Title\nL1\nL2\nPop\na1, 041043\nPop\nb1, 041043 041041\n")
  for (text in faults) {
    file <- tempfile(fileext = ".gen")
    writeLines(text, file, sep = "")
    for (program in c("ortelan_3d", "ortelan_c")) {
      cli <- command_line(program, file, "1")
      expect_error(run(file, program = program, seed = 1), cli$error, fixed = TRUE, class = "ortelan_data_error")
    }
  }
  expect_s3_class(run(seed = 1), "ortelan")
})
