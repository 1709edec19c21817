# A damaged VCF record on which htslib would end the process, and R with it:
# read in a child R process, so that such an end cannot pass for the tests'
# own. The child catches an R error of the package's class and goes on.
test_that("a damaged VCF record is an R error, and the session goes on", {
  scratch <- tempfile()
  dir.create(scratch)
  on.exit(unlink(scratch, recursive = TRUE))
  file.copy(test_path("faults", "vcf-silent-exit", c("x.vcf", "pops.txt")), scratch)
  writeLines(c(
    sprintf("setwd(%s)", deparse(scratch)),
    "library(ortelan)",
    "caught <- tryCatch(suppressMessages(homogeneity_test('x.vcf', popmap = 'pops.txt', seed = 1)),",
    "                   error = function(e) e)",
    "saveRDS(caught, 'caught.rds')",
    sprintf("after <- homogeneity_test(%s, seed = 1, dememorization = 10, batches = 2, iterations = 10)", deparse(trout)),
    "cat(inherits(after, 'ortelan'), file = 'went-on')"),
    file.path(scratch, "run.R"))
  status <- system2(file.path(R.home("bin"), "Rscript"), c("--vanilla", shQuote(file.path(scratch, "run.R"))),
                    stdout = FALSE, stderr = FALSE,
                    env = paste0("R_LIBS=", shQuote(paste(.libPaths(), collapse = .Platform$path.sep))))
  expect_identical(status, 0L)
  expect_true(file.exists(file.path(scratch, "caught.rds")))
  caught <- readRDS(file.path(scratch, "caught.rds"))
  expect_error(stop(caught), "x\\.vcf: chr1:30: the GT field holds no values$", class = "ortelan_data_error")
  expect_identical(readLines(file.path(scratch, "went-on"), warn = FALSE), "TRUE")
})
