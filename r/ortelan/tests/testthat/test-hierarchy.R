# Groups, the analysis of molecular variance and the permutation tests from
# R: the groups as a file, a data frame or a named vector give one analysis;
# the hierarchy's TOTAL row and the permutation test on the total's row;
# a genind gives its file's tests; summary() shows them; faults of the
# groups are the argument's.

test_that("groups give the hierarchy, and permutations the tests over loci", {
  rivers <- c("1" = "North", "2" = "North", "3" = "South")
  x <- run(seed = 5, groups = rivers, permutations = 199)
  h <- x$hierarchy
  expect_identical(nrow(h), 5L)
  expect_identical(h$name[5], "TOTAL")
  expect_true(is.na(h$locus[5]))
  total <- h[5, ]
  expect_equal(total$sigma2_populations, sum(h$sigma2_populations[1:4], na.rm = TRUE))
  expect_equal(total$f_st, (total$sigma2_groups + total$sigma2_populations) /
                 (total$sigma2_groups + total$sigma2_populations + total$sigma2_individuals + total$sigma2_within))
  expect_true(all(c("p_ct", "p_sc", "p_st") %in% names(h)))
  expect_true(total$p_st > 0 && total$p_st <= 1 && total$p_st_low <= total$p_st && total$p_st <= total$p_st_high)
  expect_identical(x$total$p_perm, total$p_st)
  expect_identical(x$total$perm_made, 199)
  # The same groups from a data frame or a file, and the same seed: the same run.
  y <- run(seed = 5, groups = data.frame(population = c("ari07", "bel06", "cor05"), group = c("North", "North", "South")),
           permutations = 199)
  expect_identical(y$hierarchy, h)
  file <- tempfile()
  writeLines(c("1 North", "2 North", "3 South"), file)
  expect_identical(run(seed = 5, groups = file, permutations = 199)$hierarchy, h)
  # Without groups: two levels, whose F-statistics are the results table's.
  z <- run(seed = 5, hierarchy = TRUE)
  expect_true(all(is.na(z$hierarchy$f_ct)))
  expect_equal(z$hierarchy$f_st[5], z$total$fst, tolerance = 1e-12)
  expect_equal(z$hierarchy$f_is[1:4], z$loci$fis, tolerance = 1e-12)
  expect_null(z$total$p_perm)
  out <- capture.output(summary(x))
  expect_match(out, "^P over loci, individuals permuted", all = FALSE)
  expect_match(out, "^F_CT among groups", all = FALSE)
})

test_that("a genind gives its individuals to the permutations", {
  skip_if_not_installed("adegenet")
  g <- suppressWarnings(adegenet::read.genepop(trout, ncode = 3, quiet = TRUE))
  a <- run(g, seed = 8, permutations = 99)
  b <- run(seed = 8, permutations = 99)
  expect_identical(a$total$p_perm, b$total$p_perm)
  expect_equal(a$total$g_sum, b$total$g_sum)
})

test_that("faults of the groups are the argument's", {
  expect_error(run(groups = c("1" = "North", "2" = "North", "3" = "North")),
               "at least two groups are needed", class = "ortelan_argument_error")
  expect_error(run(groups = c("1" = "North", "3" = "South")), "has no group", class = "ortelan_argument_error")
  expect_error(run(groups = data.frame(p = "1", g = NA)), "`groups` has a missing population or group",
               class = "ortelan_argument_error")
  expect_error(run(permutations = -1), "`permutations` must be a whole number", class = "ortelan_argument_error")
})
