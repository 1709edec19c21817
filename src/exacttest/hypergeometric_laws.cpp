#include "exacttest/hypergeometric_laws.h"

#include <algorithm>
#include <limits>

namespace ortelan {
namespace {

// Probabilities below this share of the mode's are left out.
constexpr double kNegligible = 0x1p-24;
// A split's laws are kept when their standard deviation is at most this:
// some 12 standard deviations of each are kept (below 2^-24 of the mode
// lies beyond about 5.8 on either side).
constexpr double kLargestKeptDeviation = 16;
// The laws are forgotten when their places or their guides outgrow these.
constexpr std::size_t kMostPlaces = std::size_t{1} << 17;
constexpr std::size_t kMostPool = std::size_t{1} << 18;
// A guide entry starts its search at or before the first value whose
// cumulative probability exceeds the entry's uniforms, whatever the
// rounding of uniform * G: its bounds are taken this much wider.
constexpr double kGuideSlack = 0x1p-40;
// Guide entries per value kept: enough that most lie within one value.
constexpr std::int32_t kGuidesPerValue = 4;

}  // namespace

std::int64_t HypergeometricLaws::placeOf(std::int64_t draws, std::int64_t total) {
  // Its widest law, with half the group's genes marked.
  const double variance = static_cast<double>(draws) * static_cast<double>(total - draws) /
                          (4 * static_cast<double>(std::max<std::int64_t>(total - 1, 1)));
  if (variance > kLargestKeptDeviation * kLargestKeptDeviation) return -1;
  const std::uint64_t key = (static_cast<std::uint64_t>(draws) << 32) | static_cast<std::uint64_t>(total);
  const auto [found, added] = places_.try_emplace(key, static_cast<std::int64_t>(lawAt_.size()));
  if (added) lawAt_.insert(lawAt_.end(), static_cast<std::size_t>(total + 1), -1);
  return found->second;
}

void HypergeometricLaws::trim() {
  if (lawAt_.size() <= kMostPlaces && guide_.size() <= kMostPool) return;
  places_.clear();
  lawAt_.clear();
  pool_.clear();
  guide_.clear();
  ++generation_;
}

std::int32_t HypergeometricLaws::make(std::int64_t draws, std::int64_t total, std::int64_t marked,
                                      const DrawTables& tables) {
  const std::size_t first = pool_.size();
  // The search's values until two in a row are negligible: past the mode,
  // both sides are then (each side's probabilities fall away from it).
  std::int64_t mode = -1;
  double cut = 0;
  bool lastNegligible = false;
  modalSearch(draws, marked, total, tables, [&](std::int64_t value, double probability, double cumulative) {
    if (mode < 0) {
      mode = value;
      cut = kNegligible * probability;
    }
    pool_.push_back(cumulative);
    const bool negligible = probability < cut;
    const bool stop = negligible && lastNegligible;
    lastNegligible = negligible;
    return stop;
  });
  const auto size = static_cast<std::int32_t>(pool_.size() - first);
  pool_.push_back(std::numeric_limits<double>::infinity());
  const std::int64_t lowest = std::max<std::int64_t>(0, draws - (total - marked));
  const std::int64_t highest = std::min(draws, marked);
  const std::int32_t guides = kGuidesPerValue * size;
  const auto law = static_cast<std::int32_t>(guide_.size());
  guide_.push_back(guides);
  guide_.push_back(static_cast<std::int32_t>(first));
  guide_.push_back(size);
  guide_.push_back(static_cast<std::int32_t>(mode));
  guide_.push_back(static_cast<std::int32_t>(std::min(highest - mode, mode - lowest)));
  guide_.push_back(highest - mode > mode - lowest ? 1 : -1);
  const double* cumulative = &pool_[first];
  std::int32_t place = 0;
  for (std::int32_t g = 0; g < guides; ++g) {
    // Every uniform the entry is looked up for, whatever its rounding,
    // lies between these.
    const double from = static_cast<double>(g) / static_cast<double>(guides) * (1 - kGuideSlack);
    const double to = static_cast<double>(g + 1) / static_cast<double>(guides) * (1 + kGuideSlack);
    while (place < size && cumulative[place] <= from) ++place;
    guide_.push_back(place < size && cumulative[place] > to ? place : -1 - place);
  }
  return law;
}

}  // namespace ortelan
