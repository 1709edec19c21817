// Locus tables given whole, with no data file to read: the counts of gene
// copies per population and allele that a caller (R's genind objects) has
// already counted. They are checked against the limits of the tables and
// written as table data, like those a reader counts.
#pragma once

#include <string>
#include <vector>

#include "run/run.h"

namespace ortelan {

struct GivenData {
  std::string title;
  std::vector<std::string> locusNames;
  std::vector<std::string> populationLabels;  // population 1 first
  // Per locus, per population: the genes of each allele, in the order of
  // the table's columns (increasing allele), after the missing genes.
  std::vector<std::vector<std::vector<int>>> counts;
};

// Fills `data` and writes the table data of every locus; a table beyond
// the limits (100 populations, 10,000 loci, 99 alleles) or with a count
// below 0 ends the run.
void writeGivenTables(RunContext& context, DataSummary& data, const GivenData& given);

}  // namespace ortelan
