// The contingency table of one locus as it is counted: gene copies per
// population (rows 1..100) and column (0 = missing alleles, then one
// column per allele present, in increasing code order).
#pragma once

#include <array>
#include <cstdint>

#include "run/run_state.h"

namespace ortelan {

// Allele codes run from 1 to 999 (three digits); a locus holds at most 99
// distinct alleles, one table column each.
inline constexpr int kMaxCodeValue = 999;
inline constexpr int kMaxAlleles = kMaxAlleleCode;

struct LocusCounts {
  std::array<std::array<std::int32_t, kMaxAlleleCode + 1>, kMaxPopulations + 1> TABLE{};

  void clear() { TABLE = {}; }
};

// Column totals over populations 1..populations, and what follows from them.
struct ColumnSummary {
  std::array<std::int32_t, kMaxAlleleCode + 1> NUMBGENES_PER_COL{};
  int alleles = 0;             // columns 1..99 with a positive total
  std::int32_t TEMPTNG = 0;    // all genes counted, missing ones included
};

ColumnSummary summarizeColumns(const LocusCounts& counts, int populations);

// Which table column each allele code of a locus takes: the codes seen, in
// increasing order, numbered from 1; code 0 (missing) keeps column 0. With
// codes below 100 a code's column stands where the code itself would, but
// for the empty columns between, which the table data leaves out anyway.
class AlleleColumns {
 public:
  void clear() { seen_.fill(0); }
  void see(int code) { seen_[static_cast<std::size_t>(code)] = 1; }
  // Numbers the codes seen; false when they are more than kMaxAlleles.
  bool number();
  int operator[](int code) const { return column_[static_cast<std::size_t>(code)]; }

 private:
  std::array<std::uint8_t, kMaxCodeValue + 1> seen_{};
  std::array<std::uint8_t, kMaxCodeValue + 1> column_{};
};

}  // namespace ortelan
