// The tables of the walks' and the samplers' benchmarks: the same shapes
// and counts in both, so that their costs compare.
#pragma once

#include <cstdint>
#include <vector>

#include "chisquare/g_statistic.h"
#include "input/tables/count_table.h"

namespace ortelan::bench {

// A populations x alleles table with a fixed pseudo-random pattern of
// counts: some rare alleles (small counts, a few zeros) beside common ones.
inline CountTable patternTable(int rows, int columns, int largestCount) {
  CountTable table;
  table.resize(rows, columns);
  std::uint32_t state = 12345u + static_cast<std::uint32_t>(rows * 100 + columns);
  for (int I = 1; I <= rows; ++I) {
    for (int J = 1; J <= columns; ++J) {
      state = state * 1103515245u + 12345u;
      const int common = (J % 3 == 1) ? largestCount : largestCount / 4 + 1;
      table.at(I, J) = static_cast<int>((state >> 16) % static_cast<std::uint32_t>(common + 1));
    }
  }
  return table;
}

inline std::int64_t totalOf(const CountTable& table) {
  std::int64_t total = 0;
  for (int I = 1; I <= table.rows; ++I) {
    for (int J = 1; J <= table.columns; ++J) total += table.at(I, J);
  }
  return total;
}

// The genotypes a/b, a <= b, of `alleles` alleles in increasing order.
inline std::vector<GenotypeAlleles> allGenotypes(int alleles) {
  std::vector<GenotypeAlleles> genotypes;
  for (int a = 1; a <= alleles; ++a) {
    for (int b = a; b <= alleles; ++b) genotypes.push_back({a, b});
  }
  return genotypes;
}

}  // namespace ortelan::bench
