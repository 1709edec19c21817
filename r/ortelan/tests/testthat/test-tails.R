# Chi-square tails far below the report's five decimals reach R as numbers.
# Two populations of 110, one allele each: L1 typed in everyone (chi2 440
# on 1 df), L2 to L10 in the first ten of each (chi2 40 on 1 df).
apart_file <- function() {
  individual <- function(pop, i, allele) {
    g <- sprintf("%03d%03d", allele, allele)
    paste0(pop, i, ", ", paste(c(g, rep(if (i <= 10) g else "000000", 9)), collapse = " "))
  }
  file <- tempfile(fileext = ".gen")
  writeLines(c("Two populations kept apart", paste0("L", 1:10),
               "Pop", vapply(1:110, individual, "", pop = "a", allele = 1),
               "Pop", vapply(1:110, individual, "", pop = "b", allele = 2)), file)
  file
}

test_that("tiny chi-square tails and combined P-values are numbers, not 0", {
  # Computed at 90 digits: Q(1/2, 220), Q(1/2, 20), Q(5, 400), and Fisher's
  # method over ten P of 0 (each as 0.00001), Q(10, 50 ln 10).
  tail440 <- 1.0825456466306582955790402e-97
  tail40 <- 2.5396285894708649706533621e-10
  total_chi2 <- 2.0634300270773008715399260e-165
  total_fisher <- 1.0614969965003146542727421e-37
  close <- function(actual, expected, relative = 1e-12) {
    expect_true(all(abs(actual - expected) <= relative * expected), label = deparse(substitute(actual)))
  }
  file <- apart_file()
  for (program in c("ortelan_3d", "ortelan_c")) {
    x <- run(file, program = program, seed = 5, pairs = TRUE, exact = "never", sampler = "chain")
    expect_identical(x$loci$p_fisher, rep(0, 10))  # no table as extreme: P stays 0
    close(x$loci$p_chi2, c(tail440, rep(tail40, 9)))
    close(x$total$p_chi2, total_chi2)
    close(x$total$p_fisher, total_fisher, 1e-11)  # ten rounded logarithms in double
    totals <- subset(x$pairs, is.na(locus))
    close(totals$p_chi2, total_chi2)
    close(totals$p_fisher, total_fisher, 1e-11)
    shown <- capture.output(print(x))
    expect_match(shown, "^ +1 +L1 +0 +0\\.00000 +440\\.000 +1 +1\\.08e-97 +1\\.0000$", all = FALSE)
    expect_match(shown, "^ +TOTAL +1\\.06e-37 +800\\.000 +10 +2\\.06e-165 +1\\.0000$", all = FALSE)
  }
})
