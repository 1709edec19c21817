#include "chisquare/g_statistic.h"

#include "input/tables/genotype_counter.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace ortelan {

template <class Real>
GStatistic<Real> gStatistic(const CountTable& table) {
  std::vector<std::int64_t> rowTotals(static_cast<std::size_t>(table.rows) + 1, 0);
  std::vector<std::int64_t> columnTotals(static_cast<std::size_t>(table.columns) + 1, 0);
  std::int64_t T = 0;
  for (int I = 1; I <= table.rows; ++I) {
    for (int J = 1; J <= table.columns; ++J) {
      rowTotals[static_cast<std::size_t>(I)] += table.at(I, J);
      columnTotals[static_cast<std::size_t>(J)] += table.at(I, J);
      T += table.at(I, J);
    }
  }
  GStatistic<Real> result;
  if (T == 0) return result;
  const auto nonEmpty = [](const std::vector<std::int64_t>& totals) {
    std::int64_t count = 0;
    for (std::size_t k = 1; k < totals.size(); ++k) count += totals[k] != 0 ? 1 : 0;
    return count;
  };
  result.DF = static_cast<Real>((nonEmpty(rowTotals) - 1) * (nonEmpty(columnTotals) - 1));
  Real sum = 0;
  for (int I = 1; I <= table.rows; ++I) {
    for (int J = 1; J <= table.columns; ++J) {
      const std::int64_t O = table.at(I, J);
      if (O == 0) continue;
      const Real observedTimesTotal = static_cast<Real>(O) * static_cast<Real>(T);
      const Real expectedTimesTotal = static_cast<Real>(rowTotals[static_cast<std::size_t>(I)]) *
                                      static_cast<Real>(columnTotals[static_cast<std::size_t>(J)]);
      sum += static_cast<Real>(O) * std::log(observedTimesTotal / expectedTimesTotal);
    }
  }
  result.G = 2 * sum;
  return result;
}

std::vector<GenotypeAlleles> genotypeColumnsOf(std::span<const std::uint32_t> keys, int& alleleColumns) {
  std::vector<int> codes;
  for (std::uint32_t key : keys) {
    codes.push_back(firstAlleleOf(key));
    codes.push_back(secondAlleleOf(key));
  }
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  alleleColumns = static_cast<int>(codes.size());
  const auto columnOf = [&codes](int code) {
    return static_cast<int>(std::lower_bound(codes.begin(), codes.end(), code) - codes.begin()) + 1;
  };
  std::vector<GenotypeAlleles> columns;
  for (std::uint32_t key : keys) columns.push_back({columnOf(firstAlleleOf(key)), columnOf(secondAlleleOf(key))});
  return columns;
}

bool genotypeColumnsFit(std::span<const GenotypeAlleles> columns, int genotypeColumns, int alleleColumns) {
  if (columns.size() != static_cast<std::size_t>(genotypeColumns)) return false;
  for (const GenotypeAlleles& genotype : columns) {
    if (genotype.a < 1 || genotype.a > alleleColumns || genotype.b < 1 || genotype.b > alleleColumns) return false;
  }
  return true;
}

CountTable impliedAlleleTable(const CountTable& genotypes, std::span<const GenotypeAlleles> columns,
                              int alleleColumns) {
  if (!genotypeColumnsFit(columns, genotypes.columns, alleleColumns)) {
    throw std::invalid_argument("genotype columns do not fit the allele columns");
  }
  CountTable alleles;
  alleles.resize(genotypes.rows, alleleColumns);
  for (int I = 1; I <= genotypes.rows; ++I) {
    for (int J = 1; J <= genotypes.columns; ++J) {
      const GenotypeAlleles& genotype = columns[static_cast<std::size_t>(J - 1)];
      alleles.at(I, genotype.a) += genotypes.at(I, J);
      alleles.at(I, genotype.b) += genotypes.at(I, J);
    }
  }
  return alleles;
}

template GStatistic<double> gStatistic<double>(const CountTable&);
template GStatistic<long double> gStatistic<long double>(const CountTable&);

}  // namespace ortelan
