// The reading of a scripted run and of R: the data file read once, as a
// stream, each genotype counted into its locus's table as it comes, so that
// neither the file nor its genotypes are ever held. The names, the numbers
// of loci, populations and individuals and the alleles per locus go to the
// run state; the tables stay in memory for the tests. The program's own
// reading rules apply (fixed-width codes, or genotypes cut by their digits),
// with a scripted run's strictness: a damaged line ends the run with one
// line that names the file, the line and the locus. There is no limit on
// loci or populations but memory; a locus holds at most 99 alleles.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/tables/counted_tables.h"
#include "input/tables/data_tables.h"
#include "input/tables/genotype_counter.h"
#include "input/genepop/individual_store.h"
#include "input/line_stream.h"
#include "run/run.h"

namespace ortelan {

// Reads `fileName` (bytes read are told to the run's meter).
DataTables readAndCount(RunContext& context, DataSummary& data, const std::string& fileName);

// The same from the file's text.
DataTables countText(RunContext& context, DataSummary& data, std::string_view text);

// What the readers of the two forms hand back besides the run state's names.
struct CountedData {
  std::unique_ptr<GenotypeCounter> counter;
  // Where the run keeps the genotypes (RunContext::keepGenotypes): each
  // individual's codes, the second of a haploid genotype kNoSecondCode.
  std::unique_ptr<IndividualStore> kept;
  long individuals = 0;
  int populations = 0;
  std::vector<std::string> labels;  // per population from 1: its last individual's name, trimmed
};

// The two forms: fixed-width allele codes (ortelan_3d, ortelan_2d) and
// genotypes cut by their number of digits (ortelan_c).
CountedData countFixedWidth(RunContext& context, DataSummary& data, LineStream& lines);
CountedData countByDigits(RunContext& context, DataSummary& data, LineStream& lines);

// The next line of the data file; a line longer than memory allows, or a
// file that cannot be read on, ends the run.
std::optional<std::string_view> nextLine(RunContext& context, LineStream& lines);

// "line 12: " for faults.
inline std::string lineLabel(long line) { return "line " + std::to_string(line) + ": "; }

// The code kept as the second allele of a haploid genotype.
inline constexpr std::uint16_t kNoSecondCode = 0xFFFF;

// A genotype of the other ploidy than the locus's others.
[[noreturn]] void mixedPloidy(RunContext& context, const DataSummary& data, long line, int locus);

}  // namespace ortelan
