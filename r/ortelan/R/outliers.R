# outliers(): the loci that stand out from the background in the outlier
# test of a run made with outliers = TRUE.

outliers <- function(x, q = 0.05) {
  call <- sys.call()
  if (!inherits(x, "ortelan")) argument_error("`x` must be the result of homogeneity_test() or merge_results()", call)
  if (is.null(x$loci) || is.null(x$loci$q_outlier)) {
    argument_error("`x` has no outlier test: run homogeneity_test() with outliers = TRUE", call)
  }
  if (!is.numeric(q) || length(q) != 1L || is.na(q) || q < 0 || q > 1) {
    argument_error("`q` must be a number from 0 to 1", call)
  }
  rows <- x$loci[!is.na(x$loci$q_outlier) & x$loci$q_outlier < q, , drop = FALSE]
  rownames(rows) <- NULL
  rows
}
