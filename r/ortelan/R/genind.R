# The tables of a genind object, as the core takes them in place of a data
# file: per locus a populations x columns matrix of gene counts, the missing
# genes first, then the alleles in the order a GENEPOP reader gives them;
# and per locus the populations x genotypes counts of complete genotypes.

# Allele names that are numbers come first, by value (8 before 10), then the
# others by name.
allele_order <- function(names) {
  value <- suppressWarnings(as.numeric(names))
  order(is.na(value), value, names, method = "radix")
}

genind_tables <- function(x, title, call, individuals = FALSE) {
  if (!requireNamespace("adegenet", quietly = TRUE)) {
    argument_error("`file` is a genind object, which needs the adegenet package", call)
  }
  if (!all(adegenet::ploidy(x) == 2L)) argument_error("`file` must be a diploid genind object", call)
  pop <- adegenet::pop(x)
  if (is.null(pop) || length(pop) == 0L) {
    argument_error("`file` has no populations: set them with adegenet::pop()", call)
  }
  if (anyNA(pop)) argument_error(sprintf("`file`: individuals without a population: %d", sum(is.na(pop))), call)
  pop <- droplevels(pop)
  counts <- adegenet::tab(x)
  column_locus <- as.integer(adegenet::locFac(x))
  allele_names <- adegenet::alleles(x)
  # An individual not typed at a locus has NA in every column of the locus.
  untyped <- rowsum(is.na(counts[, !duplicated(column_locus), drop = FALSE]) * 2L, pop, reorder = TRUE)
  counts[is.na(counts)] <- 0L
  genes <- rowsum(counts, pop, reorder = TRUE)
  columns <- list()
  tables <- lapply(seq_along(allele_names), function(locus) {
    names <- allele_names[[locus]]
    g <- genes[, column_locus == locus, drop = FALSE]
    value <- suppressWarnings(as.numeric(names))
    zero <- !is.na(value) & value == 0  # allele 0, 00 or 000: a missing gene, as in GENEPOP files
    missing <- untyped[, locus] + rowSums(g[, zero, drop = FALSE])
    keep <- which(!zero & colSums(g) > 0)
    columns[[locus]] <<- which(column_locus == locus)[keep[allele_order(names[keep])]]
    g <- g[, keep[allele_order(names[keep])], drop = FALSE]
    table <- cbind(missing, g)
    storage.mode(table) <- "integer"
    dimnames(table) <- NULL
    table
  })
  out <- list(title = title, loci = adegenet::locNames(x), populations = levels(pop), counts = tables)
  # The complete genotypes: the genotypic test walks them, the F-statistics
  # count each population's individuals and heterozygotes in them.
  out$genotypes <- lapply(columns, genotype_table, counts = adegenet::tab(x), pop = pop)
  # The individuals themselves, for the tests that permute them.
  if (individuals) {
    out$individuals <- list(population = as.integer(pop),
                            genes = lapply(columns, individual_genes, counts = adegenet::tab(x)))
  }
  out
}

# Each individual's two allele columns at one locus (in its table's order,
# from 1), interleaved; 0 and 0 where it is not typed.
individual_genes <- function(columns, counts) {
  if (length(columns) == 0L) return(integer(2L * nrow(counts)))
  held <- counts[, columns, drop = FALSE]
  total <- rowSums(held)
  typed <- !is.na(total) & total == 2
  held[is.na(held)] <- 0L
  carried <- held > 0
  first <- ifelse(typed, max.col(carried, ties.method = "first"), 0L)
  second <- ifelse(typed, max.col(carried, ties.method = "last"), 0L)
  as.integer(rbind(first, second))
}

# The complete genotypes of one locus, from the individuals' allele counts
# in its table's columns (`columns`, in the table's order): a homozygote
# holds 2 of one allele, a heterozygote 1 of two; untyped individuals hold
# NA. The populations x genotypes counts, genotypes in increasing order of
# their allele columns.
genotype_table <- function(columns, counts, pop) {
  held <- counts[, columns, drop = FALSE]
  total <- rowSums(held)
  complete <- which(!is.na(total) & total == 2)
  carried <- (held[complete, , drop = FALSE] > 0) * 1L
  # An individual's first and last allele carried: the same for a homozygote.
  first <- if (length(complete)) max.col(carried, ties.method = "first") else integer()
  second <- if (length(complete)) max.col(carried, ties.method = "last") else integer()
  key <- first * 1000L + second
  keys <- sort(unique(key))
  cell <- (match(key, keys) - 1L) * nlevels(pop) + as.integer(pop[complete])
  table <- matrix(tabulate(cell, nbins = nlevels(pop) * length(keys)), nlevels(pop), length(keys))
  storage.mode(table) <- "integer"
  list(counts = table, first = as.integer(keys %/% 1000L), second = as.integer(keys %% 1000L))
}
