# Numbers as the report prints them: fixed decimals, blank for NA.
fixed <- function(value, decimals) {
  ifelse(is.na(value), "", formatC(value, format = "f", digits = decimals))
}

# P-values as R's summaries print them: three significant digits, and
# "< 1e-300" for a tail below that. An estimate from the chain of 0 (no table
# as extreme was visited) stays 0: it bounds P by the chain's length only.
# `estimate` is TRUE for the P-values of loci and pairs at a locus, FALSE for
# combined ones; it is recycled. format.pval() formats a vector alike, so
# each value is formatted alone: once per value to three digits, which keeps
# a million loci to a few seconds.
p_values <- function(value, estimate = FALSE) {
  estimate <- rep_len(estimate, length(value))
  out <- rep("", length(value))
  tiny <- !is.na(value) & value < 1e-300
  out[tiny] <- ifelse(estimate[tiny] & value[tiny] == 0, "0", "< 1e-300")
  rest <- which(!is.na(value) & !tiny)
  rounded <- signif(value[rest], 3)
  distinct <- unique(rounded)
  out[rest] <- vapply(distinct, format.pval, "", digits = 3, eps = 1e-300)[match(rounded, distinct)]
  out
}

# Counts with thousands marked: 28,481.
count <- function(n) format(n, big.mark = ",", scientific = FALSE, trim = TRUE)

# The ellipsis where the console can show it, three dots where it cannot (a
# C or Latin-1 locale would print "<U+2026>").
ellipsis <- function() if (isTRUE(l10n_info()[["UTF-8"]])) "\u2026" else "..."

# Columns joined into lines, each as wide as its widest entry: those whose
# numbers are in `left` left-aligned, the others right-aligned.
aligned_lines <- function(columns, left) {
  widths <- vapply(columns, function(column) max(nchar(column)), integer(1))
  padded <- Map(function(column, width, i) formatC(column, width = if (i %in% left) -width else width),
                columns, widths, seq_along(columns))
  sub(" +$", "", do.call(paste, c(unname(padded), sep = "  ")))
}

# The columns of a test's results, and their heads in the report. `order` is
# the P by which loci and pairs are ranked: the exact test's, or with no
# exact test the chi-square's.
result_columns <- function(test) {
  genic <- is.null(test) || test %in% c("genic", "none")
  r <- list(p = if (genic) "p_fisher" else "p_exact", se = if (genic) "se_fisher" else "se_exact",
            statistic = if (genic) "chi2" else "g", p_statistic = if (genic) "p_chi2" else "p_g",
            heads = if (genic) c("P(Fisher)", "Chi2", "P(chi2)") else c("P(exact)", "G", "P(G)"))
  none <- identical(test, "none")
  r$order <- if (none) r$p_statistic else r$p
  r$order_head <- if (none) r$heads[3] else r$heads[1]
  r
}

# Which of `total` rows to show, at most `n`: all of them when they fit, in
# their order. Otherwise the first n %/% 2, then the rest of n among the
# other rows with the smallest `p` (untested rows, NA, never). Ties in `p`,
# such as chain estimates of 0, go by `tie` (the asymptotic P, which still
# tells them apart), then by order.
shown_rows <- function(p, tie, n) {
  total <- length(p)
  if (total <= n) return(list(all = TRUE, first = seq_len(total), smallest = integer(), left = 0))
  first <- seq_len(n %/% 2)
  others <- setdiff(which(!is.na(p)), first)
  smallest <- utils::head(others[order(p[others], tie[others], others)], n - length(first))
  list(all = FALSE, first = first, smallest = smallest, left = total - length(first) - length(smallest))
}

# The headings of a short table, `body` holding the lines of its first rows
# and then of those with the smallest P, and its last line.
print_sections <- function(body, shown, total, noun, p_head, last) {
  k <- length(shown$first)
  if (k > 0) {
    cat(if (k == 1) sprintf("The first of %s %s:\n", count(total), noun[2])
        else sprintf("The first %s of %s %s:\n", count(k), count(total), noun[2]))
    cat(body[seq_len(k)], sep = "\n")
  }
  m <- length(shown$smallest)
  if (m > 0) {
    cat(if (m == 1) sprintf("The other %s with the smallest %s:\n", noun[1], p_head)
        else sprintf("The %s other %s with the smallest %s:\n", count(m), noun[2], p_head))
    cat(body[k + seq_len(m)], sep = "\n")
  }
  cat(ellipsis(), " ", count(shown$left), " more ", if (shown$left == 1) noun[1] else noun[2], last, "\n", sep = "")
}

# The loci's table, every column as the report has it; a row per locus and
# one for the totals.
locus_lines <- function(l, t, r, total_first) {
  rows <- if (total_first) c(NA, seq_len(nrow(l))) else c(seq_len(nrow(l)), NA)
  pick <- function(loci, total) {
    if (is.null(total)) total <- NA
    out <- loci[rows]
    out[is.na(rows)] <- total
    out
  }
  aligned_lines(list(
    c("Locus", pick(as.character(l$locus), "")), c("Name", pick(l$name, "TOTAL")),
    c(r$heads[1], p_values(pick(l[[r$p]], t[[r$p]]), estimate = !is.na(rows))),
    c("SE(P)", fixed(pick(l[[r$se]], NA), 5)),
    c(r$heads[2], fixed(pick(l[[r$statistic]], t[[r$statistic]]), 3)), c("df", fixed(pick(l$df, t$df), 0)),
    c(r$heads[3], p_values(pick(l[[r$p_statistic]], t[[r$p_statistic]]))),
    c("F_ST", fixed(pick(l$fst, t$fst), 4))), left = 2L)
}

pair_lines <- function(p, r) {
  aligned_lines(list(
    c("Pop", p$pop_a), c("", p$label_a), c("Pop", p$pop_b), c("", p$label_b),
    c(r$heads[1], p_values(p[[r$p]])), c(r$heads[2], fixed(p[[r$statistic]], 3)),
    c("df", fixed(p$df, 0)), c(r$heads[3], p_values(p[[r$p_statistic]])),
    c("F_ST", fixed(p$fst, 4))), left = c(2L, 4L))
}

# A whole number from 0, or Inf.
check_count <- function(value, name, call) {
  if (!is.numeric(value) || length(value) != 1L || is.na(value) || value < 0 ||
      (is.finite(value) && value != trunc(value))) {
    argument_error(sprintf("`%s` must be a whole number from 0, or Inf", name), call)
  }
  value
}

print.ortelan <- function(x, n = 20, max_pairs = n, ...) {
  call <- sys.call()
  n <- check_count(n, "n", call)
  max_pairs <- check_count(max_pairs, "max_pairs", call)
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
    # Only pairs tables name the populations.
    populations <- if (length(d$populations) > 0) sprintf(", %d populations", length(d$populations)) else ""
    cat(sprintf("%d loci%s, merged from %d tables\n", d$loci, populations, length(s$merged)))
  }
  if (identical(s$test, "none")) {
    cat(sprintf("No Markov chain; seed %s\n\n", s$seed))
  } else if (!identical(s$sampler, "chain")) {
    samples <- if (is.null(s$samples) || identical(s$samples, "auto")) "as many tables as the chain's walk would cost" else
      paste(count(s$samples), "tables at most")
    cat(sprintf("Independent tables where not listed: until %s as extreme, or %s; seed %s\n\n",
                count(if (is.null(s$hits)) 100 else s$hits), samples, s$seed))
  } else {
    cat(sprintf("Markov chain: %s dememorization steps, %s batches of %s iterations; seed %s\n\n",
                s$dememorization, s$batches, s$iterations, s$seed))
  }
  l <- x$loci
  t <- x$total
  shown <- shown_rows(l[[r$order]], l[[r$p_statistic]], n)
  if (shown$all) {
    # Every locus, the totals last, as in the report.
    cat(locus_lines(l, t, r, total_first = FALSE), sep = "\n")
  } else {
    # The totals first, so that they stay on the screen; then a few loci.
    lines <- locus_lines(l[c(shown$first, shown$smallest), , drop = FALSE], t, r, total_first = TRUE)
    cat(lines[1:2], sep = "\n")
    print_sections(lines[-(1:2)], shown, nrow(l), c("locus", "loci"), r$order_head, " in x$loci")
  }
  exact <- sum(l$method == "exact", na.rm = TRUE)
  if (exact > 0) {
    cat(sprintf("%s of the %s P-values are exact, from every table with the locus's margins: their SE of 0 means exact.\n",
                count(exact), count(sum(!is.na(l$method)))))
  }
  sampled <- sum(l$method == "sampled", na.rm = TRUE)
  if (sampled > 0) {
    cat(sprintf("%s of the %s P-values are from independent tables, never 0: p_low and p_high in x$loci are their 95%% limits.\n",
                count(sampled), count(sum(!is.na(l$method)))))
  }
  tail <- sum(l$method == "tail", na.rm = TRUE)
  if (tail > 0) {
    cat(sprintf("%s of the %s P-values lie far in the tail, from tilted tables, never 0: p_low and p_high in x$loci are their 95%% limits.\n",
                count(tail), count(sum(!is.na(l$method)))))
  }
  if (!is.null(t$fst_low) && !is.na(t$fst_low)) {
    cat(sprintf("F_ST over loci %.4f, 95%% bootstrap limits %.4f to %.4f\n", t$fst, t$fst_low, t$fst_high))
  }
  if (!is.null(x$outlier_fit)) cat(x$outlier_fit$line, ": outliers(x)\n", sep = "")
  if (!is.null(x$windows)) cat(sprintf("F_ST in %s windows: x$windows\n", count(nrow(x$windows))))
  if (!is.null(x$pairs)) {
    p <- x$pairs[is.na(x$pairs$locus), ]
    shown <- shown_rows(p[[r$order]], p[[r$p_statistic]], max_pairs)
    cat("\nPairs of populations, over their tested loci:\n")
    lines <- pair_lines(p[c(shown$first, shown$smallest), , drop = FALSE], r)
    if (shown$all) {
      cat(lines, sep = "\n")
      cat("Every pair and locus: x$pairs\n")
    } else {
      # The heads only over rows (max_pairs = 0 shows none).
      if (length(lines) > 1L) cat(lines[1], sep = "\n")
      print_sections(lines[-1], shown, nrow(p), c("pair", "pairs"), r$order_head,
                     ", and every pair's loci, in x$pairs")
    }
  }
  invisible(x)
}
