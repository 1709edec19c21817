// F without the sample-size correction at one locus, from its populations x
// alleles table: the share of the expected heterozygosity that lies between
// populations. With n_i the genes typed in population i, w_i = n_i / sum n,
// p_ij the frequency of allele j there and pbar_j = sum_i w_i p_ij:
//   numerator = sum_j sum_i w_i (p_ij - pbar_j)^2
//   he        = sum_j pbar_j (1 - pbar_j), the expected heterozygosity
//   F         = numerator / he
// Unlike Weir and Cockerham's theta it is never below 0, so that the
// outlier test can fit a distribution to it. A population with no gene
// typed has no weight.
#pragma once

#include "input/tables/count_table.h"

namespace ortelan {

template <class Real>
struct UncorrectedF {
  int populationsTyped = 0;  // populations with a gene typed
  Real numerator = 0, he = 0;
};

template <class Real>
UncorrectedF<Real> uncorrectedF(const CountTable& alleles);

}  // namespace ortelan
