# The pairs' multilocus F_ST as a matrix.

fst_matrix <- function(x) {
  if (!inherits(x, "ortelan")) {
    stop(errorCondition("`x` must be the result of homogeneity_test()", class = "ortelan_argument_error",
                        call = sys.call()))
  }
  if (is.null(x$pairs)) {
    stop(errorCondition("`x` has no pairs of populations: run homogeneity_test() with pairs = TRUE",
                        class = "ortelan_argument_error", call = sys.call()))
  }
  labels <- x$data$populations
  totals <- x$pairs[is.na(x$pairs$locus), ]
  m <- matrix(0, length(labels), length(labels), dimnames = list(labels, labels))
  m[cbind(totals$pop_a, totals$pop_b)] <- totals$fst
  m[cbind(totals$pop_b, totals$pop_a)] <- totals$fst
  m
}
