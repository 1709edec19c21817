# Numbers as the report prints them: fixed decimals, blank for NA.
fixed <- function(value, decimals) {
  ifelse(is.na(value), "", formatC(value, format = "f", digits = decimals))
}

# P-values as R's summaries print them: three significant digits, and
# "< 1e-300" for a tail below that. An estimate from the chain of 0 (no table
# as extreme was visited) stays 0: it bounds P by the chain's length only.
p_values <- function(value, estimate = FALSE) {
  vapply(value, function(p) {
    if (is.na(p)) "" else if (estimate && p == 0) "0" else if (p < 1e-300) "< 1e-300"
    else format.pval(p, digits = 3, eps = 1e-300)
  }, "", USE.NAMES = FALSE)
}

# Columns joined into lines, each as wide as its widest entry: those whose
# numbers are in `left` left-aligned, the others right-aligned.
aligned_lines <- function(columns, left) {
  widths <- vapply(columns, function(column) max(nchar(column)), integer(1))
  padded <- Map(function(column, width, i) formatC(column, width = if (i %in% left) -width else width),
                columns, widths, seq_along(columns))
  sub(" +$", "", do.call(paste, c(unname(padded), sep = "  ")))
}

# The columns of a test's results, and their heads in the report.
result_columns <- function(test) {
  genic <- is.null(test) || test %in% c("genic", "none")
  list(p = if (genic) "p_fisher" else "p_exact", se = if (genic) "se_fisher" else "se_exact",
       statistic = if (genic) "chi2" else "g", p_statistic = if (genic) "p_chi2" else "p_g",
       heads = if (genic) c("P(Fisher)", "Chi2", "P(chi2)") else c("P(exact)", "G", "P(G)"))
}

print.ortelan <- function(x, max_pairs = 20, ...) {
  s <- x$settings
  d <- x$data
  r <- result_columns(s$test)
  test <- if (is.null(s$test) || s$test == "genic") "" else if (s$test == "none") " (no exact test)" else
    paste0(" (", s$test, " test)")
  cat("Homogeneity test", test, " by ", s$program, " of ", if (is.na(s$file)) d$title else s$file, "\n", sep = "")
  if (!is.na(s$file) && nzchar(d$title)) cat(d$title, "\n", sep = "")
  if (is.null(s$merged)) {
    cat(sprintf("%d loci, %d individuals, %d populations\n", d$loci, d$individuals, length(d$populations)))
  } else {
    cat(sprintf("%d loci, %d populations, merged from %d tables\n", d$loci, length(d$populations), length(s$merged)))
  }
  if (identical(s$test, "none")) {
    cat(sprintf("No Markov chain; seed %s\n\n", s$seed))
  } else {
    cat(sprintf("Markov chain: %s dememorization steps, %s batches of %s iterations; seed %s\n\n",
                s$dememorization, s$batches, s$iterations, s$seed))
  }
  l <- x$loci
  t <- x$total
  cat(aligned_lines(list(
    c("Locus", l$locus, ""), c("Name", l$name, "TOTAL"),
    c(r$heads[1], p_values(l[[r$p]], estimate = TRUE), p_values(t[[r$p]])), c("SE(P)", fixed(c(l[[r$se]], NA), 5)),
    c(r$heads[2], fixed(c(l[[r$statistic]], t[[r$statistic]]), 3)), c("df", fixed(c(l$df, t$df), 0)),
    c(r$heads[3], p_values(c(l[[r$p_statistic]], t[[r$p_statistic]]))),
    c("F_ST", fixed(c(l$fst, t$fst), 4))), left = 2L), sep = "\n")
  exact <- sum(l$method == "exact", na.rm = TRUE)
  if (exact > 0) {
    cat(sprintf("%d of the %d P-values are exact, from every table with the locus's margins: their SE of 0 means exact.\n",
                exact, sum(!is.na(l$method))))
  }
  if (!is.null(t$fst_low) && !is.na(t$fst_low)) {
    cat(sprintf("F_ST over loci %.4f, 95%% bootstrap limits %.4f to %.4f\n", t$fst, t$fst_low, t$fst_high))
  }
  if (!is.null(x$pairs)) {
    p <- x$pairs[is.na(x$pairs$locus), ]
    shown <- utils::head(p, max_pairs)
    cat("\nPairs of populations, over their tested loci:\n")
    cat(aligned_lines(list(
      c("Pop", shown$pop_a), c("", shown$label_a), c("Pop", shown$pop_b), c("", shown$label_b),
      c(r$heads[1], p_values(shown[[r$p]])), c(r$heads[2], fixed(shown[[r$statistic]], 3)),
      c("df", fixed(shown$df, 0)), c(r$heads[3], p_values(shown[[r$p_statistic]])),
      c("F_ST", fixed(shown$fst, 4))), left = c(2L, 4L)), sep = "\n")
    if (nrow(p) > nrow(shown)) cat(sprintf("... and %d more pairs\n", nrow(p) - nrow(shown)))
    cat("Every pair and locus: x$pairs\n")
  }
  invisible(x)
}
