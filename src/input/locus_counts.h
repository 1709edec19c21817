// The contingency table of one locus as it is counted: gene copies per
// population (rows 1..100) and allele code (columns 0..99, 0 = missing).
#pragma once

#include <array>
#include <cstdint>

#include "run/run_state.h"

namespace ortelan {

struct LocusCounts {
  std::array<std::array<std::int32_t, kMaxAlleleCode + 1>, kMaxPopulations + 1> TABLE{};

  void clear() { TABLE = {}; }
};

// Column totals over populations 1..populations, and what follows from them.
struct ColumnSummary {
  std::array<std::int32_t, kMaxAlleleCode + 1> NUMBGENES_PER_COL{};
  int alleles = 0;             // codes 1..99 with a positive total
  std::int32_t TEMPTNG = 0;    // all genes counted, missing ones included
};

ColumnSummary summarizeColumns(const LocusCounts& counts, int populations);

}  // namespace ortelan
