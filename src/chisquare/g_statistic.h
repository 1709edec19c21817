// The log-likelihood ratio statistic G of a populations x alleles table,
// and the allele table that a populations x genotypes table implies.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "input/tables/count_table.h"

namespace ortelan {

template <class Real>
struct GStatistic {
  Real G = 0;
  Real DF = 0;  // (non-empty rows - 1) (non-empty columns - 1), 0 without data
};

// G = 2 Σ O ln(O / E) over the cells [1..rows, 1..columns], E = R C / T
// from the margins (Sokal and Rohlf, Biometry, the G-test of
// independence), with empty cells, rows and columns adding nothing. Each
// term is taken as O ln(O T / (R C)) from exact integer products, so G
// is within a few T epsilon of its true value (epsilon of Real).
template <class Real>
GStatistic<Real> gStatistic(const CountTable& table);

// The two allele columns (from 1) of a genotype column: a/b, a <= b.
struct GenotypeAlleles {
  int a = 0, b = 0;
};

// The columns of a genotype table whose columns are the genotypes `keys`
// (genotypeKey, increasing): each one's two allele columns, in the allele
// table of the alleles those genotypes hold (increasing codes), whose
// number goes to `alleleColumns`.
std::vector<GenotypeAlleles> genotypeColumnsOf(std::span<const std::uint32_t> keys, int& alleleColumns);

// Whether every genotype column's alleles lie in 1..alleleColumns, with
// one entry per column of a table of `genotypeColumns`.
bool genotypeColumnsFit(std::span<const GenotypeAlleles> columns, int genotypeColumns, int alleleColumns);

// Each individual gives its two genes to its population's row: the
// populations x alleles table of `genotypes`, whose columns carry the
// alleles `columns` gives them. Throws std::invalid_argument when the
// columns do not fit (genotypeColumnsFit).
CountTable impliedAlleleTable(const CountTable& genotypes, std::span<const GenotypeAlleles> columns,
                              int alleleColumns);

}  // namespace ortelan
