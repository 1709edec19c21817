// A 95 % confidence interval of the multilocus theta by resampling loci,
// the percentile bootstrap (Efron, B. and Tibshirani, R.J. 1993, An
// Introduction to the Bootstrap, chapter 13). Each replicate draws as many
// loci as there are, with replacement, and takes sum fst_num / sum fst_den
// over its draw, summed in the order drawn; the limits are the 2.5 % and
// 97.5 % quantiles of the replicates' estimates, interpolated between order
// statistics as R's quantile() does by default (type 7).
//
// The draws: replicate k (from 0) has a generator of its own, SplitMix64
// (Steele, Lea and Flood 2014: state += 0x9E3779B97F4A7C15, output
// mix64(state)) whose state starts at chainKey(key, {k}); the index of a
// draw among m loci is the high word of the 128-bit product of an output
// and m, an output that would favour some indices being drawn again
// (Lemire 2019, "Fast random integer generation in an interval", ACM TOMACS
// 29: 3). Whole-number arithmetic throughout: the same key, replicates and
// loci give the same limits on any platform and any number of threads, and
// a run's limits can be recomputed from its table's rows.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace ortelan {

// (fst_num, fst_den) of each locus with components, in table order.
template <class Real>
using LocusComponents = std::vector<std::pair<Real, Real>>;

template <class Real>
struct BootstrapLimits {
  Real low = 0, high = 0;
};

// Replicate k's estimate; `loci` holds at least one locus.
template <class Real>
Real bootstrapReplicate(std::span<const std::pair<Real, Real>> loci, std::uint64_t key, long k);

// The limits from the replicates' estimates (sorted here); none without any.
template <class Real>
std::optional<BootstrapLimits<Real>> percentileLimits(std::vector<Real> estimates);

// All of it on this thread: `replicates` replicates of `loci` under `key`;
// none without loci or replicates.
template <class Real>
std::optional<BootstrapLimits<Real>> bootstrapLimits(std::span<const std::pair<Real, Real>> loci, std::uint64_t key,
                                                     long replicates);

}  // namespace ortelan
