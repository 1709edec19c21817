# The G tests, and VCF data with a population map, give the command line's
# tables; a genind object gives its file's genotypic test.

same_as_command_line <- function(r, cli) {
  expect_same_columns(r$loci, locus_rows(cli$table))
  total <- cli$table[cli$table$locus == "TOTAL", ]
  expect_same_columns(r$total, total[, intersect(names(total), names(r$total))])
}

test_that("the G tests give the command line's tables, pairs included", {
  for (test in c("genic-g", "genotypic")) {
    r <- run(trout, seed = 5, test = test, pairs = TRUE)
    cli <- command_line("ortelan_3d", trout, "5", extra = c("--test", test))
    same_as_command_line(r, cli)
    expected <- cli$pairs
    expected$locus <- suppressWarnings(as.integer(expected$locus))
    expect_same_columns(r$pairs, expected)
    expect_identical(names(r$loci)[3:11], c(if (test == "genotypic") "genotypes" else "alleles",
                                           "p_exact", "se_exact", "p_low", "p_high", "method", "g", "df", "p_g"))
  }
  expect_error(run(trout, test = "genetic"), "`test` must be one of", class = "ortelan_argument_error")
})

test_that("a genind object gives its file's genotypic test", {
  skip_if_not_installed("adegenet")
  g <- adegenet::read.genepop(trout, ncode = 3, quiet = TRUE)
  expect_same_columns(run(g, seed = 5, test = "genotypic")$loci, run(trout, seed = 5, test = "genotypic")$loci)
})

test_that("VCF data with a map, given as a file or a data frame, and regions", {
  skip_if(!nzchar(Sys.which("bgzip")) || !nzchar(Sys.which("tabix")), "bgzip and tabix are not installed")
  dir <- tempfile()
  dir.create(dir)
  vcf <- file.path(dir, "calls.vcf")
  samples <- sprintf("s%d", 1:8)
  set.seed(3)
  lines <- c("##fileformat=VCFv4.2", "##contig=<ID=chr1>", "##contig=<ID=chr2>",
             '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">',
             paste(c("#CHROM", "POS", "ID", "REF", "ALT", "QUAL", "FILTER", "INFO", "FORMAT", samples), collapse = "\t"))
  for (chrom in c("chr1", "chr2")) {
    for (pos in seq(100, 2000, by = 100)) {
      genotypes <- sprintf("%d/%d", sample(0:1, 8, TRUE), sample(0:1, 8, TRUE))
      lines <- c(lines, paste(c(chrom, pos, ".", "A", "G", ".", ".", ".", "GT", genotypes), collapse = "\t"))
    }
  }
  writeLines(lines, vcf)
  system2("bgzip", c("-f", vcf))
  system2("tabix", c("-p", "vcf", paste0(vcf, ".gz")))
  map <- data.frame(sample = samples, population = rep(c("north", "south"), each = 4))
  map_file <- file.path(dir, "pops.txt")
  utils::write.table(map, map_file, sep = "\t", quote = FALSE, row.names = FALSE, col.names = FALSE)
  gz <- paste0(vcf, ".gz")

  from_file <- run(gz, seed = 9, popmap = map_file)
  from_frame <- run(gz, seed = 9, popmap = map)
  expect_identical(from_file$loci, from_frame$loci)
  expect_identical(names(from_file$loci)[1:4], c("locus", "name", "chrom", "pos"))
  same_as_command_line(from_file, command_line("ortelan_3d", gz, "9", extra = c("--popmap", map_file)))

  # A region gives the whole run's rows for its loci.
  part <- run(gz, seed = 9, popmap = map, region = "chr2:500-1500")
  whole <- from_file$loci[from_file$loci$chrom == "chr2" & from_file$loci$pos >= 500 & from_file$loci$pos <= 1500, ]
  expect_identical(part$loci[, -1], `rownames<-`(whole[, -1], NULL))

  expect_error(run(gz, seed = 9), "give its population map", class = "ortelan_argument_error")
  expect_error(run(trout, popmap = map), "`popmap` goes with a VCF or BCF file", class = "ortelan_argument_error")
  # A POS that is not a whole number is the data's fault, not read as another position.
  lines[8] <- sub("\t300\t", "\t3e+02\t", lines[8])
  writeLines(lines, vcf)
  expect_error(run(vcf, seed = 9, popmap = map), 'record 3: POS "3e+02" is not a whole number', fixed = TRUE,
               class = "ortelan_data_error")
  unlink(dir, recursive = TRUE)
})
