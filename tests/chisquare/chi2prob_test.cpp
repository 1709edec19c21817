#include "chisquare/chi2prob.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "chisquare/tail_forms.h"

namespace ortelan {
namespace {

using chisquare_testing::exactTail;
using chisquare_testing::wilsonHilfertyTail;
using chisquare_testing::wilsonHilfertyZ;

constexpr long double kEps = 3.0e-7L;  // the accuracy at which GSER and GCF stop

// Collects the pause messages instead of waiting for a user.
struct PauseLog {
  std::vector<std::string> messages;
  PauseFn fn() {
    return [this](std::string_view message) { messages.emplace_back(message); };
  }
};

template <class Real>
Real tail(int df, long double chi, PauseLog& log) {
  return GAMMQ(static_cast<Real>(df) / 2, static_cast<Real>(chi) / 2, log.fn());
}

// Half a unit of the fourth significant digit of `value`.
long double fourDigits(long double value) { return 0.5L * std::pow(10.0L, std::floor(std::log10(value)) - 3); }

template <class Real>
class Gammq : public ::testing::Test {};
using RealTypes = ::testing::Types<double, long double>;
TYPED_TEST_SUITE(Gammq, RealTypes);

TYPED_TEST(Gammq, KnownValuesOnEveryPath) {
  struct Row {
    int df;
    long double chi;
    long double expected;  // to four significant digits; 0 and 1 exactly
  };
  const Row rows[] = {
      {1, 0, 1},                // series at x = 0
      {1, 3.841L, 0.05001L},    // continued fraction
      {1, 20, 7.744e-6L},       // continued fraction
      {2, 2, 0.3679L},          // series, X = A
      {4, 9.488L, 0.04999L},    // continued fraction
      {10, 18.307L, 0.05000L},  // continued fraction
      {100, 124.342L, 0.05000L},
      {100, 201, 0},            // chi above 200
      {101, 101, 0.4813L},      // large df, z > 0
      {101, 120, 0.09549L},
      {110, 150, 0.006789L},
      {120, 90, 0.9813L},       // large df, z < 0
      {150, 300, 0},            // large df, z > 5
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("df " + std::to_string(row.df) + " chi " + std::to_string(static_cast<double>(row.chi)));
    PauseLog log;
    const long double p = tail<TypeParam>(row.df, row.chi, log);
    if (row.expected == 0 || row.expected == 1) {
      EXPECT_EQ(p, row.expected);
    } else {
      EXPECT_CLOSE(p, row.expected, fourDigits(row.expected));
    }
    EXPECT_TRUE(log.messages.empty());
  }
  // Chi 0 above 100 degrees of freedom is no error: 1 up to rounding.
  PauseLog log;
  EXPECT_CLOSE(tail<TypeParam>(200, 0, log), 1.0L, 1e-9L);
  EXPECT_TRUE(log.messages.empty());
}

// Up to 100 degrees of freedom, against the closed forms on a grid of
// whole chi values from 0 to 200 (X = A + 1, chi = df + 2, is on it for
// every df).
//
// Tolerance. The series computes P = 1 - Q and stops once its next term is
// below EPS of the sum; the terms left out shrink at least geometrically
// (ratio X / (A + n) < 1, well below 1 by then), so P is within a small
// multiple of EPS relative and Q = 1 - P within that multiple of EPS times
// P, absolute. Q itself may lose all relative accuracy when P is near 1,
// so only the quantity actually computed can be held to EPS. The continued
// fraction computes Q and stops when a step changes it by less than EPS
// relative, which its fast convergence turns into an error of the same
// order. GAMMLN adds about 2e-10 relative. So: 4 EPS of whichever of P
// and Q the path computes, plus rounding of the real type (and of the
// closed form): 64 units of it, absolute on the series path, relative on
// the continued fraction, where Q goes down to 1e-44.
TYPED_TEST(Gammq, MatchesClosedFormsUpTo100DegreesOfFreedom) {
  const long double unit = 64 * std::numeric_limits<TypeParam>::epsilon();
  PauseLog log;
  for (int df = 1; df <= 100; ++df) {
    for (int chi = 0; chi <= 200; ++chi) {
      const long double exact = exactTail(df, chi);
      const bool series = chi / 2.0L < df / 2.0L + 1;
      const long double tolerance = series ? 4 * kEps * (1 - exact) + unit : (4 * kEps + unit) * exact;
      ASSERT_CLOSE(tail<TypeParam>(df, chi, log), exact, tolerance) << "df " << df << " chi " << chi;
    }
  }
  EXPECT_TRUE(log.messages.empty());
}

// Above 100 degrees of freedom the Wilson-Hilferty deviate and the normal
// tail polynomial (absolute error below 7.5e-8; the slightly short normal
// divisor adds below 4e-9) stand in for the incomplete gamma function. A
// deviate above 5 gives 0, where the normal tail is below 2.9e-7.
TYPED_TEST(Gammq, LargeDegreesOfFreedomFollowWilsonHilferty) {
  PauseLog log;
  for (int df = 101; df <= 200; ++df) {
    for (int chi = 0; chi <= 400; chi += 5) {
      const long double z = wilsonHilfertyZ(df, chi);
      const long double p = tail<TypeParam>(df, chi, log);
      SCOPED_TRACE("df " + std::to_string(df) + " chi " + std::to_string(chi));
      if (z > 5 + 1e-9L) {
        ASSERT_EQ(p, 0);
      } else if (z < 5 - 1e-9L) {
        ASSERT_CLOSE(p, wilsonHilfertyTail(df, chi), 1e-7L);
        // The approximation itself stays close to the true tail.
        ASSERT_CLOSE(p, exactTail(df, chi), 2e-4L);
      }
    }
  }
  EXPECT_TRUE(log.messages.empty());
}

TYPED_TEST(Gammq, Boundaries) {
  PauseLog log;
  // 100 degrees of freedom is the last on the incomplete gamma function,
  // 101 the first on the approximation.
  const long double at100 = tail<TypeParam>(100, 110, log);
  EXPECT_CLOSE(at100, exactTail(100, 110), 4 * kEps * exactTail(100, 110));
  const long double at101 = tail<TypeParam>(101, 110, log);
  EXPECT_CLOSE(at101, wilsonHilfertyTail(101, 110), 1e-7L);
  EXPECT_GT(std::fabs(at101 - exactTail(101, 110)), 1e-6L);

  // Chi 200 is computed, anything above it is 0, up to 100 df.
  for (int df : {1, 50, 100}) {
    const long double exact = exactTail(df, 200);
    EXPECT_GT(tail<TypeParam>(df, 200, log), 0) << df;
    EXPECT_CLOSE(tail<TypeParam>(df, 200, log), exact, 4 * kEps * exact) << df;
    EXPECT_EQ(tail<TypeParam>(df, 200.0001L, log), 0) << df;
  }
  // X exactly A + 1 takes the continued fraction and stays accurate.
  for (int df : {1, 3, 9, 37, 99}) {
    const long double chi = df + 2.0L;
    const long double exact = exactTail(df, chi);
    EXPECT_CLOSE(tail<TypeParam>(df, chi, log), exact, 4 * kEps * exact) << df;
  }
  EXPECT_TRUE(log.messages.empty());

  EXPECT_CLOSE(GAMMLN<TypeParam>(1), 0, 1e-10);
  EXPECT_CLOSE(GAMMLN<TypeParam>(0.5), std::log(std::sqrt(std::acos(-1.0L))), 1e-10);
}

TYPED_TEST(Gammq, BadArgumentsPauseOnceAndGoOn) {
  {
    // Zero degrees of freedom and chi 0: a table with one non-empty row, or
    // a total over no loci.
    PauseLog log;
    EXPECT_EQ(tail<TypeParam>(0, 0, log), 1);
    EXPECT_EQ(log.messages, std::vector<std::string>{"pause in GAMMQ - invalid arguments"});
  }
  {
    // A negative X: both GAMMQ and the series object, then P = 0.
    PauseLog log;
    EXPECT_EQ(GAMMQ<TypeParam>(1, -0.5, log.fn()), 1);
    EXPECT_EQ(log.messages,
              (std::vector<std::string>{"pause in GAMMQ - invalid arguments", "pause in GSER - x less than 0"}));
  }
  {
    // Above 100 degrees of freedom no argument check applies.
    PauseLog log;
    EXPECT_CLOSE(GAMMQ<TypeParam>(60, 0, log.fn()), 1, 1e-9);
    EXPECT_TRUE(log.messages.empty());
  }
}

}  // namespace
}  // namespace ortelan
