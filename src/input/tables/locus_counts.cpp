#include "input/tables/locus_counts.h"

namespace ortelan {

ColumnSummary summarizeColumns(const LocusCounts& counts, int populations) {
  ColumnSummary summary;
  for (int code = 0; code <= kMaxAlleleCode; ++code) {
    std::int32_t total = 0;
    for (int pop = 1; pop <= populations; ++pop) total += counts.TABLE[pop][code];
    summary.NUMBGENES_PER_COL[code] = total;
    summary.TEMPTNG += total;
    if (code > 0 && total > 0) ++summary.alleles;
  }
  return summary;
}

bool AlleleColumns::number() {
  int next = 0;
  column_[0] = 0;
  for (int code = 1; code <= kMaxCodeValue; ++code) {
    if (seen_[static_cast<std::size_t>(code)] == 0) continue;
    if (++next > kMaxAlleles) return false;
    column_[static_cast<std::size_t>(code)] = static_cast<std::uint8_t>(next);
  }
  return true;
}

}  // namespace ortelan
