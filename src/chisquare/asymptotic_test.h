// The statistic that stands beside a locus's exact test, with its degrees
// of freedom: Pearson's chi-square of the allele table for the genic test,
// G of the allele table for the tests ordered by G. The genotypic test's
// table holds genotypes: its G is that of the allele table it implies, in
// which each individual gives its two genes to its population's row; its
// chi-square tail assumes independent genes, as the exact test does not.
#pragma once

#include <cstdint>
#include <vector>

#include "input/tables/count_table.h"
#include "run/run_state.h"

namespace ortelan {

// `table` is the locus's allele table, or for the genotypic test its
// genotype table, whose columns are the genotypes `genotypeKeys`.
template <class Real>
void asymptoticStatistic(ExactTest test, const CountTable& table, const std::vector<std::uint32_t>* genotypeKeys,
                         Real& statistic, Real& DF);

}  // namespace ortelan
