// The tails of many chi-squares on one df are the single tails: from the
// far lower to the far upper tail, df from 1 to the batch's limit and
// beyond, and at the ends. The two are computed apart, each from the C
// library's logarithm, exponential and log-gamma, whose last bit differs
// between processors; so they agree to what those last bits leave of the
// exponent of x^a e^-x / Gamma(a): a few units of the 80-bit epsilon times
// |a ln x| + |ln Gamma(a)| (some 1e-16 at df 200, 1e-17 at the least), and
// a double to its last bit or so (3e-16) besides.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "chisquare/chi2_tail.h"

namespace ortelan {
namespace {

// The relative difference the two computations may show at chi2 and df.
long double tolerance(long double chi2, long double df, long double ofTheType) {
  const long double a = df / 2, x = chi2 / 2;
  const long double exponent = x > 0 ? std::fabs(a * std::log(x)) + std::fabs(std::lgamma(a)) : 0;
  return ofTheType + 4 * std::numeric_limits<long double>::epsilon() * exponent;
}

template <class Real>
void expectTheSingleTails(long double ofTheType) {
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
      const long double ratio = static_cast<long double>(tails[i]) / static_cast<long double>(single == 0 ? 1 : single);
      EXPECT_LE(std::fabs(ratio - (single == 0 ? 0.0L : 1.0L)), tolerance(chi2[i], df, ofTheType))
          << static_cast<double>(ratio - 1);
    }
  }
}

TEST(ChiSquareTails, ManyOnOneDfAreTheSingleTails) {
  expectTheSingleTails<long double>(1e-17L);
  expectTheSingleTails<double>(3e-16L);
}

}  // namespace
}  // namespace ortelan
