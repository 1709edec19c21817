#include "chisquare/chi2_tail.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>
#include <string>

#include "chisquare/tail_forms.h"

namespace ortelan {
namespace {

using chisquare_testing::exactTail;

// Q(df/2, chi/2) to 26 significant digits, computed apart from the program
// in Python's decimal arithmetic at 90 digits: x^a e^-x / Gamma(a), with
// Gamma(a) exact from factorials (and sqrt(pi) for half-integer a), times
// the series for P(a, x) when x < a + 1 (then Q = 1 - P), else the
// continued fraction for Q(a, x) by the modified Lentz method, both to
// 1e-80 relative; each value also agrees with an independent arbitrary-
// precision library at 60 digits.
struct Reference {
  int df;
  long double chi;
  long double q;
};
const Reference kReferences[] = {
    {1, 3.841L, 5.0013683763956704798150849e-2L},
    {1, 400, 5.5072482372124673901512456e-89L},
    {1, 1400, 2.1010145162642174950378995e-306L},  // just above the smallest normal double
    {2, 2, 3.6787944117144232159552377e-1L},
    {2, 1500, 1.9016849634750064399954562e-326L},  // below it: 0 in double
    {2, 22000, 5.7636694291681836962728230e-4778L},
    {18, 489.918L, 1.3716507327255949500609306e-92L},
    {55, 30, 9.9760645801921789041257719e-1L},
    {55, 55, 4.7463685918882806650777354e-1L},
    {55, 208.87L, 8.9098497861198372935724904e-20L},
    {100, 124.342L, 5.0000715769971760089745501e-2L},
    {100, 1000, 2.3060767380353980174015138e-148L},
    {101, 101, 4.8128504536921944354546494e-1L},
    {101, 300, 1.2933098959947686254399318e-21L},
    {118, 119.011L, 4.5659866639943193375519924e-1L},
    {136, 608.93L, 5.1881585474132467676979376e-61L},
    {1000, 1000, 4.9405285382923964195295204e-1L},
    {1000, 1200, 1.2255942330622904167692013e-5L},
    {1000, 5000, 3.5080025885867862801724903e-522L},
    {5000, 4500, 9.9999988320112649675554019e-1L},
    {5000, 5000, 4.9734037889234512194589646e-1L},
    {5000, 6000, 2.5217184417547445987496613e-21L},
    {5000, 20000, 2.3232245691098225320686271e-1755L},
};

template <class Real>
class ChiSquareUpperTail : public ::testing::Test {
 protected:
  // The bound the tables promise: 1e-15 relative in long double, 1e-12 in double.
  static constexpr long double kRelative = std::is_same_v<Real, double> ? 1e-12L : 1e-15L;
};
using RealTypes = ::testing::Types<double, long double>;
TYPED_TEST_SUITE(ChiSquareUpperTail, RealTypes);

TYPED_TEST(ChiSquareUpperTail, MatchesHighPrecisionValuesDownToTheSmallestNormal) {
  for (const Reference& r : kReferences) {
    SCOPED_TRACE("df " + std::to_string(r.df) + " chi " + std::to_string(static_cast<double>(r.chi)));
    // The reference is for the decimal chi2; rounding it to the type moves
    // the tail by at most half its relative error times chi2 (the slope of
    // ln Q in chi2 is below 1/2 here): under 3e-14 in double, 2e-17 in long double.
    const long double q = chiSquareUpperTail<TypeParam>(static_cast<TypeParam>(r.chi), static_cast<TypeParam>(r.df));
    if (r.q < std::numeric_limits<TypeParam>::min()) {
      EXPECT_EQ(q, 0);
    } else {
      EXPECT_CLOSE(q, r.q, this->kRelative * r.q);
    }
  }
}

// Against the closed forms on a grid of small df and whole chi2, where the
// tail stays within the range both types hold.
TYPED_TEST(ChiSquareUpperTail, MatchesClosedFormsOnAGrid) {
  for (int df = 1; df <= 40; ++df) {
    for (int chi = 1; chi <= 400; chi += 7) {
      const long double exact = exactTail(df, chi);
      ASSERT_CLOSE(chiSquareUpperTail<TypeParam>(chi, df), exact, this->kRelative * exact)
          << "df " << df << " chi " << chi;
    }
  }
}

TYPED_TEST(ChiSquareUpperTail, EdgesAreQuiet) {
  using Real = TypeParam;
  const Real nan = std::numeric_limits<Real>::quiet_NaN();
  errno = 0;
  // One non-empty row: chi2 0 on 0 df; and no distance at all.
  EXPECT_EQ(chiSquareUpperTail<Real>(0, 0), 1);
  EXPECT_EQ(chiSquareUpperTail<Real>(0, 7), 1);
  EXPECT_EQ(chiSquareUpperTail<Real>(-1, 3), 1);
  EXPECT_TRUE(std::isnan(chiSquareUpperTail<Real>(nan, 3)));
  EXPECT_TRUE(std::isnan(chiSquareUpperTail<Real>(3, nan)));
  EXPECT_TRUE(std::isnan(chiSquareUpperTail<Real>(3, -2)));
  // Below the smallest normal long double (the tail is 4.1063703231307654524813790e-4995): 0.
  EXPECT_EQ(chiSquareUpperTail<Real>(23000, 2), 0);
  EXPECT_EQ(chiSquareUpperTail<Real>(std::numeric_limits<Real>::infinity(), 2), 0);
  EXPECT_EQ(errno, 0);
}

}  // namespace
}  // namespace ortelan
