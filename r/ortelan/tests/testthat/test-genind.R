test_that("a genind read from a GENEPOP file gives the file's results", {
  skip_if_not_installed("adegenet")
  # Populations named out of alphabetical order, a half-typed genotype, alleles 8 before 10.
  odd <- tempfile(fileext = ".gen")
  writeLines(c("Odd file", "L1", "L2", "Pop", "zz1, 008010 000041", "zz2, 010010 009010", "Pop",
               "aa1, 009009 010041", "aa2, 008009 041041", "Pop", "mm1, 008010 009009", "mm2, 010010 009041"), odd)
  cases <- list(list(file = trout, ncode = 3L, program = "ortelan_3d"),
                list(file = two_digit_copy(trout), ncode = 2L, program = "ortelan_2d"),
                list(file = odd, ncode = 3L, program = "ortelan_c"))
  for (case in cases) {
    x <- adegenet::read.genepop(case$file, ncode = case$ncode, quiet = TRUE)
    from_file <- run(case$file, program = case$program, seed = 5, pairs = TRUE)
    from_genind <- run(x, program = case$program, seed = 5, pairs = TRUE)
    for (part in c("loci", "total", "pairs")) expect_identical(from_genind[[part]], from_file[[part]])
    expect_identical(from_genind$data$individuals, from_file$data$individuals)
    expect_true(is.na(from_genind$settings$file))
  }
})

test_that("alleles named by numbers go by value, others by name", {
  names <- c("10", "b", "8", "a", "9", "08a")
  expect_identical(names[ortelan:::allele_order(names)], c("8", "9", "10", "08a", "a", "b"))
})

test_that("a genind object that cannot be tested is refused by name", {
  skip_if_not_installed("adegenet")
  x <- adegenet::read.genepop(trout, ncode = 3L, quiet = TRUE)
  no_pops <- x
  adegenet::pop(no_pops) <- NULL
  expect_error(run(no_pops), "`file` has no populations", class = "ortelan_argument_error")
  expect_error(homogeneity_test(x[pop = 1]), "x[pop = 1]: locus 1 (Str15): the data hold a single population",
               fixed = TRUE, class = "ortelan_data_error")
})
