// Closed forms of the chi-square upper tail, for checking GAMMQ and its
// callers against values computed another way.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace ortelan::chisquare_testing {

// P(chi-square on df >= chi), df >= 1, from closed forms in long double.
// With x = chi / 2: for even df, Q(df/2, x) = e^-x sum_{i < df/2} x^i / i!;
// for odd df, Q(1/2, x) = erfc(sqrt x) and Q(a + 1, x) = Q(a, x) +
// x^a e^-x / Gamma(a + 1). Every term is positive, so nothing cancels. The
// first term is taken through its logarithm, each next one as the last
// times x / (a + 1); the terms stay between e^-200 and 1 for chi up to 400,
// far inside the range of long double.
inline long double exactTail(int df, long double chi) {
  if (chi <= 0) return 1;
  const long double x = chi / 2;
  const bool odd = df % 2 != 0;
  long double a = odd ? 0.5L : 0;
  long double term = std::exp(a * std::log(x) - x - std::lgamma(a + 1));
  long double q = odd ? std::erfc(std::sqrt(x)) : 0;
  for (int i = 0; i < df / 2; ++i) {
    q += term;
    a += 1;
    term *= x / a;
  }
  return q;
}

// The Wilson-Hilferty deviate of chi on df degrees of freedom.
inline long double wilsonHilfertyZ(int df, long double chi) {
  const long double v = 2.0L / (9.0L * df);
  return (std::cbrt(chi / df) - (1 - v)) / std::sqrt(v);
}

// Its upper tail with the exact normal tail function.
inline long double wilsonHilfertyTail(int df, long double chi) {
  return std::erfc(wilsonHilfertyZ(df, chi) / std::sqrt(2.0L)) / 2;
}

// |actual - expected| <= tolerance, in long double (EXPECT_NEAR compares
// doubles, which would hide the last eleven bits of an 80-bit result).
inline ::testing::AssertionResult closeTo(const char* actualText, const char* expectedText, const char*,
                                          long double actual, long double expected, long double tolerance) {
  const long double error = std::fabs(actual - expected);
  if (error <= tolerance) return ::testing::AssertionSuccess();
  std::ostringstream text;
  text.precision(21);
  text << actualText << " = " << actual << ", " << expectedText << " = " << expected << ": they differ by " << error
       << ", more than " << tolerance;
  return ::testing::AssertionFailure() << text.str();
}

}  // namespace ortelan::chisquare_testing

#define EXPECT_CLOSE(actual, expected, tolerance) \
  EXPECT_PRED_FORMAT3(::ortelan::chisquare_testing::closeTo, actual, expected, tolerance)
#define ASSERT_CLOSE(actual, expected, tolerance) \
  ASSERT_PRED_FORMAT3(::ortelan::chisquare_testing::closeTo, actual, expected, tolerance)
