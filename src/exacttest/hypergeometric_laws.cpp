#include "exacttest/hypergeometric_laws.h"

#include <algorithm>
#include <cmath>

namespace ortelan {
namespace {

// Probabilities below this share of the mode's are left out.
constexpr double kNegligible = 0x1p-60;
// A split's laws are kept when their standard deviation is at most this:
// some 20 standard deviations of each are kept (below 2^-60 of the mode
// lies beyond about 9 on either side).
constexpr double kLargestKeptDeviation = 16;

}  // namespace

HypergeometricLaws::HypergeometricLaws(const std::vector<Split>& splits, const DrawTables& tables) {
  reset(splits, tables);
}

void HypergeometricLaws::reset(const std::vector<Split>& splits, const DrawTables& tables) {
  tables_ = tables;
  splits_ = splits;
  firstPlace_.clear();
  lawAt_.clear();
  pool_.clear();
  guide_.clear();
  for (const Split& split : splits) {
    // Its widest law, with half the group's genes marked.
    const double variance = static_cast<double>(split.draws) * static_cast<double>(split.total - split.draws) /
                            (4 * static_cast<double>(std::max<std::int64_t>(split.total - 1, 1)));
    if (variance > kLargestKeptDeviation * kLargestKeptDeviation) {
      firstPlace_.push_back(-1);
      continue;
    }
    firstPlace_.push_back(static_cast<std::int64_t>(lawAt_.size()));
    lawAt_.insert(lawAt_.end(), static_cast<std::size_t>(split.highest - split.lowest + 1), -1);
  }
}

std::int32_t HypergeometricLaws::make(const Split& split, std::int64_t marked) {
  const std::int64_t draws = split.draws, total = split.total, unmarked = total - marked;
  const std::int64_t lowest = std::max<std::int64_t>(0, draws - unmarked);
  const std::int64_t highest = std::min(draws, marked);
  const double* lnFactorial = tables_.lnFactorial;
  const double* reciprocal = tables_.reciprocal;
  const std::int64_t mode = std::clamp<std::int64_t>(
      static_cast<std::int64_t>(static_cast<double>((draws + 1) * (marked + 1)) * reciprocal[total + 2]), lowest,
      highest);
  const double atMode =
      std::exp((lnFactorial[marked] - lnFactorial[mode] - lnFactorial[marked - mode]) +
               (lnFactorial[unmarked] - lnFactorial[draws - mode] - lnFactorial[unmarked - draws + mode]) -
               (lnFactorial[total] - lnFactorial[draws] - lnFactorial[total - draws]));
  const std::int64_t gap = unmarked - draws;
  // The probabilities below the mode (from it down), then above it.
  std::vector<double>& below = below_;
  std::vector<double>& above = above_;
  below.assign(1, atMode);
  above.clear();
  for (std::int64_t x = mode; x > lowest && below.back() > kNegligible * atMode; --x) {
    below.push_back(below.back() * static_cast<double>(x * (gap + x)) *
                    (reciprocal[marked - x + 1] * reciprocal[draws - x + 1]));
  }
  double upP = atMode;
  for (std::int64_t x = mode; x < highest && upP > kNegligible * atMode; ++x) {
    upP *= static_cast<double>((marked - x) * (draws - x)) * (reciprocal[x + 1] * reciprocal[gap + x + 1]);
    above.push_back(upP);
  }
  const auto size = static_cast<std::int32_t>(below.size() + above.size());
  const std::size_t law = pool_.size();
  pool_.push_back(static_cast<double>(mode - static_cast<std::int64_t>(below.size() - 1)));
  pool_.push_back(size);
  const std::size_t start = pool_.size();
  double sum = 0;
  for (std::size_t i = below.size(); i-- > 0;) pool_.push_back(sum += below[i]);
  for (double p : above) pool_.push_back(sum += p);
  for (std::size_t i = start; i < pool_.size(); ++i) pool_[i] /= sum;
  // A uniform below 1 always stops at the last value.
  pool_.back() = 2;
  guide_.resize(start, 0);
  std::int32_t place = 0;
  for (std::int32_t g = 0; g < size; ++g) {
    const double from = static_cast<double>(g) / static_cast<double>(size);
    while (pool_[start + static_cast<std::size_t>(place)] <= from) ++place;
    guide_.push_back(place);
  }
  return static_cast<std::int32_t>(law);
}

}  // namespace ortelan
