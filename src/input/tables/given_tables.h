// Locus tables given whole, with no data file to read: the counts of gene
// copies per population and allele that a caller (R's genind objects) has
// already counted. They are checked and held in memory, like those a
// scripted run's reader counts.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "input/tables/counted_tables.h"
#include "input/tables/data_tables.h"
#include "run/run.h"

namespace ortelan {

// One locus's genotypes, for the genotypic test and the F-statistics: per population, the
// individuals of each genotype; each genotype's two allele columns (from
// 1, in the allele table's order, first <= second).
struct GivenGenotypes {
  std::vector<std::vector<int>> counts;
  std::vector<std::pair<int, int>> alleles;
};

// The individuals themselves, for the tests that permute them: per
// individual its population from 1; per locus, two genes per individual,
// each its allele's column from 1 (as in `counts`), 0 missing.
struct GivenIndividuals {
  std::vector<int> population;
  std::vector<std::vector<std::uint8_t>> genes;
};

struct GivenData {
  std::string title;
  std::vector<std::string> locusNames;
  std::vector<std::string> populationLabels;  // population 1 first
  // Per locus, per population: the genes of each allele, in the order of
  // the table's columns (increasing allele), after the missing genes.
  std::vector<std::vector<std::vector<int>>> counts;
  // Per locus, or none: the genotypic test needs them, the F-statistics
  // are NA without them.
  std::vector<GivenGenotypes> genotypes;
  // Where given: the permutation tests need them.
  std::optional<GivenIndividuals> individuals;
};

// Fills `data` and returns the tables of every locus (the genotype tables
// too, where given); a locus with more than 99 alleles, counts that do
// not match the loci and populations, or a count below 0 end the run.
DataTables countGivenTables(RunContext& context, DataSummary& data, const GivenData& given);

}  // namespace ortelan
