// The replicates of one target summed up: how many times each test
// rejected, at each locus and level, and the mean theta of the samples.
// Every sum is of whole numbers, so the tallies of replicates on any
// threads, or of shards of the replicates, add up to the same table.
#pragma once

#include <cstdint>
#include <vector>

#include "exacttest/sampled_p.h"
#include "power/replicate_tests.h"

namespace ortelan {

// Each replicate's theta is kept to a whole multiple of 2^-30 (about
// 1e-9): sums of them are exact, in any order.
inline constexpr double kThetaUnit = 0x1p-30;
std::int64_t thetaUnits(double theta);

struct TargetTally {
  std::int64_t replicates = 0;
  // Per locus of the design (i) and level (a), at [i * levels + a].
  std::vector<std::int64_t> chi2, exact, unsettled;
  std::vector<std::int64_t> fisher, fisherUnsettled, summedChi2;  // per level
  std::int64_t thetaReplicates = 0;  // those with a theta
  std::int64_t thetaSum = 0;         // in units of kThetaUnit

  TargetTally() = default;
  TargetTally(std::size_t loci, std::size_t levels);

  void add(const ReplicateOutcome& outcome);
  void add(const TargetTally& other);

  // The mean theta over the replicates with one; NaN without.
  template <class Real>
  Real meanTheta() const;
};

// A share of the replicates that rejected, with its 95 % Clopper-Pearson
// limits.
template <class Real>
struct PowerEstimate {
  Real power = 0, low = 0, high = 1;
};
template <class Real>
PowerEstimate<Real> powerEstimate(std::int64_t rejections, std::int64_t replicates);

}  // namespace ortelan
