// The tables' numbers are printf's "%.21Lg" and "%.17g" to the byte: the
// text of every kind of value compared with the C library's, for both reals.
#include "report/real_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "report/results_table.h"

namespace ortelan {
namespace {

template <class Real>
std::string printed(Real value) {
  char text[64];
  if constexpr (sizeof(Real) > sizeof(double)) {
    std::snprintf(text, sizeof text, "%.21Lg", value);
  } else {
    std::snprintf(text, sizeof text, "%.17g", value);
  }
  return text;
}

template <class Real>
std::string written(Real value) {
  char text[kRealTextSize];
  return std::string(text, writeRealText(text, value));
}

// Compares every value; tells the first few that differ and how many did.
template <class Real>
void expectPrintfText(const std::vector<Real>& values) {
  long differing = 0;
  for (Real value : values) {
    const std::string expected = printed(value), got = written(value);
    if (expected == got) continue;
    if (++differing <= 5) ADD_FAILURE() << "printf: " << expected << ", here: " << got;
  }
  EXPECT_EQ(differing, 0) << "of " << values.size();
}

// An 80-bit real from its sign-and-exponent word and significand.
long double eightyBit(std::uint16_t signAndExponent, std::uint64_t significand) {
  long double value = 0;
  static_assert(sizeof value >= 10);
  std::memcpy(&value, &significand, 8);
  std::memcpy(reinterpret_cast<char*>(&value) + 8, &signAndExponent, 2);
  return value;
}

template <class Real>
std::vector<Real> randomBitPatterns(std::mt19937_64& random, int count) {
  std::vector<Real> values;
  for (int k = 0; k < count; ++k) {
    const std::uint64_t bits = random();
    if constexpr (sizeof(Real) > sizeof(double)) {
      const auto word = static_cast<std::uint16_t>(random());
      // Mostly the encodings arithmetic makes (the leading bit set unless
      // subnormal), now and then any 80 bits.
      const bool leading = (word & 0x7FFF) != 0;
      const std::uint64_t significand = k % 16 == 0 ? bits : leading ? bits | (1ull << 63) : bits & ~(1ull << 63);
      values.push_back(eightyBit(word, significand));
    } else {
      double value;
      std::memcpy(&value, &bits, sizeof value);
      values.push_back(value);
    }
  }
  return values;
}

// The values of the tables' usual magnitudes: P-values, statistics and
// components, with significands of every bit.
template <class Real>
std::vector<Real> usualMagnitudes(std::mt19937_64& random, int count) {
  std::vector<Real> values;
  for (int k = 0; k < count; ++k) {
    const Real significand = static_cast<Real>(random() >> 1) / static_cast<Real>(1ull << 63);
    const int exponent = static_cast<int>(random() % 200) - 150;
    values.push_back((k % 2 == 0 ? 1 : -1) * std::ldexp(significand, exponent));
  }
  return values;
}

// Each power of ten the type holds, and its neighbours a few steps away on
// both sides, where the digits roll over to a longer or shorter form.
template <class Real>
std::vector<Real> nearPowersOfTen() {
  std::vector<Real> values;
  const int lowest = std::numeric_limits<Real>::min_exponent10 - 20, highest = std::numeric_limits<Real>::max_exponent10;
  for (int k = lowest; k <= highest; ++k) {
    const Real power = std::pow(Real(10), static_cast<Real>(k));
    Real up = power, down = power;
    for (int step = 0; step < 4; ++step) {
      values.push_back(up);
      values.push_back(down);
      up = std::nextafter(up, std::numeric_limits<Real>::infinity());
      down = std::nextafter(down, Real(0));
    }
  }
  return values;
}

// Values whose exact expansion has one digit more than the text keeps,
// that digit a 5: t / 2^k with t odd, whose decimal digits are t 5^k.
// Rounded half to even, and their neighbours, which are not ties.
template <class Real>
std::vector<Real> roundingTies(std::mt19937_64& random) {
  const int digits = sizeof(Real) > sizeof(double) ? 21 : 17;
  const int bits = std::numeric_limits<Real>::digits;
  std::vector<Real> values;
  for (int k = 1; k < 40; ++k) {
    // t 5^k of digits + 1 digits: t from 10^digits / 5^k.
    const long double low = std::pow(10.0L, digits) / std::pow(5.0L, k), high = 10 * low;
    const long double largest = std::ldexp(1.0L, bits) - 4096;  // t fits the significand
    if (high < 2 || low >= largest) continue;
    for (int draw = 0; draw < 200; ++draw) {
      const long double span = std::min(high, largest) - low;
      auto t = static_cast<std::uint64_t>(low + span * static_cast<long double>(random() >> 11) / 0x1p53L);
      t |= 1;
      const Real value = std::ldexp(static_cast<Real>(t), -k);
      if (static_cast<long double>(value) * std::pow(2.0L, k) != static_cast<long double>(t)) continue;
      for (Real v : {value, std::nextafter(value, Real(0)), std::nextafter(value, Real(1e30))}) values.push_back(v);
    }
  }
  EXPECT_GT(values.size(), 1000u);
  return values;
}

template <class Real>
std::vector<Real> extremes() {
  using limits = std::numeric_limits<Real>;
  std::vector<Real> values{Real(0),          -Real(0),           Real(1),           Real(-1),
                           limits::min(),    limits::max(),      limits::lowest(),  limits::denorm_min(),
                           -limits::denorm_min(), limits::epsilon(), limits::infinity(), -limits::infinity(),
                           limits::quiet_NaN(), -limits::quiet_NaN(), Real(0.5),      Real(1e-5),
                           Real(9.9999e-5),  Real(1e-4),         Real(123456.5)};
  // The subnormals from the smallest up, and the edge to the normal numbers.
  for (Real v = limits::denorm_min(); v < 1024 * limits::denorm_min(); v = v * 3 + limits::denorm_min()) {
    values.push_back(v);
  }
  Real belowNormal = limits::min();
  for (int step = 0; step < 8; ++step) {
    values.push_back(belowNormal);
    belowNormal = std::nextafter(belowNormal, Real(0));
  }
  return values;
}

template <class Real>
void expectEveryKindAsPrintf() {
  std::mt19937_64 random(20261209);
  expectPrintfText(randomBitPatterns<Real>(random, 50000));
  expectPrintfText(usualMagnitudes<Real>(random, 200000));
  expectPrintfText(nearPowersOfTen<Real>());
  expectPrintfText(roundingTies<Real>(random));
  expectPrintfText(extremes<Real>());
}

TEST(RealText, EightyBitRealsAsPrintfWritesThem) { expectEveryKindAsPrintf<long double>(); }

TEST(RealText, DoublesAsPrintfWritesThem) { expectEveryKindAsPrintf<double>(); }

// The report's fixed-point columns, "%*.*Lf" and "%*.*f": every kind of
// value above, at the widths and decimals the report prints.
template <class Real>
void expectFixedAsPrintf() {
  std::mt19937_64 random(20261210);
  std::vector<Real> values = usualMagnitudes<Real>(random, 20000);
  for (const auto& more : {extremes<Real>(), roundingTies<Real>(random)}) values.insert(values.end(), more.begin(), more.end());
  for (int k = -2000; k <= 2000; ++k) values.push_back(static_cast<Real>(k) / 8);  // ties at 0 to 3 decimals
  long differing = 0;
  for (Real value : values) {
    for (const auto& [width, decimals] : {std::pair{12, 5}, {17, 3}, {8, 0}, {0, 5}, {10, 3}}) {
      char expected[6000];
      if constexpr (sizeof(Real) > sizeof(double)) {
        std::snprintf(expected, sizeof expected, "%*.*Lf", width, decimals, value);
      } else {
        std::snprintf(expected, sizeof expected, "%*.*f", width, decimals, value);
      }
      const std::string got = fixedText(value, width, decimals);
      if (got != expected && ++differing <= 5) ADD_FAILURE() << "printf: " << expected << ", here: " << got;
    }
  }
  EXPECT_EQ(differing, 0);
}

TEST(RealText, FixedPointAsPrintfWritesIt) {
  expectFixedAsPrintf<long double>();
  expectFixedAsPrintf<double>();
}

// The fields: no value is NA, whatever its sign; negative zero keeps its sign.
TEST(RealText, TableFieldsStayAsTheyWere) {
  for (long double nan : {std::numeric_limits<long double>::quiet_NaN(), -std::numeric_limits<long double>::quiet_NaN()}) {
    EXPECT_EQ(tableField(nan), "NA");
    EXPECT_EQ(tableField(static_cast<double>(nan)), "NA");
  }
  EXPECT_EQ(tableField(-0.0L), "-0");
  EXPECT_EQ(tableField(-0.0), "-0");
  EXPECT_EQ(tableField(1.0L / 3), "0.333333333333333333342");
  EXPECT_EQ(tableField(1.0 / 3), "0.33333333333333331");
  EXPECT_EQ(tableNumber(std::numeric_limits<long double>::infinity()), "inf");
}

}  // namespace
}  // namespace ortelan
