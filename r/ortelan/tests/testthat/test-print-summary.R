# print() of a genome scan fits a screen: the combined tests, the first loci
# and those with the smallest P, and a count of the rest; summary() counts
# what a scan found.

# A GENEPOP file of `loci` SNPs in two-digit codes, the names on one line:
# `populations` of `per_population` individuals, allele frequencies drawn
# per population, so that some loci differ.
scan_file <- function(loci, populations, per_population, seed = 1) {
  set.seed(seed)
  lines <- c("A made-up scan", paste(sprintf("snp_%d", seq_len(loci)), collapse = ", "))
  for (p in seq_len(populations)) {
    frequency <- stats::runif(loci)
    genes <- function() 1L + (stats::runif(loci) > frequency)
    individuals <- vapply(seq_len(per_population), function(i) {
      paste0(sprintf("p%d_%d,", p, i), paste(sprintf(" %02d%02d", genes(), genes()), collapse = ""))
    }, "")
    lines <- c(lines, "Pop", individuals)
  }
  path <- tempfile(fileext = ".gen")
  writeLines(lines, path)
  path
}

# The locus numbers of the printed rows between `from` (a heading) and the
# next line that is not a row.
rows_after <- function(shown, from) {
  start <- grep(from, shown, fixed = TRUE)
  if (length(start) == 0L) return(integer())
  rest <- shown[-seq_len(start)]
  rows <- rest[seq_len(match(FALSE, grepl("^ *[0-9]+  ", rest), nomatch = length(rest) + 1L) - 1L)]
  as.integer(sub("^ *([0-9]+) .*", "\\1", rows))
}

more <- function(n, what) paste0("^(\u2026|\\.\\.\\.) ", format(n, big.mark = ","), " more ", what)

test_that("a genome scan prints the totals, the first loci and the smallest P, and counts the rest", {
  file <- scan_file(30000, 2, 4)
  x <- run(file, program = "ortelan_2d", seed = 3)
  expect_true(all(x$loci$method %in% c("exact", NA)))
  # Ties: three chain estimates of 0 go by their chi-square's P.
  x$loci[c(20001, 20002, 20003), c("p_fisher", "method", "p_chi2")] <-
    data.frame(0, "chain", c(1e-3, 1e-9, 1e-6))
  shown <- capture.output(print(x))
  heads <- grep("^Locus  Name", shown)
  expect_match(shown[heads + 1L], "^ +TOTAL ")
  expect_lte(length(shown) - heads, 30L)
  expect_identical(rows_after(shown, "The first 10 of 30,000 loci:"), 1:10)
  p <- x$loci$p_fisher
  others <- which(!is.na(p) & seq_along(p) > 10)
  smallest <- utils::head(others[order(p[others], x$loci$p_chi2[others], others)], 10)
  expect_identical(smallest[1:3], c(20002L, 20003L, 20001L))
  expect_identical(rows_after(shown, "The 10 other loci with the smallest P(Fisher):"), smallest)
  expect_match(shown, paste0(more(29980, "loci"), " in x\\$loci$"), all = FALSE)

  expect_identical(rows_after(capture.output(print(x, n = 6)), "The first 3 of 30,000 loci:"), 1:3)
  expect_identical(rows_after(capture.output(print(x, n = 6)), "The 3 other loci"), smallest[1:3])
  expect_length(rows_after(capture.output(print(x, n = 50)), "The 25 other loci"), 25)
  every <- capture.output(print(x, n = Inf))
  expect_identical(rows_after(every, "Locus  Name"), x$loci$locus)
  expect_false(any(grepl(more(0, ""), every)))

  # With no exact test the chi-square's P ranks the loci.
  none <- run(file, program = "ortelan_2d", seed = 3, test = "none", loci = c(1:8, 29993:30000))
  q <- none$loci$p_chi2
  shown <- capture.output(print(none, n = 4))
  expect_identical(rows_after(shown, "The 2 other loci with the smallest P(chi2):"),
                   none$loci$locus[2L + order(q[-(1:2)])[1:2]])
  expect_error(print(x, n = -1), "`n` must be", class = "ortelan_argument_error")
})

test_that("a small result prints every locus, and many pairs print like loci", {
  file <- scan_file(5, 20, 3, seed = 2)
  x <- run(file, program = "ortelan_2d", seed = 4, pairs = TRUE)
  shown <- capture.output(print(x))
  expect_identical(rows_after(shown, "Locus  Name"), 1:5)
  expect_match(shown[grep("^ +5  snp_5", shown) + 1L], "^ +TOTAL ")  # the totals last, as in the report
  totals <- x$pairs[is.na(x$pairs$locus), ]
  expect_identical(nrow(totals), 190L)
  expect_match(shown, more(170, "pairs, and every pair's loci, in x\\$pairs$"), all = FALSE)
  pair_row <- "^ +([0-9]+)  p[0-9]+_3 +([0-9]+)  p.*"
  expect_length(grep(pair_row, shown), 20L)
  expect_length(grep(pair_row, capture.output(print(x, max_pairs = Inf))), 190L)
  # The pairs under the second heading are the others with the smallest P.
  heading <- grep("The 10 other pairs with the smallest P(Fisher):", shown, fixed = TRUE)
  rows <- shown[heading + 1:10]
  pairs_shown <- paste(sub(pair_row, "\\1", rows), sub(pair_row, "\\2", rows))
  others <- 10L + order(totals$p_fisher[-(1:10)], totals$p_chi2[-(1:10)])[1:10]
  expect_identical(pairs_shown, paste(totals$pop_a[others], totals$pop_b[others]))
  # No pairs shown: their count, without a row of heads over nothing.
  none <- capture.output(print(x, max_pairs = 0))
  expect_identical(none[length(none) - 1L], "Pairs of populations, over their tested loci:")
  expect_match(none[length(none)], more(190, "pairs"))
})

test_that("summary's counts are those of x$loci and x$pairs", {
  # Four populations of 8: tables the chain walks beside exact ones.
  file <- scan_file(400, 4, 8, seed = 5)
  x <- run(file, program = "ortelan_2d", seed = 6, pairs = TRUE, bootstrap = 50, sampler = "chain")
  s <- summary(x)
  l <- x$loci
  expect_gt(sum(l$method == "chain", na.rm = TRUE), 0)
  expect_gt(sum(l$method == "exact", na.rm = TRUE), 0)
  tested <- !is.na(l$p_fisher)
  p <- l$p_fisher[tested]
  p[p == 0] <- 1 / (chain$batches * chain$iterations)  # a chain's 0: P below about that
  expect_identical(s$loci, c(read = 400L, run = 400L, tested = sum(tested), untested = sum(!tested)))
  expect_identical(s$methods, c(exact = sum(l$method == "exact", na.rm = TRUE), sampled = 0L, tail = 0L,
                                chain = sum(l$method == "chain", na.rm = TRUE),
                                chain_zero = sum(l$method == "chain" & l$p_fisher == 0, na.rm = TRUE),
                                sampled_floor = 0L))
  expect_identical(s$significant, c(nominal = sum(p <= 0.05), bonferroni = sum(p <= 0.05 / length(p)),
                                    fdr = sum(p.adjust(p, "BH") <= 0.05)))
  # From independent tables a P counts at a level only where its upper
  # limit lies below it, in the adjustment too.
  y <- run(file, program = "ortelan_2d", seed = 6)
  sampled <- y$loci$method %in% c("sampled", "tail")
  expect_gt(sum(sampled), 0)
  q <- ifelse(sampled, y$loci$p_high, y$loci$p_fisher)[!is.na(y$loci$p_fisher)]
  counted <- sampled[!is.na(y$loci$p_fisher)]
  below <- function(v, level) ifelse(counted, v < level, v <= level)
  expect_identical(summary(y)$significant, c(nominal = sum(below(q, 0.05)), bonferroni = sum(below(q, 0.05 / length(q))),
                                             fdr = sum(below(p.adjust(q, "BH"), 0.05))))
  expect_match(capture.output(print(summary(y))), "counts at a level only where its upper 95 % limit", all = FALSE)
  expect_identical(s$fst, unlist(x$total[c("fst", "fst_low", "fst_high")]))
  totals <- x$pairs[is.na(x$pairs$locus), ]
  expect_identical(s$pairs$most$fst, sort(totals$fst, decreasing = TRUE)[1:3])
  expect_identical(s$pairs$least$fst, sort(totals$fst)[1:3])
  shown <- capture.output(print(s))
  expect_match(shown, paste0("^Loci read +400$"), all = FALSE)
  expect_match(shown, paste0("^  <= 0\\.05 / ", sum(tested), " \\(Bonferroni\\) +", s$significant[["bonferroni"]], "$"),
               all = FALSE)

  none <- summary(run(file, program = "ortelan_2d", seed = 6, test = "none", loci = 1:100))
  q <- run(file, program = "ortelan_2d", seed = 6, test = "none", loci = 1:100)$loci$p_chi2
  expect_identical(none$loci[c("read", "run")], c(read = 400L, run = 100L))
  expect_identical(none$significant[["nominal"]], sum(q <= 0.05, na.rm = TRUE))
  expect_match(capture.output(print(none)), "counts are of P(chi2)", fixed = TRUE, all = FALSE)
})

test_that("summary names the P-values from independent tables at their floor", {
  # A P whose lower limit is 0 reached no hit: it is 1 / (B + 1) for its B tables.
  floors <- function(tables) {
    p <- ifelse(tables > 0, 1 / (tables + 1), 0.3)
    x <- structure(list(
      loci = data.frame(locus = seq_along(p), p_fisher = p, p_low = ifelse(tables > 0, 0, 0.2), p_high = 0.6,
                        method = "sampled"),
      total = data.frame(fst = NA_real_), pairs = NULL, data = list(title = "t", loci = length(p)),
      settings = list(program = "ortelan_2d", file = NA_character_, seed = 1, batches = 100, iterations = 5000)),
      class = "ortelan")
    s <- summary(x)
    shown <- capture.output(print(s))
    hit <- grep("reached no hit", shown)
    list(s = s, note = if (length(hit) == 1L) shown[hit + 0:1] else character())
  }
  expect_identical(floors(c(0, 0))$s$methods[["sampled_floor"]], 0L)
  expect_length(floors(c(0, 0))$note, 0L)
  one <- floors(c(514, 0))
  expect_identical(one$s$sampled_floor_tables, c(most = 514, fewest = 514))
  expect_identical(one$note, c(
    "  (a P-value from independent tables reached no hit, no table drawn as extreme as the observed one:",
    "   it is at its floor 1 / (B + 1) for its B tables, here 0.00194 (B = 514); a larger `samples` resolves it)"))
  expect_identical(floors(c(514, 0, 49, 514))$note, c(
    "  (3 P-values from independent tables reached no hit, no table drawn as extreme as the observed one:",
    paste("   each is at its floor 1 / (B + 1) for its B tables, here from 0.00194 (B = 514) to 0.02 (B = 49);",
          "a larger `samples` resolves them)")))
})
