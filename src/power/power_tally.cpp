#include "power/power_tally.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ortelan {

std::int64_t thetaUnits(double theta) {
  // Theta lies between about -1 / (nbar - 1) and 1; the clamp keeps the
  // sums of any run within 64 bits.
  return std::llround(std::clamp(theta, -4.0, 4.0) / kThetaUnit);
}

TargetTally::TargetTally(std::size_t loci, std::size_t levels)
    : chi2(loci * levels, 0),
      exact(loci * levels, 0),
      unsettled(loci * levels, 0),
      fisher(levels, 0),
      fisherUnsettled(levels, 0),
      summedChi2(levels, 0) {}

void TargetTally::add(const ReplicateOutcome& outcome) {
  ++replicates;
  for (std::size_t k = 0; k < chi2.size(); ++k) {
    chi2[k] += outcome.chi2[k];
    exact[k] += outcome.exact[k];
    unsettled[k] += outcome.unsettled[k];
  }
  for (std::size_t a = 0; a < fisher.size(); ++a) {
    fisher[a] += outcome.fisher[a];
    fisherUnsettled[a] += outcome.fisherUnsettled[a];
    summedChi2[a] += outcome.summedChi2[a];
  }
  if (outcome.theta == outcome.theta) {
    ++thetaReplicates;
    thetaSum += thetaUnits(outcome.theta);
  }
}

void TargetTally::add(const TargetTally& other) {
  replicates += other.replicates;
  for (std::size_t k = 0; k < chi2.size(); ++k) {
    chi2[k] += other.chi2[k];
    exact[k] += other.exact[k];
    unsettled[k] += other.unsettled[k];
  }
  for (std::size_t a = 0; a < fisher.size(); ++a) {
    fisher[a] += other.fisher[a];
    fisherUnsettled[a] += other.fisherUnsettled[a];
    summedChi2[a] += other.summedChi2[a];
  }
  thetaReplicates += other.thetaReplicates;
  thetaSum += other.thetaSum;
}

template <class Real>
Real TargetTally::meanTheta() const {
  if (thetaReplicates == 0) return std::numeric_limits<Real>::quiet_NaN();
  return static_cast<Real>(thetaSum) * static_cast<Real>(kThetaUnit) / static_cast<Real>(thetaReplicates);
}

template <class Real>
PowerEstimate<Real> powerEstimate(std::int64_t rejections, std::int64_t replicates) {
  const ClopperPearson<Real> limits = clopperPearson<Real>(rejections, replicates);
  return {static_cast<Real>(rejections) / static_cast<Real>(replicates), limits.low, limits.high};
}

template double TargetTally::meanTheta<double>() const;
template long double TargetTally::meanTheta<long double>() const;
template PowerEstimate<double> powerEstimate<double>(std::int64_t, std::int64_t);
template PowerEstimate<long double> powerEstimate<long double>(std::int64_t, std::int64_t);

}  // namespace ortelan
