# Files beyond the dialogue's limits, and haploid loci, read as the command
# line reads them.

# A SNP panel in the two-digit codes, the locus names on one line.
snp_file <- function(loci, populations, per_population) {
  set.seed(loci + populations)
  lines <- c("Made-up SNP panel", paste(sprintf("snp_%d", seq_len(loci)), collapse = ", "))
  for (p in seq_len(populations)) {
    lines <- c(lines, "Pop")
    frequency <- runif(loci)
    for (i in seq_len(per_population)) {
      first <- 1L + (runif(loci) > frequency)
      second <- 1L + (runif(loci) > frequency)
      lines <- c(lines, paste0(sprintf("p%d_%d,", p, i), paste(sprintf(" %02d%02d", first, second), collapse = "")))
    }
  }
  path <- tempfile(fileext = ".gen")
  writeLines(lines, path)
  path
}

test_that("20,000 loci and 150 populations give the command line's tables", {
  skip_unless_long()
  for (shape in list(c(20000, 3, 2), c(5, 150, 2))) {
    file <- snp_file(shape[1], shape[2], shape[3])
    for (program in c("ortelan_2d", "ortelan_c")) {
      r <- run(file, program = program, seed = 11)
      expect_identical(nrow(r$loci), as.integer(shape[1]))
      expect_identical(length(r$data$populations), as.integer(shape[2]))
      cli <- command_line(program, file, "11")
      expect_same_columns(r$loci, locus_rows(cli$table))
    }
  }
})

test_that("a haploid locus counts one gene per individual, and a mixed one is refused", {
  file <- tempfile(fileext = ".gen")
  writeLines(c("mtDNA and a microsatellite", "Cytb, Msat", "Pop", "a, 001 101102", "b, 002 102102",
               "Pop", "c, 001 101101", "d, 001 000000"), file)
  r <- run(file, seed = 1)
  expect_identical(r$loci$alleles, c(2L, 2L))
  expect_identical(r$data$individuals, 4L)
  writeLines(c("Mixed", "Cytb", "Pop", "a, 001", "Pop", "b, 001002"), file)
  expect_error(run(file, seed = 1), "line 6: locus 1 (Cytb) mixes genotypes of one allele and of two",
               fixed = TRUE, class = "ortelan_data_error")
})
