// The 80-bit programs' reader made linear: the data lines are read once,
// each individual's genotypes kept as a byte per allele, and every locus
// table counted from that. Its outcome (tables, names, counts, table files,
// which error ends the run at which locus) is that of the locus passes;
// a file on which the passes would read differently from one locus to the
// next falls back to them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "input/table_data_writer.h"
#include "run/run.h"

namespace ortelan {

// The individuals of the data section as every locus pass reads them.
struct IndividualsOnce {
  std::vector<std::uint8_t> population;  // per individual, 1..100
  std::vector<std::uint8_t> alleles;     // per individual, 2 x loci codes 0..99
  int populations = 1;                   // the passes' population counter
  bool populationOverLimit = false;      // some individual is in population 101 or later
  int firstBadLocus = 0;                 // lowest locus with a code outside 0..99; 0: none
};

// Reads the data section once. False when some individual line holds fewer
// than `loci` genotypes before its line end: the passes then read into the
// next line, differently for each locus.
bool readIndividualsOnce(std::string_view text, int loci, int alleleDigits, IndividualsOnce& out);

// The whole reader: `text` is the data file with Unix line ends.
void readGenepopOnce(RunContext& context, DataSummary& data, std::string_view text, LocusTableSink& writer);

}  // namespace ortelan
