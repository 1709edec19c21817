// The genotypic test of differentiation (Goudet, Raymond, de Meeüs and
// Rousset 1996, Genetics 144: 1933-1940): whole individuals, not genes,
// are permuted among populations. The chain walks the populations x
// genotypes table, whose margins (individuals per population, count of
// each genotype) stay, with the same Metropolis walk as CHAINE; a visited
// table counts when the G of the populations x alleles table it implies
// is at least the observed one's, ties included (chisquare/x_ln_x.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "chisquare/g_statistic.h"
#include "exacttest/chain.h"
#include "exacttest/ranmar.h"
#include "input/tables/count_table.h"

namespace ortelan {

// Walks `genotypes` (cells [1..N, 1..K], N >= 2 rows and K >= 2 columns,
// empty ones allowed) in place as CHAINE walks an allele table, with the
// same draws, switches and settings; `columns` gives the two allele
// columns (1..alleleColumns) of each genotype column. Any number of rows
// and columns. Throws std::invalid_argument, before any draw, when the
// table has fewer than two rows or columns, when `columns` does not fit
// (genotypeColumnsFit) or when the implied allele table would hold 2^31
// genes or more.
template <class Real>
ChainEstimate<Real> genotypicCHAINE(CountTable& genotypes, std::span<const GenotypeAlleles> columns,
                                    int alleleColumns, std::int32_t MEM, std::int32_t B, std::int32_t C,
                                    Ranmar& generator, ChainWorkspace* workspace = nullptr,
                                    const std::atomic<bool>* stop = nullptr);

}  // namespace ortelan
