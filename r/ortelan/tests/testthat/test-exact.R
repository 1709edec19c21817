# Exact P-values by listing every table with the observed margins: equal to
# R's own fisher.test on the same allele tables, SE 0 and method "exact";
# exact = "never" walks the chain everywhere.

# A two-digit GENEPOP file whose loci have the allele tables `tables`
# (populations x alleles counts, every individual homozygous or with its
# two genes taken in order from the population's genes at the locus).
genepop_of <- function(tables) {
  populations <- nrow(tables[[1]])
  genes <- lapply(tables, function(t) lapply(seq_len(populations), function(p) rep(seq_len(ncol(t)), t[p, ])))
  lines <- c("tables", paste0("L", seq_along(tables)))
  for (p in seq_len(populations)) {
    lines <- c(lines, "Pop")
    individuals <- length(genes[[1]][[p]]) / 2
    for (i in seq_len(individuals)) {
      genotype <- vapply(genes, function(g) sprintf("%02d%02d", g[[p]][2 * i - 1], g[[p]][2 * i]), "")
      lines <- c(lines, paste0("p", p, "_", i, ", ", paste(genotype, collapse = " ")))
    }
  }
  path <- tempfile(fileext = ".gen")
  writeLines(lines, path)
  path
}

test_that("exact P-values equal fisher.test's, and never walks the chain", {
  # Each population has 16 genes at every locus.
  tables <- list(matrix(c(12, 4, 3, 13), 2, byrow = TRUE),
                 matrix(c(3, 7, 0, 2, 4, 0, 1, 0, 5, 4, 2, 4), 2, byrow = TRUE),
                 matrix(c(16, 0, 0, 16), 2, byrow = TRUE))
  path <- genepop_of(tables)
  for (program in c("ortelan_2d", "ortelan_c")) {
    x <- homogeneity_test(path, program = program, seed = 1)
    expect_identical(x$loci$method, rep("exact", 3))
    expect_identical(x$loci$se_fisher, rep(0, 3))
    expect_equal(x$loci$p_fisher, vapply(tables, function(t) fisher.test(t)$p.value, 0), tolerance = 1e-9)
    expect_identical(x$settings$exact, "auto")
    chain <- homogeneity_test(path, program = program, seed = 1, batches = 20, iterations = 500, exact = "never",
                              sampler = "chain")
    expect_identical(chain$loci$method, rep("chain", 3))
    expect_true(all(abs(chain$loci$p_fisher - x$loci$p_fisher) <= 4 * chain$loci$se_fisher + 0.002))
    # Independent tables where none are listed: P within the limits, never 0.
    sampled <- homogeneity_test(path, program = program, seed = 1, exact = "never")
    expect_identical(sampled$loci$method, rep("sampled", 3))
    expect_true(all(sampled$loci$p_fisher > 0))
    expect_true(all(sampled$loci$p_low <= sampled$loci$p_fisher & sampled$loci$p_fisher <= sampled$loci$p_high))
    expect_identical(x$loci$p_low, x$loci$p_fisher)  # exact: its limits are itself
    expect_identical(chain$loci$p_high, rep(NA_real_, 3))
  }
  expect_error(homogeneity_test(path, exact = "always"), "`exact` must be", class = "ortelan_argument_error")
})
