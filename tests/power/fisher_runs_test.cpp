#include "power/fisher_runs.h"

#include <gtest/gtest.h>

#include <boost/math/special_functions/gamma.hpp>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace ortelan {
namespace {

constexpr double kEuler = 0.57721566490153286061;

// H(n) against the sum itself, in long double, on both sides of where the
// series takes over.
TEST(FisherRuns, HarmonicNumbersAreTheSums) {
  long double sum = 0;
  std::int64_t n = 0;
  for (const std::int64_t at : {0, 1, 2, 100, 255, 256, 257, 1000, 123456, 2000000}) {
    for (; n < at; ++n) sum += 1.0L / static_cast<long double>(n + 1);
    EXPECT_NEAR(harmonicNumber(at), static_cast<double>(sum), 2e-15 * static_cast<double>(sum)) << at;
  }
}

// The bound the decisions rest on: for every P, E[exp(x D)] of D = H(G -
// 1) + ln P, G geometric with mean 1 / P, lies below Gamma(1 + x)
// exp(gamma x), its limit as P -> 0. Summed from the law of G until its
// terms no longer count.
TEST(FisherRuns, MomentsOfARunLieBelowTheirLimit) {
  for (const double p : {0.9, 0.5, 0.2, 0.05, 0.01, 1e-3, 1e-4}) {
    for (const double x : {-0.95, -0.7, -0.4, -0.1, 0.1, 0.5, 1.0, 2.0, 4.0}) {
      long double moment = 0, h = 0, weight = p;  // P(G - 1 = k) = p (1 - p)^k
      for (std::int64_t k = 0;; ++k) {
        const long double term = weight * std::exp(static_cast<long double>(x) * (h + std::log(p)));
        moment += term;
        if (term < 1e-22L * moment && static_cast<double>(k) * p > 1) break;
        h += 1.0L / static_cast<long double>(k + 1);
        weight *= 1 - p;
      }
      const double limit = boost::math::tgamma(1 + x) * std::exp(kEuler * x);
      EXPECT_LE(static_cast<double>(moment), limit * (1 + 1e-12)) << "P " << p << ", x " << x;
    }
  }
}

// The mean deviation of N runs strays beyond its bound no more often than
// the error rate, on either side, for P near 1 and far below it (10,000
// trials of each, at a rate of 0.05); and the bound shrinks as 1 / sqrt(N).
TEST(FisherRuns, MeansStrayBeyondTheirBoundNoMoreOftenThanTheRate) {
  constexpr double kRate = 0.05;
  constexpr int kTrials = 10000;
  std::mt19937_64 random(3);
  for (const double p : {0.6, 0.002}) {
    std::geometric_distribution<std::int64_t> failures(p);
    for (const std::int64_t terms : {1, 4, 64}) {
      const double above = meanDeviation(terms, kRate, Deviation::Above);
      const double below = meanDeviation(terms, kRate, Deviation::Below);
      int beyond = 0, under = 0;
      for (int trial = 0; trial < kTrials; ++trial) {
        double mean = 0;
        for (std::int64_t t = 0; t < terms; ++t) mean += harmonicNumber(failures(random)) + std::log(p);
        mean /= static_cast<double>(terms);
        beyond += mean > above ? 1 : 0;
        under += mean < -below ? 1 : 0;
      }
      SCOPED_TRACE("P " + std::to_string(p) + ", " + std::to_string(terms) + " terms");
      const double error = 4 * std::sqrt(kRate * (1 - kRate) / kTrials);
      EXPECT_LE(beyond / double(kTrials), kRate + error);
      EXPECT_LE(under / double(kTrials), kRate + error);
    }
  }
  const double one = meanDeviation(100, 0.001, Deviation::Above), many = meanDeviation(10000, 0.001, Deviation::Above);
  EXPECT_NEAR(one / many, 10, 1.5);
}

}  // namespace
}  // namespace ortelan
