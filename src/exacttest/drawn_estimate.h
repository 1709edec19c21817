// The P-value of a locus whose tables are too many to list, from tables
// drawn independently: under the null (table_sampler.h), and for a table
// of two rows or two columns whose drawn tables stay short of the observed
// one, from the law tilted into the far tail (tail_p.h).
//
// How a locus chooses. It draws tables under the null, as many as
// kTailLook at first. Most loci are settled there: a locus at P >= 0.1
// reaches its hits (100) in a few hundred tables. A locus that has fewer
// than kFewHits (or its hits, if fewer) among those tables lies, all but
// surely, below P = 0.005; where the tilted law applies (its P is listed
// where that is cheap, so under --exact auto), and the locus's budget,
// the cost of its walk less what it has drawn, pays at least for its
// recursion, it goes on to the tail. Every other locus goes on drawing
// under the null, as if it had never stopped: the same draws, the same P.
// A locus at P = 1e-4 has 5 hits or more in 1000 tables once in 10^7.
//
// Reproducible: every draw comes from the locus's own generator, in the
// same order, whatever thread or shard takes the locus.
#pragma once

#include <atomic>

#include "exacttest/chain.h"
#include "exacttest/locus_estimate.h"
#include "exacttest/ranmar.h"
#include "exacttest/table_loader.h"
#include "exacttest/table_sampler.h"

namespace ortelan {

inline constexpr std::int64_t kTailLook = 1000;
inline constexpr std::int64_t kFewHits = 5;

// How long independent tables are drawn: until `hits` count, or as many
// tables as the walk's steps would cost, unless told how many.
SamplingLimits samplingLimitsFor(const LoadedTable& table);

template <class Real>
LocusEstimate<Real> drawnEstimate(const LoadedTable& table, Ranmar& generator, ChainWorkspace& workspace,
                                  const std::atomic<bool>* stop);

}  // namespace ortelan
