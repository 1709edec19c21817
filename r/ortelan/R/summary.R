# summary(): what a run found, in a few numbers, and its print.

# How many of the P-values `p` (no NA) lie at or below 0.05, at or below the
# Bonferroni level 0.05 / length(p), and at a false discovery rate of 5 %
# (Benjamini and Hochberg's adjusted P at or below 0.05). A P-value with 95 %
# limits (`sampled`: from independent tables, or far in the tail) counts at a
# level only when its upper limit `high` lies below it: the limit stands for
# it in all three, the adjustment included.
significant_counts <- function(p, high = p, sampled = rep(FALSE, length(p))) {
  sampled <- sampled & !is.na(high)
  below <- function(value, level) ifelse(sampled, value < level, value <= level)
  c(nominal = sum(below(ifelse(sampled, high, p), 0.05)),
    bonferroni = sum(below(ifelse(sampled, high, p), 0.05 / length(p))),
    fdr = sum(below(stats::p.adjust(ifelse(sampled, high, p), method = "BH"), 0.05)))
}

summary.ortelan <- function(object, ...) {
  s <- object$settings
  r <- result_columns(s$test)
  l <- object$loci
  p <- l[[r$order]]
  tested <- !is.na(p)
  method <- if (is.null(l$method)) rep(NA_character_, nrow(l)) else l$method
  # A chain that visited no table as extreme as the observed one says only
  # that P lies below about 1 / (batches x iterations): it counts as that.
  none <- identical(s$test, "none")
  bound <- if (none) NA_real_ else 1 / (as.numeric(s$batches) * as.numeric(s$iterations))
  # An exact or tail P is never 0, though it may lie below any double.
  zero <- tested & !none & p == 0 & !(method %in% c("exact", "tail"))
  p[zero] <- bound
  # A P from independent tables whose lower limit is 0 reached no hit: it
  # is its floor 1 / (B + 1), the least its B tables can give.
  low <- if (is.null(l$p_low)) rep(NA_real_, nrow(l)) else l$p_low
  at_floor <- tested & method %in% "sampled" & low %in% 0
  tables <- round(1 / p[at_floor]) - 1
  t <- object$total
  out <- list(
    test = if (is.null(s$test)) "genic" else s$test, program = s$program,
    source = if (is.na(s$file)) object$data$title else s$file, seed = s$seed,
    p_column = r$order, p_head = r$order_head,
    loci = c(read = object$data$loci, run = nrow(l), tested = sum(tested), untested = nrow(l) - sum(tested)),
    methods = c(exact = sum(tested & method %in% "exact"), sampled = sum(tested & method %in% "sampled"),
                tail = sum(tested & method %in% "tail"), chain = sum(tested & method %in% "chain"),
                chain_zero = sum(zero), sampled_floor = sum(at_floor)),
    chain_bound = bound,
    sampled_floor_tables = if (any(at_floor)) c(most = max(tables), fewest = min(tables)) else NULL,
    significant = significant_counts(p[tested], if (is.null(l$p_high)) p[tested] else l$p_high[tested],
                                     method[tested] %in% c("sampled", "tail")),
    fst = c(fst = t$fst, fst_low = if (is.null(t$fst_low)) NA_real_ else t$fst_low,
            fst_high = if (is.null(t$fst_high)) NA_real_ else t$fst_high),
    pairs = NULL, outliers = NULL, windows = NULL, permutation = NULL, hierarchy = NULL)
  if (!is.null(object$pairs)) out$pairs <- pairs_summary(object$pairs, r)
  # The permutation test over loci on the TOTAL row, and the hierarchy's
  # F-statistics over loci with their tests.
  if (!is.null(t$p_perm)) {
    out$permutation <- c(p = t$p_perm, low = t$p_perm_low, high = t$p_perm_high, g = t$g_sum, made = t$perm_made)
  }
  h <- object$hierarchy
  if (!is.null(h)) {
    total <- h[is.na(h$locus), ]
    out$hierarchy <- lapply(c(ct = "ct", sc = "sc", st = "st", is = "is", it = "it"), function(f) {
      p <- if (f %in% c("ct", "sc", "st")) total[[paste0("p_", f)]] else NA_real_
      c(f = total[[paste0("f_", f)]], p = p)
    })
  }
  o <- object$outlier_fit
  if (!is.null(o)) {
    out$outliers <- c(candidates = o$candidates, trimmed = o$trimmed, standing_out = o$standing_out, df = o$df,
                      f_background = o$f_background)
  }
  if (!is.null(object$windows)) out$windows <- nrow(object$windows)
  structure(out, class = "summary.ortelan")
}

# The pairs' combined tests over their loci: how many lie below the levels,
# and the three pairs most and least differentiated by their F_ST over loci.
pairs_summary <- function(pairs, r) {
  totals <- pairs[is.na(pairs$locus), ]
  p <- totals[[r$order]]
  columns <- intersect(c("pop_a", "label_a", "pop_b", "label_b", "fst", "fst_low", "fst_high", r$order),
                       names(totals))
  ranked <- totals[order(-totals$fst, totals$pop_a, totals$pop_b, na.last = NA), columns]
  most <- utils::head(ranked, 3L)
  least <- ranked[rev(utils::tail(seq_len(nrow(ranked))[-seq_len(nrow(most))], 3L)), ]
  rownames(most) <- rownames(least) <- NULL
  list(count = nrow(totals), tested = sum(!is.na(p)), significant = significant_counts(p[!is.na(p)]),
       most = most, least = least)
}

print.summary.ortelan <- function(x, ...) {
  test <- if (x$test == "genic") "" else if (x$test == "none") " (no exact test)" else paste0(" (", x$test, " test)")
  cat("Homogeneity test", test, " by ", x$program, " of ", x$source, "; seed ", x$seed, "\n", sep = "")
  loci <- x$loci
  rows <- list(c("Loci read", count(loci[["read"]])))
  if (loci[["run"]] < loci[["read"]]) rows <- c(rows, list(c("  in the run (`loci`)", count(loci[["run"]]))))
  rows <- c(rows, list(c("  tested", count(loci[["tested"]])), c("  not tested", count(loci[["untested"]]))))
  if (x$test != "none") {
    rows <- c(rows, list(c("Exact P-values", count(x$methods[["exact"]]))))
    if (x$methods[["sampled"]] > 0) rows <- c(rows, list(c("  from independent tables", count(x$methods[["sampled"]]))))
    if (x$methods[["tail"]] > 0) rows <- c(rows, list(c("  far in the tail, from tilted tables", count(x$methods[["tail"]]))))
    rows <- c(rows, list(c("  from the Markov chain", count(x$methods[["chain"]]))))
  }
  rows <- c(rows, significance_rows(x$significant, loci[["tested"]], paste("Loci with", x$p_head)))
  # The notes on the loci's P-values follow their rows.
  notes <- length(rows)
  fst <- x$fst
  if (!is.na(fst[["fst"]])) {
    limits <- if (is.na(fst[["fst_low"]])) "" else
      sprintf("(95 %% bootstrap limits %.4f to %.4f)", fst[["fst_low"]], fst[["fst_high"]])
    rows <- c(rows, list(c("F_ST over loci", sprintf("%.4f", fst[["fst"]]), limits)))
  }
  o <- x$outliers
  if (!is.null(o)) {
    rows <- c(rows, list(c("Candidates of the outlier test", count(o[["candidates"]])),
                         c("  standing out from the background at q < 0.05",
                           if (is.na(o[["df"]])) "" else count(o[["standing_out"]]),
                           if (is.na(o[["df"]])) sprintf("no fit: %s left once trimmed, fewer than 20", count(o[["trimmed"]]))
                           else sprintf("(F of the background %.4g, df %.2f)", o[["f_background"]], o[["df"]]))))
  }
  if (!is.null(x$windows)) rows <- c(rows, list(c("Windows with a site with F_ST", count(x$windows))))
  q <- x$permutation
  if (!is.null(q) && !is.na(q[["p"]])) {
    rows <- c(rows, list(c("P over loci, individuals permuted", p_values(q[["p"]]),
                           sprintf("(95 %% limits %s to %s; G summed %.2f, %s permutations)", p_values(q[["low"]]),
                                   p_values(q[["high"]]), q[["g"]], count(q[["made"]])))))
  }
  h <- x$hierarchy
  if (!is.null(h)) {
    labels <- c(ct = "F_CT among groups", sc = "F_SC among populations within groups", st = "F_ST among populations",
                is = "F_IS within populations", it = "F_IT")
    for (f in names(labels)) {
      if (is.na(h[[f]][["f"]])) next
      rows <- c(rows, list(c(labels[[f]], sprintf("%.4f", h[[f]][["f"]]),
                             if (is.na(h[[f]][["p"]])) "" else paste0("(P = ", p_values(h[[f]][["p"]]), ")"))))
    }
  }
  if (!is.null(x$pairs)) {
    rows <- c(rows, list(c("Pairs of populations", count(x$pairs$count))),
              significance_rows(x$pairs$significant, x$pairs$tested, paste("  with combined", x$p_head)))
  }
  # Labels, then values right-aligned, then any remark.
  field <- function(i) vapply(rows, function(row) if (length(row) >= i) row[[i]] else "", "")
  value <- field(2L)
  lines <- sub(" +$", "", paste0(sprintf("%-*s", max(nchar(field(1L))), field(1L)), "  ",
                                 sprintf("%*s", max(nchar(value)), value), "  ", field(3L)))
  cat(lines[seq_len(notes)], sep = "\n")
  if (x$methods[["chain_zero"]] > 0) {
    zeros <- x$methods[["chain_zero"]]
    cat(sprintf("  (%s of 0 from the chain, where no table as extreme was visited, %s as\n",
                if (zeros == 1) "a P-value" else paste(count(zeros), "P-values"),
                if (zeros == 1) "counts" else "count"),
        sprintf("   1 / (batches x iterations) = %s)\n", format(x$chain_bound, digits = 3)), sep = "")
  }
  if (x$methods[["sampled"]] > 0) {
    cat("  (a P-value from independent tables counts at a level only where its upper 95 % limit,\n",
        "   p_high, lies below it)\n", sep = "")
  }
  floors <- x$methods[["sampled_floor"]]
  if (floors > 0) {
    floor_text <- function(b) sprintf("%s (B = %s)", format(1 / (b + 1), digits = 3), format(b, scientific = FALSE))
    b <- x$sampled_floor_tables
    cat(sprintf("  (%s from independent tables reached no hit, no table drawn as extreme as the observed one:\n",
                if (floors == 1) "a P-value" else paste(count(floors), "P-values")),
        sprintf("   %s at its floor 1 / (B + 1) for its B tables, here %s; a larger `samples` resolves %s)\n",
                if (floors == 1) "it is" else "each is",
                if (b[["most"]] == b[["fewest"]]) floor_text(b[["most"]])
                else paste("from", floor_text(b[["most"]]), "to", floor_text(b[["fewest"]])),
                if (floors == 1) "it" else "them"), sep = "")
  }
  if (x$methods[["tail"]] > 0) {
    cat("  (so does a P-value far in the tail: where p_high lies below the level)\n")
  }
  if (x$test == "none") cat("  (no exact test, test = \"none\": the counts are of P(chi2))\n")
  cat(lines[-seq_len(notes)], sep = "\n")
  p <- x$pairs
  if (!is.null(p) && nrow(p$most) > 0) {
    # One table of both, aligned alike, under two headings.
    shown <- differentiated_lines(rbind(p$most, p$least), x)
    cat("The most differentiated pairs, by F_ST over loci:\n")
    cat(shown[seq_len(1L + nrow(p$most))], sep = "\n")
    if (nrow(p$least) > 0) {
      cat("The least differentiated:\n")
      cat(shown[-seq_len(1L + nrow(p$most))], sep = "\n")
    }
  }
  invisible(x)
}

# Rows of the counts below 0.05, the Bonferroni level and 5 % FDR, for `m`
# tested loci or pairs.
significance_rows <- function(counts, m, what) {
  if (m == 0) return(list(c(paste(what, "<= 0.05"), "", "none tested")))
  list(c(paste(what, "<= 0.05"), count(counts[["nominal"]])),
       c(sprintf("  <= 0.05 / %s (Bonferroni)", count(m)), count(counts[["bonferroni"]])),
       c("  at a 5 % false discovery rate (BH)", count(counts[["fdr"]])))
}

differentiated_lines <- function(p, x) {
  limits <- if (all(is.na(p$fst_low))) NULL else
    c("95 % limits", ifelse(is.na(p$fst_low), "", sprintf("%.4f to %.4f", p$fst_low, p$fst_high)))
  lines <- aligned_lines(c(list(c("Pop", p$pop_a), c("", p$label_a), c("Pop", p$pop_b), c("", p$label_b),
                                c("F_ST", fixed(p$fst, 4))),
                           if (!is.null(limits)) list(limits),
                           list(c(x$p_head, p_values(p[[x$p_column]])))), left = c(2L, 4L))
  paste0("  ", lines)
}
