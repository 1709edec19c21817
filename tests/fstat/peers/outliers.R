# The outlier test of a biallelic or multiallelic VCF panel, computed apart
# from the programs, in base R: the allele counts per population from the GT
# fields, F without the sample-size correction, the candidates, the trim,
# the fit by optimize() on the truncated chi-square likelihood written with
# dchisq() and pchisq(), and the test with p.adjust(p, "BH").
#   Rscript outliers.R panel.vcf panel.popmap > outliers-five.tsv
# Writes "# df fbar trimmed candidates", then per candidate in file order:
# chrom, pos, he, f, p, q.
args <- commandArgs(TRUE)
lines <- readLines(args[1])
header <- strsplit(lines[startsWith(lines, "#CHROM")], "\t")[[1]]
body <- strsplit(lines[!startsWith(lines, "#")], "\t")
map <- read.table(args[2], colClasses = "character", col.names = c("sample", "population"))
populations <- unique(map$population)
column_of <- match(map$sample, header)

# Per site: the genes of each allele (0, 1, ...) in each population.
site_values <- function(fields) {
  genes <- lapply(populations, function(p) {
    gt <- sub(":.*$", "", fields[column_of[map$population == p]])
    alleles <- unlist(strsplit(gt, "[/|]"))
    as.integer(alleles[alleles != "."])
  })
  codes <- sort(unique(unlist(genes)))
  counts <- t(vapply(genes, function(g) tabulate(match(g, codes), length(codes)), numeric(length(codes))))
  n <- rowSums(counts)
  typed <- n > 0
  counts <- counts[typed, , drop = FALSE]
  n <- n[typed]
  w <- n / sum(n)
  p <- counts / n
  pbar <- colSums(w * p)
  numerator <- sum(w * sweep(p, 2, pbar)^2)
  he <- sum(pbar * (1 - pbar))
  c(typed = sum(typed), numerator = numerator, he = he)
}
values <- t(vapply(body, site_values, numeric(3)))
chrom <- vapply(body, `[`, "", 1)
pos <- vapply(body, `[`, "", 2)

candidate <- values[, "typed"] >= 2 & values[, "he"] > 0 & values[, "he"] >= 0.1
he <- values[candidate, "he"]
numerator <- values[candidate, "numerator"]
f <- numerator / he
n <- length(f)

cut <- floor(0.05 * n)
ranked <- order(f)  # ties in file order
kept <- ranked[seq.int(cut + 1, n - cut)]
kept <- kept[f[kept] > 0]
fbar <- sum(numerator[kept]) / sum(he[kept])
low <- min(f[kept])
high <- max(f[kept])
log_likelihood <- function(df) {
  sum(log(df / fbar) + dchisq(df * f[kept] / fbar, df, log = TRUE)) -
    length(kept) * log(pchisq(df * high / fbar, df) - pchisq(df * low / fbar, df))
}
df <- optimize(log_likelihood, c(1, 10000), maximum = TRUE, tol = 1e-10)$maximum
p <- pchisq(df * f / fbar, df, lower.tail = FALSE)
q <- p.adjust(p, "BH")
cat(sprintf("# %.15g %.15g %d %d\n", df, fbar, length(kept), n))
cat(sprintf("%s\t%s\t%.15g\t%.15g\t%.15g\t%.15g\n", chrom[candidate], pos[candidate], he, f, p, q), sep = "")
