# Numbers as the report prints them: fixed decimals, blank for NA.
fixed <- function(value, decimals) {
  ifelse(is.na(value), "", formatC(value, format = "f", digits = decimals))
}

# Columns joined into lines, each as wide as its widest entry: those whose
# numbers are in `left` left-aligned, the others right-aligned.
aligned_lines <- function(columns, left) {
  widths <- vapply(columns, function(column) max(nchar(column)), integer(1))
  padded <- Map(function(column, width, i) formatC(column, width = if (i %in% left) -width else width),
                columns, widths, seq_along(columns))
  sub(" +$", "", do.call(paste, c(unname(padded), sep = "  ")))
}

print.ortelan <- function(x, max_pairs = 20, ...) {
  s <- x$settings
  d <- x$data
  cat("Homogeneity test by ", s$program, " of ", if (is.na(s$file)) d$title else s$file, "\n", sep = "")
  if (!is.na(s$file) && nzchar(d$title)) cat(d$title, "\n", sep = "")
  cat(sprintf("%d loci, %d individuals, %d populations\n", d$loci, d$individuals, length(d$populations)))
  cat(sprintf("Markov chain: %s dememorization steps, %s batches of %s iterations; seed %s\n\n",
              s$dememorization, s$batches, s$iterations, s$seed))
  l <- x$loci
  t <- x$total
  cat(aligned_lines(list(
    c("Locus", l$locus, ""), c("Name", l$name, "TOTAL"),
    c("P(Fisher)", fixed(c(l$p_fisher, t$p_fisher), 5)), c("SE(P)", fixed(c(l$se_fisher, NA), 5)),
    c("Chi2", fixed(c(l$chi2, t$chi2), 3)), c("df", fixed(c(l$df, t$df), 0)),
    c("P(chi2)", fixed(c(l$p_chi2, t$p_chi2), 5))), left = 2L), sep = "\n")
  if (!is.null(x$pairs)) {
    p <- x$pairs[is.na(x$pairs$locus), ]
    shown <- utils::head(p, max_pairs)
    cat("\nPairs of populations, over their tested loci:\n")
    cat(aligned_lines(list(
      c("Pop", shown$pop_a), c("", shown$label_a), c("Pop", shown$pop_b), c("", shown$label_b),
      c("P(Fisher)", fixed(shown$p_fisher, 5)), c("Chi2", fixed(shown$chi2, 3)),
      c("df", fixed(shown$df, 0)), c("P(chi2)", fixed(shown$p_chi2, 5))), left = c(2L, 4L)), sep = "\n")
    if (nrow(p) > nrow(shown)) cat(sprintf("... and %d more pairs\n", nrow(p) - nrow(shown)))
    cat("Every pair and locus: x$pairs\n")
  }
  invisible(x)
}
