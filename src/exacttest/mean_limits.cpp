#include "exacttest/mean_limits.h"

#include <algorithm>
#include <cmath>

namespace ortelan {
namespace {

// The largest weight: the bound's penalty psi(l) grows fast as l nears 1.
constexpr double kLargestWeight = 0.5;

// psi(l) = (-ln(1 - l) - l) / 4.
double psi(double l) { return (-std::log1p(-l) - l) / 4; }

}  // namespace

MeanLimits::MeanLimits(double miss) : lnTwoOverMiss_(std::log(2 / miss)) {}

void MeanLimits::plan(double draws) { planned_ = std::max(draws, 1.0); }

void MeanLimits::add(double x) {
  const auto before = static_cast<double>(count_ + 1);  // (i - 1) + 1
  const double m = (0.5 + sum_) / before;
  const double variance = (0.25 + runningSquares_) / before;
  const double l = std::min(std::sqrt(2 * lnTwoOverMiss_ / (variance * planned_)), kLargestWeight);
  const double d = x - m;
  weights_ += l;
  weightedSum_ += l * x;
  penalty_ += 4 * d * d * psi(l);
  ++count_;
  sum_ += x;
  sumOfSquares_ += x * x;
  const double now = x - (0.5 + sum_) / static_cast<double>(count_ + 1);
  runningSquares_ += now * now;
}

void MeanLimits::look() {
  if (count_ == 0) return;
  const double centre = weightedSum_ / weights_;
  const double half = (lnTwoOverMiss_ + penalty_) / weights_;
  low_ = std::max(low_, centre - half);
  high_ = std::min(high_, centre + half);
}

double MeanLimits::variance() const {
  if (count_ < 2) return 0;
  const auto n = static_cast<double>(count_);
  return std::max(0.0, (sumOfSquares_ - sum_ * sum_ / n) / (n - 1));
}

double MeanLimits::drawsFor(double width) const {
  const double m = mean();
  if (count_ < 2 || m <= 0) return 0;
  // About sqrt(2 ln(2 / a) s^2 / n) either side.
  return 2 * lnTwoOverMiss_ * variance() / (width * width * m * m);
}

}  // namespace ortelan
