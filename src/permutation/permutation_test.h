// One permutation test over loci: the observed G summed over loci against
// its values under B permutations (permutation_design.h), with the P-value
// and limits of the exact test's independent tables (exacttest/sampled_p.h):
// P = (h + 1) / (B + 1) of h permutations at least as extreme in B, never
// 0, with Clopper and Pearson's 95 % limits; h / B when the test stopped at
// its h-th hit (Besag and Clifford 1991), as the sampler stops. A
// permutation counts when its summed G is at least the observed one, less
// the rounding both may carry (SummedG::tieMargin).
//
// The permutations are drawn and counted in rounds, each one pass over the
// loci; the hits are counted in the permutations' order, so the test stops
// at the same permutation whatever the rounds. Kept whole (for a merge of
// shards, which adds their sums permutation by permutation), every one of
// the B permutations is made, and the P-value is the same.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "exacttest/sampled_p.h"
#include "permutation/permutation_design.h"
#include "permutation/summed_g.h"

namespace ortelan {

// G in units of 2^-26 as a real.
template <class Real>
Real gOfUnits(std::int64_t units) {
  return static_cast<Real>(units) / static_cast<Real>(std::int64_t{1} << 26);
}

template <class Real>
struct PermutationOutcome {
  long loci = 0;                 // loci with two alleles or more
  std::int64_t observed = 0;     // Σ G as observed, units of 2^-26
  std::int64_t tie = 0;          // the tie margin, units
  SampledCount count;            // permutations made, hits, whether it stopped
  SampledP<Real> p;
  std::vector<std::int64_t> permuted;  // Σ G of permutations 1, 2 ...: all B when kept, else those counted
};

// The hits of `permuted` in order, stopping at the `hits`-th: what the test
// counts, over one shard's loci or over shards' sums added.
SampledCount countHits(std::int64_t observed, std::int64_t tie, std::span<const std::int64_t> permuted,
                       std::int64_t hits);

struct PermutationSettings {
  long permutations = 0;  // B
  std::int64_t hits = 100;
  bool keepAll = false;   // make and keep all B, for a merge
  int workers = 1;
  // Told of the permutations made, round by round, and at the end of the
  // rest of B that a test that stopped did not make.
  std::function<void(long)> made{};
};

// Units: individuals (ofIndividuals) or whole populations (ofPopulations).
enum class PermutedUnits { Individuals, Populations };

template <class Real>
PermutationOutcome<Real> permutationTest(const SummedG& statistic, const PermutationDesign& design, PermutedUnits units,
                                         std::uint64_t key, const PermutationSettings& settings,
                                         const std::function<void()>& whileWaiting);

// The P-value and limits of a count.
template <class Real>
SampledP<Real> permutationP(const SampledCount& count) {
  return sampledPValue<Real>(count);
}

}  // namespace ortelan
