#include "exacttest/hypergeometric_laws.h"

#include <algorithm>
#include <cmath>

namespace ortelan {
namespace {

// Probabilities below this share of the mode's are left out.
constexpr double kNegligible = 0x1p-60;
// A law is kept when its standard deviation is at most this: some 30
// standard deviations of it are kept (below 2^-60 of the mode lies beyond
// about 9 on either side).
constexpr double kLargestKeptDeviation = 12;

}  // namespace

HypergeometricLaws::HypergeometricLaws(const std::vector<std::int64_t>& itemTotals, std::int64_t marked,
                                       const DrawTables& tables)
    : tables_(tables), draws_(itemTotals) {
  const std::size_t items = itemTotals.size();
  totals_.assign(items, 0);
  std::int64_t after = 0;
  for (std::size_t k = items; k-- > 0;) totals_[k] = after += itemTotals[k];
  const std::int64_t genes = after;
  lowestMarked_.assign(items, 0);
  lawOf_.resize(items);
  for (std::size_t k = 0; k < items; ++k) {
    // Before item k the items before it have dealt genes - totals_[k]
    // genes: the first column lacks at least marked - that many, and at
    // most all it had and no more than the items left hold.
    const std::int64_t dealt = genes - totals_[k];
    const std::int64_t lowest = std::max<std::int64_t>(0, marked - dealt);
    const std::int64_t highest = std::min(marked, totals_[k]);
    lowestMarked_[k] = lowest;
    lawOf_[k].assign(static_cast<std::size_t>(highest - lowest + 1), -1);
  }
}

bool HypergeometricLaws::suit(const std::vector<std::int64_t>& itemTotals, std::int64_t marked) {
  std::int64_t genes = 0;
  for (std::int64_t t : itemTotals) genes += t;
  if (genes < 2) return true;
  // The widest law is that of the first item: its variance is at most
  // t (1 - t / N) / 4 when marked is half of the genes.
  const double p = static_cast<double>(marked) / static_cast<double>(genes);
  for (std::int64_t t : itemTotals) {
    const double variance = static_cast<double>(t) * p * (1 - p) * static_cast<double>(genes - t) /
                            static_cast<double>(genes - 1);
    if (variance > kLargestKeptDeviation * kLargestKeptDeviation) return false;
  }
  return true;
}

std::int32_t HypergeometricLaws::make(std::size_t k, std::int64_t marked) {
  const std::int64_t draws = draws_[k], total = totals_[k], unmarked = total - marked;
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
  std::vector<double> below{atMode}, above;
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
  const std::size_t start = cumulative_.size();
  double sum = 0;
  for (std::size_t i = below.size(); i-- > 0;) cumulative_.push_back(sum += below[i]);
  for (double p : above) cumulative_.push_back(sum += p);
  for (std::size_t i = start; i < cumulative_.size(); ++i) cumulative_[i] /= sum;
  // A uniform below 1 always stops at the last value.
  cumulative_.back() = 2;
  std::int32_t place = 0;
  for (std::int32_t g = 0; g < size; ++g) {
    const double from = static_cast<double>(g) / static_cast<double>(size);
    while (cumulative_[start + static_cast<std::size_t>(place)] <= from) ++place;
    guide_.push_back(place);
  }
  laws_.push_back({mode - static_cast<std::int64_t>(below.size() - 1), start, size});
  return static_cast<std::int32_t>(laws_.size() - 1);
}

}  // namespace ortelan
