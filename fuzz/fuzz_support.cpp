#include "fuzz/fuzz_support.h"

#include <cstdlib>

namespace ortelan::fuzzing {

void RecordingSink::writeLocus(int locus, std::string_view name, const LocusCounts& counts,
                               const ColumnSummary& columns, int populations) {
  // What a table may hold: counts within the data model, margins that add up.
  if (populations < 0 || populations > kMaxPopulations || columns.alleles < 0 || columns.alleles > kMaxAlleleCode) {
    std::abort();
  }
  record += std::to_string(locus) + " " + std::string(name) + " " + std::to_string(populations) + " " +
            std::to_string(columns.alleles) + " " + std::to_string(columns.TEMPTNG) + ":";
  for (int pop = 1; pop <= populations; ++pop) {
    for (int code = 0; code <= kMaxAlleleCode; ++code) {
      if (counts.TABLE[pop][code] < 0) std::abort();
      if (counts.TABLE[pop][code] > 0) record += " " + std::to_string(pop * 1000 + code) + "=" +
                                                 std::to_string(counts.TABLE[pop][code]);
    }
  }
  record += "\n";
}

}  // namespace ortelan::fuzzing
