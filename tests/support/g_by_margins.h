// G of a table by the margins' form, apart from the one the program uses:
// 2 (Σ O ln O - Σ R ln R - Σ C ln C + T ln T), in long double; and the
// allele table of a genotype table, counted gene by gene.
#pragma once

#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace ortelan::testing {

inline long double xLnX(long double x) { return x > 0 ? x * std::log(x) : 0.0L; }

inline double gByMargins(const std::vector<std::vector<int>>& rows) {
  std::vector<long double> columnTotals(rows[0].size(), 0.0L);
  long double cells = 0, rowTerms = 0, total = 0;
  for (const auto& row : rows) {
    long double rowTotal = 0;
    for (std::size_t J = 0; J < row.size(); ++J) {
      cells += xLnX(row[J]);
      rowTotal += row[J];
      columnTotals[J] += row[J];
    }
    rowTerms += xLnX(rowTotal);
    total += rowTotal;
  }
  long double columnTerms = 0;
  for (long double columnTotal : columnTotals) columnTerms += xLnX(columnTotal);
  return static_cast<double>(2 * (cells - rowTerms - columnTerms + xLnX(total)));
}

// `genotypes` (alleles from 1) of each column of `rows`, `alleles` alleles.
inline std::vector<std::vector<int>> allelesOfGenotypes(const std::vector<std::vector<int>>& rows,
                                                        const std::vector<std::pair<int, int>>& genotypes,
                                                        int alleles) {
  std::vector<std::vector<int>> counts(rows.size(), std::vector<int>(static_cast<std::size_t>(alleles), 0));
  for (std::size_t I = 0; I < rows.size(); ++I) {
    for (std::size_t J = 0; J < genotypes.size(); ++J) {
      for (int individual = 0; individual < rows[I][J]; ++individual) {
        ++counts[I][static_cast<std::size_t>(genotypes[J].first - 1)];
        ++counts[I][static_cast<std::size_t>(genotypes[J].second - 1)];
      }
    }
  }
  return counts;
}

}  // namespace ortelan::testing
