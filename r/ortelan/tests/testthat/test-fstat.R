# Weir and Cockerham's F-statistics in the data frames: the command line's,
# with a bootstrap and with no exact test; the matrix of the pairs' F_ST.

test_that("the F-statistics and their limits are the command line's, with and without an exact test", {
  for (case in list(list(r = list(bootstrap = 200), cli = c("--bootstrap", "200")),
                    list(r = list(test = "none"), cli = c("--test", "none")))) {
    r <- do.call(run, c(list(trout, seed = 21, pairs = TRUE), case$r))
    cli <- command_line("ortelan_3d", trout, "21", extra = case$cli)
    expect_same_columns(r$loci, locus_rows(cli$table))
    total <- cli$table[cli$table$locus == "TOTAL", ]
    expect_same_columns(r$total, total[, intersect(names(total), names(r$total))])
    expected <- cli$pairs
    expected$locus <- suppressWarnings(as.integer(expected$locus))
    expect_same_columns(r$pairs, expected)
    expect_identical(r$settings$bootstrap, if (is.null(case$r$bootstrap)) 0L else 200L)
  }
  expect_true(all(is.na(r$loci$p_fisher)) && all(is.na(r$loci$se_fisher)) && !anyNA(r$loci$chi2[-3]))
  expect_identical(names(r$total), c("p_fisher", "chi2", "df", "p_chi2", "fis", "fst", "fit", "fst_num", "fst_den",
                                     "fst_low", "fst_high"))
  expect_equal(r$total$fst, sum(r$loci$fst_num, na.rm = TRUE) / sum(r$loci$fst_den, na.rm = TRUE), tolerance = 1e-12)
})

test_that("fst_matrix() holds each pair's F_ST over loci, by population", {
  x <- run(trout, seed = 4, pairs = TRUE)
  m <- fst_matrix(x)
  expect_identical(dimnames(m), list(x$data$populations, x$data$populations))
  expect_identical(m, t(m))
  expect_true(all(diag(m) == 0))
  totals <- x$pairs[is.na(x$pairs$locus), ]
  expect_identical(m[cbind(totals$pop_a, totals$pop_b)], totals$fst)
  expect_s3_class(stats::hclust(stats::as.dist(m)), "hclust")
  expect_error(fst_matrix(run(trout, seed = 4)), "pairs = TRUE", class = "ortelan_argument_error")
  expect_error(fst_matrix(m), "homogeneity_test()", fixed = TRUE, class = "ortelan_argument_error")
})

test_that("a bootstrap below 0, or with no exact test, is refused", {
  expect_error(run(bootstrap = -1), "`bootstrap`", class = "ortelan_argument_error")
  expect_error(run(bootstrap = 10, test = "none"), "`bootstrap` goes with an exact test",
               class = "ortelan_argument_error")
})
