#include "input/locus_counts.h"

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

}  // namespace ortelan
