// The tails of many chi-squares on one df are the single tails, to 1e-17
// relative in 80-bit reals (to the last bit or so of a double): from the far lower to the far upper tail, df
// from 1 to the batch's limit and beyond, and at the ends.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "chisquare/chi2_tail.h"

namespace ortelan {
namespace {

template <class Real>
void expectTheSingleTails(long double tolerance) {
  for (const Real df : {Real(1), Real(1.02), Real(2), Real(3.3), Real(7), Real(19.5), Real(57.25), Real(150), Real(200),
                        Real(201), Real(4000)}) {
    std::vector<Real> chi2;
    // From far below the mean to deep in the upper tail, and where the
    // series meets the continued fraction (chi2 / 2 = df / 2 + 1).
    for (const Real share : {Real(1e-9), Real(1e-3), Real(0.1), Real(0.5), Real(0.9), Real(1), Real(1.1), Real(1.5),
                             Real(2), Real(4), Real(10), Real(40)}) {
      chi2.push_back(share * df);
    }
    chi2.push_back(df + 2);
    chi2.push_back(df + 2 + std::numeric_limits<Real>::epsilon() * (df + 2));
    chi2.push_back(std::nextafter(df + 2, Real(0)));
    chi2.push_back(1e5);  // below the smallest normal number: 0
    chi2.push_back(1e-300);  // P far below it: Q = 1
    chi2.push_back(0);
    chi2.push_back(-3);
    chi2.push_back(std::numeric_limits<Real>::quiet_NaN());
    std::vector<Real> tails(chi2.size());
    chiSquareUpperTails<Real>(df, chi2, tails);
    for (std::size_t i = 0; i < chi2.size(); ++i) {
      const Real single = chiSquareUpperTail(chi2[i], df);
      SCOPED_TRACE(testing::Message() << "df " << static_cast<double>(df) << ", chi2 " << static_cast<double>(chi2[i]));
      if (std::isnan(single)) {
        EXPECT_TRUE(std::isnan(tails[i]));
        continue;
      }
      EXPECT_NEAR(static_cast<long double>(tails[i]) / static_cast<long double>(single == 0 ? 1 : single),
                  single == 0 ? 0.0L : 1.0L, tolerance);
    }
  }
}

TEST(ChiSquareTails, ManyOnOneDfAreTheSingleTails) {
  expectTheSingleTails<long double>(1e-17L);
  expectTheSingleTails<double>(3e-16L);
}

}  // namespace
}  // namespace ortelan
