// Weir and Cockerham's variance components of allele frequencies at one
// locus, summed over its alleles, over some of its populations (all of
// them, or a pair).
//
// Diploid loci: the three components of Weir, B.S. and Cockerham, C.C.
// (1984), "Estimating F-statistics for the analysis of population
// structure", Evolution 38: 1358-1370, equations (2)-(4): a between
// populations, b between individuals within populations, c between the
// genes within individuals. For allele u, over the r populations with an
// individual typed (n_i typed in population i, n = sum n_i, nbar = n / r,
// n_c = (n - sum n_i^2 / n) / (r - 1)), with p_i the allele's frequency in
// population i, pbar = sum n_i p_i / n, s2 = sum n_i (p_i - pbar)^2 /
// ((r - 1) nbar) and hbar = sum n_i h_i / n, h_i the share of population
// i's individuals that are heterozygous for u:
//   a = nbar / n_c [s2 - (pbar (1 - pbar) - (r - 1) s2 / r - hbar / 4) / (nbar - 1)]
//   b = nbar / (nbar - 1) [pbar (1 - pbar) - (r - 1) s2 / r - (2 nbar - 1) hbar / (4 nbar)]
//   c = hbar / 2
// The heterozygotes come from the genotypes, so no Hardy-Weinberg
// proportions are assumed; an individual with a missing allele is not
// typed. The bracket pbar (1 - pbar) - (r - 1) s2 / r is computed as the
// equal sum n_i p_i (1 - p_i) / n, which has no cancellation (and is
// exactly 0 where every population is fixed).
//
// Haploid loci: the analysis of variance of gene frequencies with genes
// within populations alone (Weir, B.S. 1996, Genetic Data Analysis II,
// Sinauer, chapter 5; the one-level form of the same analysis of
// Cockerham 1973), n_i the genes (individuals) typed: a = (MSP - MSW) /
// n_c and b = MSW, which are the diploid a and b with hbar = 0; there is
// no c. Then theta = sum a / sum (a + b).
//
// The estimates are unbiased ratios of components, not frequencies: a can
// be negative where populations differ less than sampling alone would make
// them, and theta below 0 then says so. They are never clamped.
#pragma once

#include <optional>
#include <span>

#include "fstat/locus_sample.h"

namespace ortelan {

// Summed over the alleles; c is 0 at a haploid locus.
template <class Real>
struct VarianceComponents {
  Real a = 0, b = 0, c = 0;
};

// The components over populations `rows` (from 0) of `sample`, leaving out
// those with no individual typed. None where they are not defined: fewer
// than two populations typed, fewer than two alleles among them, a single
// individual typed in each population (nbar = 1), or no variance at all
// (a + b + c not above 0).
template <class Real>
std::optional<VarianceComponents<Real>> varianceComponents(const LocusSample& sample, std::span<const int> rows);

}  // namespace ortelan
