trout <- system.file("extdata", "trout.gen", package = "ortelan")
chain <- list(dememorization = 200, batches = 10, iterations = 200)

# A copy of a three-digit file in the two-digit codes ("041043" -> "4143").
two_digit_copy <- function(path) {
  lines <- readLines(path)
  lines <- gsub("\\b0([0-9]{2})0([0-9]{2})\\b", "\\1\\2", lines, perl = TRUE)
  copy <- tempfile(fileext = ".gen")
  writeLines(lines, copy)
  copy
}

# A run of a command-line program in a scratch directory: its results
# table, pairs table, report and error text. Skipped without ORTELAN_BIN_DIR.
# With `keep`, the table and the pairs table are kept there as well.
command_line <- function(program, file, seed, loci = NULL, extra = character(), keep = NULL) {
  bin_dir <- Sys.getenv("ORTELAN_BIN_DIR")
  if (!nzchar(bin_dir)) skip("ORTELAN_BIN_DIR (a CMake build directory) is not set")
  scratch <- tempfile()
  dir.create(scratch)
  old <- setwd(scratch)
  on.exit({ setwd(old); unlink(scratch, recursive = TRUE) })
  out <- file.path(scratch, c("table.tsv", "pairs.tsv", "report.out", "stderr"))
  system2(file.path(bin_dir, program),
          c("-q", "-s", seed, "-d", chain$dememorization, "-b", chain$batches, "-i", chain$iterations,
            if (!is.null(loci)) c("--loci", paste(loci, collapse = ",")), extra,
            "-t", out[1], "--pairs", out[2], "-o", out[3], shQuote(file)),
          stdout = FALSE, stderr = out[4])
  if (!is.null(keep)) file.copy(out[1:2], keep, overwrite = TRUE)
  numbers <- c("p_fisher", "se_fisher", "p_low", "p_high", "chi2", "p_exact", "se_exact", "g", "df", "p_chi2", "p_g", "pos",
               "fis", "fst", "fit", "fst_num", "fst_den", "fst_low", "fst_high")
  read <- function(path) {
    if (!file.exists(path)) return(NULL)
    table <- utils::read.delim(path, comment.char = "#", colClasses = "character")
    for (name in intersect(names(table), numbers)) table[[name]] <- suppressWarnings(as.numeric(table[[name]]))
    for (name in intersect(names(table), c("alleles", "genotypes", "pop_a", "pop_b"))) {
      table[[name]] <- suppressWarnings(as.integer(table[[name]]))
    }
    table
  }
  list(table = read(out[1]), pairs = read(out[2]),
       report = if (file.exists(out[3])) rawToChar(readBin(out[3], "raw", file.size(out[3]))),
       stderr = readLines(out[4], warn = FALSE),
       error = sub("^[a-z_0-9]+: error: ", "", readLines(out[4], n = 1L, warn = FALSE)))
}

# Equal numbers, to every digit a double holds (R reads the 21 digits of an
# 80-bit real to within an ulp), and equal text and NAs.
expect_same_columns <- function(actual, expected) {
  expect_identical(names(actual), names(expected))
  for (name in names(expected)) {
    a <- actual[[name]]
    e <- expected[[name]]
    if (is.numeric(e) && !is.integer(e)) {
      expect_identical(is.na(a), is.na(e), label = name)
      expect_true(all(abs(a - e) <= 2 * .Machine$double.eps * abs(e), na.rm = TRUE), label = name)
    } else {
      expect_equal(a, e, label = name, ignore_attr = TRUE)
    }
  }
}

# A results table's locus rows as x$loci has them: a number column of
# loci, no bootstrap limits (a TOTAL's alone).
locus_rows <- function(table) {
  rows <- table[table$locus != "TOTAL", setdiff(names(table), c("fst_low", "fst_high"))]
  rows$locus <- as.integer(rows$locus)
  rows
}

run <- function(file = trout, ...) do.call(homogeneity_test, c(list(file), chain, list(...)))

# The value of `expr` and the messages it gave.
with_messages <- function(expr) {
  messages <- character()
  value <- withCallingHandlers(expr, message = function(m) {
    messages <<- c(messages, sub("\n$", "", conditionMessage(m)))
    invokeRestart("muffleMessage")
  })
  list(value = value, messages = messages)
}

# The long cases (genome-scale files) run when ORTELAN_LONG_TESTS is set, as
# scripts/test.sh --full and its R CMD check do.
skip_unless_long <- function() {
  if (!nzchar(Sys.getenv("ORTELAN_LONG_TESTS"))) skip("a long case: set ORTELAN_LONG_TESTS to run it")
}
