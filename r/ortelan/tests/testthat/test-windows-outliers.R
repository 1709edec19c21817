# Windows along the genome and the outlier test from R: the command line's
# tables, outliers(), summary(), the arguments' faults, and merge_results()
# of shards that cut a window.

# A VCF of 400 SNPs on two contigs, 1 kb apart, in three populations of 20,
# every 50th locus far more differentiated; and its map.
outlier_scan <- function(dir) {
  set.seed(31)
  samples <- sprintf("p%d_%02d", rep(1:3, each = 20), rep(1:20, 3))
  lines <- c("##fileformat=VCFv4.2", "##contig=<ID=c1>", "##contig=<ID=c2>",
             '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">',
             paste(c("#CHROM", "POS", "ID", "REF", "ALT", "QUAL", "FILTER", "INFO", "FORMAT", samples), collapse = "\t"))
  for (locus in 1:400) {
    common <- runif(1, 0.2, 0.8)
    p <- if (locus %% 50 == 0) c(0.05, 0.95, 0.05) else pmin(pmax(common + rnorm(3, 0, 0.05), 0.02), 0.98)
    freq <- rep(p, each = 20)
    genotypes <- sprintf("%d/%d", rbinom(60, 1, freq), rbinom(60, 1, freq))
    genotypes[runif(60) < 0.05] <- "./."
    chrom <- if (locus <= 200) "c1" else "c2"
    pos <- sprintf("%d", 1000L * (if (locus <= 200) locus else locus - 200L))
    lines <- c(lines, paste(c(chrom, pos, paste0("snp", locus), "A", "G", ".", "PASS", ".", "GT", genotypes),
                            collapse = "\t"))
  }
  vcf <- file.path(dir, "scan.vcf")
  writeLines(lines, vcf)
  map <- file.path(dir, "scan.map")
  writeLines(paste(samples, sub("_.*", "", samples), sep = "\t"), map)
  list(vcf = vcf, map = map)
}

test_that("windows and the outlier test give the command line's tables", {
  dir <- tempfile()
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  data <- outlier_scan(dir)
  x <- homogeneity_test(data$vcf, popmap = data$map, seed = 2, test = "none", windows = c(20000, 10000),
                        outliers = TRUE)
  expect_identical(names(x$loci)[(ncol(x$loci) - 3):ncol(x$loci)], c("he", "f_nc", "p_outlier", "q_outlier"))
  expect_identical(names(x$windows), c("chrom", "start", "end", "sites", "fst", "fst_num", "fst_den", "mean_fst"))
  expect_identical(x$windows$start[1:3], c(1, 10001, 20001))
  expect_identical(x$windows$end[1:3], c(20000, 30000, 40000))
  expect_equal(x$windows$fst, x$windows$fst_num / x$windows$fst_den)

  # The loci made apart stand out, and by chance a few others may.
  found <- outliers(x)
  expect_true(all(seq(50L, 400L, by = 50L) %in% found$locus))
  expect_lte(nrow(found), 8 + 0.05 * 392)
  expect_true(all(found$q_outlier < 0.05))
  expect_identical(nrow(outliers(x, q = 1e-300)), 0L)
  s <- summary(x)
  expect_equal(s$outliers[["standing_out"]], nrow(found))
  expect_equal(s$outliers[["candidates"]], sum(!is.na(x$loci$he)))
  expect_identical(s$windows, nrow(x$windows))
  shown <- capture.output(print(s))
  expect_match(shown, sprintf("^  standing out from the background at q < 0.05 +%d  \\(F of the background ", nrow(found)),
               all = FALSE)
  expect_match(capture.output(print(x)),
               sprintf("^%d loci stand out from the background at q < 0.05 .*: outliers\\(x\\)$", nrow(found)), all = FALSE)
  again <- do.call(homogeneity_test, x$settings)
  expect_identical(again$loci, x$loci)
  expect_identical(again$windows, x$windows)

  bin_dir <- Sys.getenv("ORTELAN_BIN_DIR")
  skip_if(!nzchar(bin_dir), "ORTELAN_BIN_DIR (a CMake build directory) is not set")
  table <- file.path(dir, "t.tsv")
  windows <- file.path(dir, "w.tsv")
  system2(file.path(bin_dir, "ortelan_3d"), c("-q", "-s", "2", "--test", "none", "--popmap", data$map, "-o", "/dev/null",
                                              "-t", table, "--windows", "20000:10000", "--windows-table", windows,
                                              "--outliers", data$vcf))
  cli <- utils::read.delim(table, comment.char = "#")
  rows <- cli[cli$locus != "TOTAL", c("he", "f_nc", "p_outlier", "q_outlier")]
  expect_same_columns(x$loci[, names(rows)], rows)
  expect_same_columns(x$windows, utils::read.delim(windows, comment.char = "#"))
  first <- readLines(table, n = 1L)
  expect_match(first, sprintf(" windows=20000:10000 outlier_min_he=0.1 outlier_df=%.6g", x$outlier_fit$df))

  # Shards of loci, the border inside a window: merged, the whole run's.
  for (part in list(c("1-130", "a"), c("131-400", "b"))) {
    system2(file.path(bin_dir, "ortelan_3d"), c("-q", "-s", "2", "--test", "none", "--popmap", data$map, "-o",
                                                "/dev/null", "--loci", part[1], "-t", file.path(dir, paste0(part[2], ".tsv")),
                                                "--windows", "20000:10000", "--outliers", data$vcf))
  }
  m <- merge_results(file.path(dir, c("a.tsv", "b.tsv")))
  expect_identical(m$loci, x$loci)
  expect_identical(m$windows, x$windows)
  expect_identical(m$outlier_fit, x$outlier_fit)
  expect_identical(m$settings$windows, c(20000, 10000))
  expect_identical(m$settings$outliers_min_he, 0.1)
})

test_that("the arguments of windows and the outlier test", {
  expect_error(run(trout, windows = 1000), "`windows` goes with a VCF or BCF file", class = "ortelan_argument_error")
  for (bad in list(0, c(100, 200), c(100, 0), "100", c(1, 2, 3), 10.5, NA)) {
    expect_error(run(trout, windows = bad), "`windows` must be NULL or c\\(size, step\\)", class = "ortelan_argument_error")
  }
  expect_error(run(trout, outliers_min_he = 0.2), "`outliers_min_he` goes with `outliers = TRUE`",
               class = "ortelan_argument_error")
  expect_error(run(trout, outliers = TRUE, outliers_min_he = 2), "`outliers_min_he` must be a number from 0 to 1",
               class = "ortelan_argument_error")
  expect_error(run(trout, outliers = NA), "`outliers` must be TRUE or FALSE", class = "ortelan_argument_error")
  x <- with_messages(run(trout, seed = 1, outliers = TRUE))
  expect_identical(x$messages, "Only 3 loci are left for the outlier fit once trimmed, fewer than 20: no outlier test")
  expect_true(is.na(x$value$outlier_fit$df))
  expect_identical(nrow(outliers(x$value)), 0L)
  expect_false(is.na(x$value$loci$he[1]))
  expect_error(outliers(run(trout, seed = 1)), "`x` has no outlier test", class = "ortelan_argument_error")
  expect_error(outliers(x$value, q = -1), "`q` must be a number from 0 to 1", class = "ortelan_argument_error")
})
