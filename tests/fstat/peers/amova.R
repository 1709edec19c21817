# The analysis of molecular variance of amova.gen (six populations in the
# three groups of amova.groups, complete data) by ade4's amova(), locus by
# locus: the individuals as samples, their alleles as haplotypes, allele
# identity as the distance (distances = NULL).
#   Rscript amova.R amova.gen amova.groups > ade4-amova.tsv
# Writes per locus and level (groups, populations, individuals, within)
# its degrees of freedom, sum of squares and variance component.
suppressMessages(library(ade4))
args <- commandArgs(TRUE)
lines <- readLines(args[1])
groups <- read.table(args[2], col.names = c("population", "group"), colClasses = "character")
first_pop <- which(toupper(substr(lines, 1, 3)) == "POP")[1]
loci <- lines[2:(first_pop - 1)]
population <- 0
individuals <- list()
for (line in lines[first_pop:length(lines)]) {
  if (toupper(substr(line, 1, 3)) == "POP") {
    population <- population + 1
    next
  }
  genotypes <- strsplit(trimws(sub("^[^,]*,", "", line)), "[ \t]+")[[1]]
  individuals[[length(individuals) + 1]] <- list(population = population, genotypes = genotypes)
}
population <- vapply(individuals, function(i) i$population, 0)
structures <- data.frame(population = factor(population),
                         group = factor(groups$group[match(population, as.integer(groups$population))]))
cat(paste(c("# Rscript amova.R", args), collapse = " "), "\n", sep = "")
cat("locus\tlevel\tdf\tss\tsigma\n")
for (k in seq_along(loci)) {
  first <- vapply(individuals, function(i) substr(i$genotypes[k], 1, 3), "")
  second <- vapply(individuals, function(i) substr(i$genotypes[k], 4, 6), "")
  alleles <- sort(unique(c(first, second)))
  samples <- as.data.frame(vapply(seq_along(first), function(i) {
    as.numeric(table(factor(c(first[i], second[i]), levels = alleles)))
  }, numeric(length(alleles))))
  names(samples) <- paste0("i", seq_along(first))
  rownames(samples) <- alleles
  result <- amova(samples, NULL, structures)
  levels <- c("groups", "populations", "individuals", "within")
  for (l in seq_along(levels)) {
    cat(loci[k], levels[l], sprintf("%.17g", result$results$Df[l]), sprintf("%.17g", result$results$`Sum Sq`[l]),
        sprintf("%.17g", result$componentsofcovariance$Sigma[l]), sep = "\t")
    cat("\n")
  }
}
