#include "power/fisher_runs.h"

#include <boost/math/constants/constants.hpp>
#include <boost/math/special_functions/digamma.hpp>
#include <boost/math/special_functions/gamma.hpp>

#include <array>
#include <cmath>
#include <limits>

#include "chisquare/quiet_math_policy.h"

namespace ortelan {
namespace {

constexpr double kEuler = boost::math::constants::euler<double>();
// Below this n, H(n) is summed; from it on, its asymptotic series.
constexpr std::int64_t kSummed = 256;

// The rate I at x, and the deviation u where x is the best: above, for
// x > 0, u = psi(1 + x) + gamma and I = x psi(1 + x) - ln Gamma(1 + x);
// below, for 0 < x < 1 (the bound's -x), u = -psi(1 - x) - gamma and
// I = -x psi(1 - x) - ln Gamma(1 - x). Both rates rise with x from 0.
struct RatePoint {
  double rate, deviation;
};
RatePoint ratePoint(double x, Deviation side) {
  if (side == Deviation::Above) {
    const double psi = boost::math::digamma(1 + x, QuietMathPolicy());
    return {x * psi - boost::math::lgamma(1 + x, QuietMathPolicy()), psi + kEuler};
  }
  const double psi = boost::math::digamma(1 - x, QuietMathPolicy());
  return {-x * psi - boost::math::lgamma(1 - x, QuietMathPolicy()), -psi - kEuler};
}

}  // namespace

double harmonicNumber(std::int64_t n) {
  static const std::array<double, kSummed> summed = [] {
    std::array<double, kSummed> h{};
    for (std::size_t k = 1; k < h.size(); ++k) h[k] = h[k - 1] + 1.0 / static_cast<double>(k);
    return h;
  }();
  if (n < kSummed) return summed[static_cast<std::size_t>(n)];
  // ln n + gamma + 1 / (2n) - 1 / (12 n^2) + 1 / (120 n^4) - ..., the next
  // term, 1 / (252 n^6), below 1e-17 from n = 256 on.
  const double x = static_cast<double>(n), inverse2 = 1 / (x * x);
  return std::log(x) + kEuler + 0.5 / x - inverse2 * (1.0 / 12 - inverse2 * (1.0 / 120));
}

double meanDeviation(std::int64_t terms, double errorRate, Deviation side) {
  // The x at which terms * I(x) = ln(1 / errorRate), by bisection.
  const double wanted = -std::log(errorRate) / static_cast<double>(terms);
  double low = 0, high = 1;
  if (side == Deviation::Above) {
    while (ratePoint(high, side).rate < wanted) high *= 2;
  } else {
    // Below, x stays under 1, where the rate grows without bound.
    high = 1 - 1e-12;
    if (ratePoint(high, side).rate < wanted) return std::numeric_limits<double>::infinity();
  }
  for (int step = 0; step < 100 && high - low > 1e-13 * high; ++step) {
    const double middle = (low + high) / 2;
    (ratePoint(middle, side).rate < wanted ? low : high) = middle;
  }
  // The higher end: its rate is at least the one wanted.
  return ratePoint(high, side).deviation;
}

}  // namespace ortelan
