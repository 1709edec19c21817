// The 80-bit programs' reader made linear: the data lines are read once,
// each individual's genotypes kept as two codes per locus, and every locus
// table counted from that. Its outcome (tables, names, counts, table files,
// which error ends the run at which locus) is that of the locus passes;
// a file on which the passes would read differently from one locus to the
// next falls back to them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/tables/table_data_writer.h"
#include "run/run.h"

namespace ortelan {

// The individuals of the data section as every locus pass reads them.
struct IndividualsOnce {
  static constexpr std::size_t kNowhere = std::string_view::npos;

  std::vector<std::uint8_t> population;  // per individual, 1..100
  std::vector<std::uint16_t> alleles;    // per individual, 2 x loci codes 0..999
  std::vector<std::string> labels;       // per population from 1: its last individual's name
  int populations = 1;                   // the passes' population counter
  std::size_t overLimitAt = kNowhere;    // the first individual in population 101 or later
  int firstBadLocus = 0;                 // lowest locus with a code outside 0..999; 0: none
  std::size_t badCodeAt = kNowhere;      // where the first such code of that locus stands
  std::size_t notANumberAt = kNowhere;   // the first allele text that is not a number (read as 0)
  int notANumberLocus = 0;
  std::size_t extraTextAt = kNowhere;    // the first text after the last genotype of a line
  std::size_t shortLineAt = kNowhere;    // the line short of genotypes, when reading failed
  int genotypesOnShortLine = 0;
};

// Reads the data section once. False when some individual line holds fewer
// than `loci` genotypes before its line end: the passes then read into the
// next line, differently for each locus.
bool readIndividualsOnce(std::string_view text, int loci, int alleleDigits, IndividualsOnce& out);

// The whole reader: `text` is the data file with Unix line ends. A scripted
// run stops at a line short of genotypes; the dialogue's runs read such a
// file with the passes, as ever.
void readGenepopOnce(RunContext& context, DataSummary& data, std::string_view text, LocusTableSink& writer);

}  // namespace ortelan
