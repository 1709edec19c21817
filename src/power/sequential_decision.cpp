#include "power/sequential_decision.h"

#include <boost/math/special_functions/beta.hpp>

#include <algorithm>
#include <array>
#include <cmath>

#include "chisquare/quiet_math_policy.h"

namespace ortelan {
namespace {

// Looks beyond this many tables are never reached.
constexpr std::int64_t kMostLookTables = std::int64_t{1} << 60;
// Up to this many tables the crossings are computed; past it, bounded.
constexpr std::int64_t kComputedTables = std::int64_t{1} << 15;
// Counts and steps this many standard deviations from their means are left out.
constexpr double kSpread = 12;

// P(Binomial(n, p) <= h), and P(Binomial(n, p) >= h), as incomplete beta
// functions.
double atMost(std::int64_t h, std::int64_t n, double p) {
  if (h < 0) return 0;
  if (h >= n) return 1;
  return boost::math::ibetac(static_cast<double>(h) + 1, static_cast<double>(n - h), p, QuietMathPolicy());
}
double atLeast(std::int64_t h, std::int64_t n, double p) {
  if (h <= 0) return 1;
  if (h > n) return 0;
  return boost::math::ibeta(static_cast<double>(h), static_cast<double>(n - h) + 1, p, QuietMathPolicy());
}

// The smallest h in [low, high] for which `holds` is true, where it is
// false below some point and true from it on; high + 1 if none.
template <class Holds>
std::int64_t firstHolding(std::int64_t low, std::int64_t high, const Holds& holds) {
  std::int64_t end = high + 1;
  while (low < end) {
    const std::int64_t middle = low + (end - low) / 2;
    if (holds(middle)) {
      end = middle;
    } else {
      low = middle + 1;
    }
  }
  return end;
}

// The count up to which a look at n tables rejects at level g (-1: none),
// and from which it accepts (n + 1: none).
std::int64_t rejectBound(std::int64_t n, double alpha, double g) {
  return firstHolding(0, n, [&](std::int64_t h) { return atMost(h, n, alpha) > g; }) - 1;
}
std::int64_t acceptBound(std::int64_t n, double alpha, double g) {
  return firstHolding(1, n, [&](std::int64_t h) { return atLeast(h, n, alpha) <= g; });
}

// A binomial law over the values from `first` on, and the probability of
// the values left out below and above them.
struct Law {
  std::int64_t first = 0;
  std::vector<double> p;
  double below = 0, above = 0;
};

Law binomialLaw(std::int64_t n, double alpha) {
  const double mean = static_cast<double>(n) * alpha, sd = std::sqrt(mean * (1 - alpha));
  Law law;
  law.first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor(mean - kSpread * sd)) - 1);
  const std::int64_t last = std::min<std::int64_t>(n, static_cast<std::int64_t>(std::ceil(mean + kSpread * sd)) + 1);
  const double lnTables = std::lgamma(static_cast<double>(n) + 1);
  for (std::int64_t h = law.first; h <= last; ++h) {
    const double ln = lnTables - std::lgamma(static_cast<double>(h) + 1) - std::lgamma(static_cast<double>(n - h) + 1) +
                      static_cast<double>(h) * std::log(alpha) + static_cast<double>(n - h) * std::log1p(-alpha);
    law.p.push_back(std::exp(ln));
  }
  law.below = atMost(law.first - 1, n, alpha);
  law.above = atLeast(last + 1, n, alpha);
  return law;
}

// The chance that the count of P = alpha crosses the bounds at one of the
// looks: bounds[k] is rejectUpTo (lower) or acceptFrom (upper) at look k.
// Counts far from the bound, and steps far from their means, are left out
// and counted as crossing: the chance is never understated. It is computed
// only until it passes `enough`.
double crossingChance(const std::vector<std::int64_t>& looks, const std::vector<std::int64_t>& bounds, double alpha,
                      bool lower, double enough) {
  double crossed = 0;
  std::int64_t first = 0, drawn = 0;  // the counts not crossed yet: first, first + 1, ...
  std::vector<double> alive{1.0}, next;
  for (std::size_t k = 0; k < looks.size(); ++k) {
    const std::int64_t n = looks[k], bound = bounds[k];
    if (n > kComputedTables) {
      crossed += lower ? atMost(bound, n, alpha) : atLeast(bound, n, alpha);
      continue;
    }
    const Law step = binomialLaw(n - drawn, alpha);
    double mass = 0;
    for (double p : alive) mass += p;
    crossed += mass * (step.below + step.above);
    next.assign(alive.size() + step.p.size() - 1, 0.0);
    for (std::size_t i = 0; i < alive.size(); ++i) {
      if (alive[i] == 0) continue;
      for (std::size_t j = 0; j < step.p.size(); ++j) next[i + j] += alive[i] * step.p[j];
    }
    first += step.first;
    drawn = n;
    // Crossed at this look, or too far from the bound to matter.
    const double mean = static_cast<double>(n) * alpha, sd = std::sqrt(mean * (1 - alpha));
    const auto far = static_cast<std::int64_t>(lower ? std::ceil(mean + kSpread * sd) : std::floor(mean - kSpread * sd));
    std::int64_t keepFirst = first, keepLast = first + static_cast<std::int64_t>(next.size()) - 1;
    keepFirst = std::max(keepFirst, lower ? bound + 1 : far);
    keepLast = std::min(keepLast, lower ? far : bound - 1);
    alive.clear();
    for (std::size_t i = 0; i < next.size(); ++i) {
      const std::int64_t h = first + static_cast<std::int64_t>(i);
      if (h < keepFirst || h > keepLast) {
        crossed += next[i];
      } else {
        alive.push_back(next[i]);
      }
    }
    first = keepFirst;
    // Past `enough` the exact chance is not needed.
    if (alive.empty() || crossed > enough) break;
  }
  return crossed;
}

// The bounds whose levels are largest, in the proportions of `weights`
// (per look), while the chance that they are crossed is at most
// `errorRate`; and that chance.
template <class BoundAt>
void calibrate(const std::vector<std::int64_t>& looks, const std::vector<double>& weights, double alpha,
               double errorRate, bool lower, const BoundAt& boundAt, std::vector<std::int64_t>& bounds,
               double& chance) {
  auto boundsFor = [&](double g) {
    std::vector<std::int64_t> out;
    for (std::size_t k = 0; k < looks.size(); ++k) out.push_back(boundAt(looks[k], std::min(g * weights[k], 1.0)));
    return out;
  };
  // On a logarithmic scale, between errorRate / 10^6 and 4 errorRate (the
  // crossings of one side at different looks overlap).
  double low = std::log(errorRate) - 6 * std::log(10.0), high = std::log(4 * errorRate);
  bounds = boundsFor(std::exp(high));
  chance = crossingChance(looks, bounds, alpha, lower, errorRate);
  if (chance <= errorRate) return;
  std::vector<std::int64_t> best = boundsFor(std::exp(low));
  double bestChance = crossingChance(looks, best, alpha, lower, errorRate);
  for (int step = 0; step < 16; ++step) {
    const double middle = (low + high) / 2;
    std::vector<std::int64_t> candidate = boundsFor(std::exp(middle));
    const double c = crossingChance(looks, candidate, alpha, lower, errorRate);
    if (c <= errorRate) {
      low = middle;
      best = std::move(candidate);
      bestChance = c;
    } else {
      high = middle;
    }
  }
  bounds = std::move(best);
  chance = bestChance;
}

// Weights that spend the most at the first look where a side's bound can
// be crossed at all (`first`) and less at each look after it, 1 / (j + 1)
// at the j-th: a table far from the bound settles at once, and one near
// it still has a good share at the late looks. (Crossings at successive
// looks overlap, so the calibrated scale spends far more than the sum of
// the weights suggests. Against 1 / ((j + 1)(j + 2)) this draws 5 to 20 %
// fewer tables for P between alpha / 2 and 3 alpha, and leaves fewer
// unsettled.)
std::vector<double> spending(std::size_t looks, std::size_t first) {
  std::vector<double> weights(looks, 0.0);
  for (std::size_t k = first; k < looks; ++k) weights[k] = 1 / static_cast<double>(k - first + 1);
  return weights;
}

}  // namespace

std::int64_t tablesAtLook(int k) {
  // 2^(r/4) for r = 0..3, and the rounding up.
  static constexpr std::array<long double, 4> kQuarter = {1.0L, 1.18920711500272106672L, 1.41421356237309504880L,
                                                          1.68179283050742908606L};
  const long double tables = std::ldexp(16.0L * kQuarter[static_cast<std::size_t>(k % 4)], k / 4);
  return static_cast<std::int64_t>(std::ceil(tables - 1e-9L));
}

DecisionBounds::DecisionBounds(double alpha, double errorRate, std::int64_t mostTables) : alpha_(alpha) {
  std::vector<std::int64_t> looks;
  for (int k = 0;; ++k) {
    const std::int64_t n = tablesAtLook(k);
    if (n > mostTables || n > kMostLookTables) break;
    looks.push_back(n);
  }
  if (looks.empty()) return;
  // The first looks at which a count of 0, or of all the tables, has a
  // chance of at most the error rate.
  std::size_t firstReject = looks.size(), firstAccept = looks.size();
  for (std::size_t k = looks.size(); k-- > 0;) {
    const auto n = static_cast<double>(looks[k]);
    if (n * std::log1p(-alpha) <= std::log(errorRate)) firstReject = k;
    if (n * std::log(alpha) <= std::log(errorRate)) firstAccept = k;
  }
  calibrate(looks, spending(looks.size(), firstReject), alpha, errorRate, true,
            [&](std::int64_t n, double g) { return rejectBound(n, alpha, g); }, rejectUpTo_, rejectCrossing_);
  calibrate(looks, spending(looks.size(), firstAccept), alpha, errorRate, false,
            [&](std::int64_t n, double g) { return acceptBound(n, alpha, g); }, acceptFrom_, acceptCrossing_);
}

}  // namespace ortelan
