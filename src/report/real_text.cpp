#include "report/real_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

namespace ortelan {
namespace {

__extension__ typedef unsigned __int128 Wide;

// The significant digits each type's text carries.
template <class Real>
constexpr int kDigits = std::is_same_v<Real, long double> ? 21 : 17;

constexpr std::array<std::uint64_t, 28> kPowersOf5 = [] {
  std::array<std::uint64_t, 28> powers{};
  powers[0] = 1;
  for (std::size_t k = 1; k < powers.size(); ++k) powers[k] = powers[k - 1] * 5;
  return powers;
}();

constexpr std::array<Wide, 23> kPowersOf10 = [] {
  std::array<Wide, 23> powers{};
  powers[0] = 1;
  for (std::size_t k = 1; k < powers.size(); ++k) powers[k] = powers[k - 1] * 10;
  return powers;
}();

// What the exact value has below its whole part, against a half.
enum class Rest { None, BelowHalf, Half, AboveHalf };

// The rest of a number whose last digit `digit` is taken off, with
// `beyond` saying whether anything was below that digit.
Rest restBeyond(int digit, bool beyond) {
  if (digit > 5) return Rest::AboveHalf;
  if (digit == 5) return beyond ? Rest::AboveHalf : Rest::Half;
  return digit == 0 && !beyond ? Rest::None : Rest::BelowHalf;
}

struct Scaled {
  Wide whole;
  Rest rest;
};

// Whole numbers of any size, for the values whose scaling by a power of ten
// does not fit 128 bits (below 1e-7, or from 1e21): 32-bit words, the lowest
// first, with no leading zero word but for the number 0.
using Long = std::vector<std::uint32_t>;

void trim(Long& n) {
  while (n.size() > 1 && n.back() == 0) n.pop_back();
}

Long longOf(Wide value) {
  Long n;
  do {
    n.push_back(static_cast<std::uint32_t>(value));
    value >>= 32;
  } while (value != 0);
  return n;
}

Wide wideOf(const Long& n) {
  Wide value = 0;
  for (std::size_t i = n.size(); i-- > 0;) value = (value << 32) | n[i];
  return value;
}

Long product(const Long& a, const Long& b) {
  Long p(a.size() + b.size(), 0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::uint64_t carry = 0;
    for (std::size_t j = 0; j < b.size(); ++j) {
      const std::uint64_t t = std::uint64_t{a[i]} * b[j] + p[i + j] + carry;
      p[i + j] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    p[i + b.size()] = static_cast<std::uint32_t>(carry);
  }
  trim(p);
  return p;
}

void shiftLeft(Long& n, int bits) {
  const auto words = static_cast<std::size_t>(bits / 32);
  const int offset = bits % 32;
  n.push_back(0);
  if (offset != 0) {
    for (std::size_t i = n.size() - 1; i > 0; --i) n[i] = (n[i] << offset) | (n[i - 1] >> (32 - offset));
    n[0] <<= offset;
  }
  n.insert(n.begin(), words, 0);
  trim(n);
}

// Shifts out the `bits` lowest bits, telling what they were worth.
Rest shiftRight(Long& n, int bits) {
  const auto bitAt = [&n](std::size_t index) { return index / 32 < n.size() && ((n[index / 32] >> (index % 32)) & 1) != 0; };
  const auto half = static_cast<std::size_t>(bits - 1);
  bool beyond = false;
  for (std::size_t i = 0; i < half / 32 && i < n.size(); ++i) beyond = beyond || n[i] != 0;
  if (half / 32 < n.size()) beyond = beyond || (n[half / 32] & ((std::uint32_t{1} << (half % 32)) - 1)) != 0;
  const bool halfSet = bitAt(half);
  const auto words = static_cast<std::size_t>(bits / 32);
  const int offset = bits % 32;
  Long shifted;
  for (std::size_t i = words; i < n.size(); ++i) {
    const std::uint32_t above = offset != 0 && i + 1 < n.size() ? n[i + 1] << (32 - offset) : 0;
    shifted.push_back((n[i] >> offset) | above);
  }
  if (shifted.empty()) shifted.push_back(0);
  trim(shifted);
  n = std::move(shifted);
  return halfSet ? (beyond ? Rest::AboveHalf : Rest::Half) : (beyond ? Rest::BelowHalf : Rest::None);
}

int compare(const Long& a, const Long& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (std::size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

// floor(u / v) (v > 0, the quotient below 2^128), and what the remainder is
// worth against v / 2: Knuth's long division (The Art of Computer
// Programming, volume 2, 4.3.1, algorithm D), one 32-bit word of the
// quotient a step.
Scaled divide(const Long& u, const Long& v) {
  const std::size_t n = v.size();
  const std::size_t m = std::max(u.size(), n);
  const int s = std::countl_zero(v.back());
  Long vn = v, un = u;
  if (s != 0) {
    shiftLeft(vn, s);
    shiftLeft(un, s);
  }
  un.resize(m + 1, 0);
  vn.resize(n, 0);
  Long q(m - n + 1, 0);
  constexpr std::uint64_t kBase = std::uint64_t{1} << 32;
  for (std::size_t j = m - n + 1; j-- > 0;) {
    const std::uint64_t top = (std::uint64_t{un[j + n]} << 32) | un[j + n - 1];
    std::uint64_t qhat = top / vn[n - 1], rhat = top % vn[n - 1];
    while (qhat >= kBase || (n > 1 && qhat * vn[n - 2] > ((rhat << 32) | un[j + n - 2]))) {
      --qhat;
      rhat += vn[n - 1];
      if (rhat >= kBase) break;
    }
    std::int64_t borrow = 0;
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t p = qhat * vn[i] + carry;
      carry = p >> 32;
      const std::int64_t t = std::int64_t{un[i + j]} - static_cast<std::int64_t>(p & 0xFFFFFFFFu) + borrow;
      un[i + j] = static_cast<std::uint32_t>(t);
      borrow = t >> 32;
    }
    const std::int64_t t = std::int64_t{un[j + n]} - static_cast<std::int64_t>(carry) + borrow;
    un[j + n] = static_cast<std::uint32_t>(t);
    if (t < 0) {
      // Taken once too often: add v back.
      --qhat;
      std::uint64_t sum = 0;
      for (std::size_t i = 0; i < n; ++i) {
        sum += std::uint64_t{un[i + j]} + vn[i];
        un[i + j] = static_cast<std::uint32_t>(sum);
        sum >>= 32;
      }
      un[j + n] += static_cast<std::uint32_t>(sum);
    }
    q[j] = static_cast<std::uint32_t>(qhat);
  }
  // The remainder, still shifted by s, against v shifted alike: twice it
  // against v.
  un.resize(n);
  trim(un);
  trim(vn);
  Long twice = un;
  shiftLeft(twice, 1);
  const int against = un.size() == 1 && un[0] == 0 ? -2 : compare(twice, vn);
  trim(q);
  const Rest rest = against == -2 ? Rest::None
                    : against < 0 ? Rest::BelowHalf
                    : against == 0 ? Rest::Half
                                   : Rest::AboveHalf;
  return {wideOf(q), rest};
}

// 5^k as a long number, from a table of the powers 5^(27 i) made at first use.
Long powerOf5(int k) {
  static const std::vector<Long> table = [] {
    // Enough for the smallest 80-bit subnormal scaled to 21 digits (about 5^4971).
    std::vector<Long> powers{Long{1}};
    const Long step = longOf(kPowersOf5[27]);
    while (powers.size() < 190) powers.push_back(product(powers.back(), step));
    return powers;
  }();
  return product(longOf(kPowersOf5[static_cast<std::size_t>(k % 27)]), table[static_cast<std::size_t>(k / 27)]);
}

// floor(m 2^e 10^s), and what lies below it, by long arithmetic.
Scaled scaledSlowly(std::uint64_t m, int e, int s) {
  if (s >= 0) {
    Long n = product(longOf(m), powerOf5(s));
    if (e + s >= 0) {
      shiftLeft(n, e + s);
      return {wideOf(n), Rest::None};
    }
    const Rest rest = shiftRight(n, -(e + s));
    return {wideOf(n), rest};
  }
  // m 2^e / 10^j = m 2^(e - j) / 5^j, j = -s.
  Long numerator = longOf(m), denominator = powerOf5(-s);
  if (e + s >= 0) {
    shiftLeft(numerator, e + s);
  } else {
    shiftLeft(denominator, -(e + s));
  }
  return divide(numerator, denominator);
}

// floor(m 2^e 10^s), and what lies below it.
Scaled scaled(std::uint64_t m, int e, int s) {
  if (s >= 0 && s < static_cast<int>(kPowersOf5.size())) {
    const Wide n = Wide{m} * kPowersOf5[static_cast<std::size_t>(s)];
    const int shift = e + s;
    if (shift < 0 && shift > -128) {
      // The bits shifted out, as a fraction of 2^128.
      const Wide below = n << (128 + shift), half = Wide{1} << 127;
      const Rest rest = below == 0      ? Rest::None
                        : below < half  ? Rest::BelowHalf
                        : below == half ? Rest::Half
                                        : Rest::AboveHalf;
      return {n >> -shift, rest};
    }
    if (shift == 0 || (shift > 0 && shift < 128 && (n >> (128 - shift)) == 0)) return {n << shift, Rest::None};
  }
  return scaledSlowly(m, e, s);
}

// Splits a number below 10^38 at its 19th digit from the right.
void splitAt19(Wide n, std::uint64_t& high, std::uint64_t& low) {
  constexpr std::uint64_t kTen19 = 10000000000000000000u;
  // n / 10^19 is (n / 2^19) / 5^19, each floored.
  high = static_cast<std::uint64_t>(n >> 19) / 19073486328125u;
  low = static_cast<std::uint64_t>(n) - high * kTen19;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void writePair(char* out, std::uint32_t value) { std::memcpy(out, kDigitPairs + 2 * value, 2); }

// Eight digits of a number below 10^8.
void writeEight(char* out, std::uint32_t value) {
  const std::uint32_t high = value / 10000, low = value % 10000;
  writePair(out, high / 100);
  writePair(out + 2, high % 100);
  writePair(out + 4, low / 100);
  writePair(out + 6, low % 100);
}

// The `count` digits of `n` (below 10^count, count at most 21).
template <int count>
void writeDigits(char* out, Wide n) {
  static_assert(count <= 21);
  char digits[27];
  std::uint64_t high, low;
  splitAt19(n, high, low);
  const std::uint64_t top = low / 100000000;
  writeEight(digits + 19, static_cast<std::uint32_t>(low % 100000000));
  writeEight(digits + 11, static_cast<std::uint32_t>(top % 100000000));
  const auto first = static_cast<std::uint32_t>(top / 100000000);
  digits[8] = static_cast<char>('0' + first / 100);
  writePair(digits + 9, first % 100);
  writePair(digits + 6, static_cast<std::uint32_t>(high));
  std::memcpy(out, digits + 27 - count, static_cast<std::size_t>(count));
}

// floor(e2 log10 2), exactly for the binary exponents of the usual
// magnitudes, to within one beyond them.
constexpr int decadeOf(int binaryExponent) {
  return static_cast<int>((std::int64_t{binaryExponent} * 1292913986) >> 32);
}

// The binary exponents of the usual magnitudes, 1e-12 to 1e22.
constexpr int kFirstUsual = -40, kLastUsual = 72;

// A real m 2^(e2 - 63) of binary exponent e2 (m with its top bit set) has
// decimal exponent decadeOf(e2), or one more where m is at least the
// significand here: 10^(decadeOf(e2) + 1) 2^(63 - e2), rounded up.
constexpr std::array<Wide, kLastUsual - kFirstUsual + 1> kNextDecade = [] {
  std::array<Wide, kLastUsual - kFirstUsual + 1> starts{};
  for (int e2 = kFirstUsual; e2 <= kLastUsual; ++e2) {
    const int decade = decadeOf(e2) + 1, up = 63 - e2;
    Wide start = 0;
    if (decade >= 0) {
      Wide power = 1;
      for (int k = 0; k < decade; ++k) power *= 10;
      if (up >= 0) {
        // Beyond 2^65 it is never reached: a whole 2^65 says so.
        int bits = 0;
        for (Wide rest = power; rest != 0; rest >>= 1) ++bits;
        start = bits + up > 65 ? Wide{1} << 65 : power << up;
      } else {
        start = (power + (Wide{1} << -up) - 1) >> -up;
      }
    } else {
      Wide power = 1;
      for (int k = 0; k < -decade; ++k) power *= 10;
      start = ((Wide{1} << up) + power - 1) / power;
    }
    starts[static_cast<std::size_t>(e2 - kFirstUsual)] = start;
  }
  return starts;
}();

// The `count` digits of m 2^e (m > 0) for the usual magnitudes, where
// m 2^e 10^s fits 128 bits: its exact decimal exponent from the table
// above, one product, and a rounding taken without a branch. False for the
// others.
template <int count>
bool roundedUsualDigits(std::uint64_t m, int e, char* digits, int& exponent) {
  const int zeros = std::countl_zero(m);
  const std::uint64_t normal = m << zeros;
  const int binaryExponent = e - zeros + 63;
  if (binaryExponent < kFirstUsual || binaryExponent > kLastUsual) return false;
  exponent = decadeOf(binaryExponent) +
             (Wide{normal} >= kNextDecade[static_cast<std::size_t>(binaryExponent - kFirstUsual)]);
  const int s = count - 1 - exponent;
  if (s < 0 || s >= static_cast<int>(kPowersOf5.size())) return false;
  const Wide n = Wide{normal} * kPowersOf5[static_cast<std::size_t>(s)];
  const int shift = e - zeros + s;
  Wide whole;
  if (shift >= 0) {
    whole = n << shift;  // a whole number: nothing to round
  } else {
    whole = n >> -shift;
    // The bits shifted out, as a fraction of 2^128: up from a half, and at
    // a half exactly to even.
    const Wide below = n << (128 + shift);
    const bool half = (below >> 127) != 0, beyond = (below << 1) != 0;
    whole += half & (beyond | static_cast<bool>(whole & 1));
  }
  if (whole == kPowersOf10[static_cast<std::size_t>(count)]) {
    whole = kPowersOf10[static_cast<std::size_t>(count - 1)];
    ++exponent;
  }
  writeDigits<count>(digits, whole);
  return true;
}

// The `count` significant digits of m 2^e (m > 0), rounded to nearest with
// ties to even, into `digits`; returns the decimal exponent of the first.
template <int count>
int roundedDigits(std::uint64_t m, int e, char* digits) {
  int exponent;
  if (roundedUsualDigits<count>(m, e, digits, exponent)) return exponent;
  const int binaryExponent = e + 63 - std::countl_zero(m);
  // floor(binaryExponent log10 2), to within one: corrected below.
  exponent = decadeOf(binaryExponent);
  int s = count - 1 - exponent;
  Scaled v = scaled(m, e, s);
  while (v.whole < kPowersOf10[static_cast<std::size_t>(count - 1)]) v = scaled(m, e, ++s);
  while (v.whole >= kPowersOf10[static_cast<std::size_t>(count + 1)]) v = scaled(m, e, --s);
  exponent = count - 1 - s;
  std::uint64_t high, low;
  splitAt19(v.whole, high, low);
  const bool extra = v.whole >= kPowersOf10[static_cast<std::size_t>(count)];
  const Wide shorter = Wide{high} * 1000000000000000000u + low / 10;
  const Rest shorterRest = restBeyond(static_cast<int>(low % 10), v.rest != Rest::None);
  Wide whole = extra ? shorter : v.whole;
  const Rest rest = extra ? shorterRest : v.rest;
  exponent += extra;
  whole += (rest == Rest::AboveHalf) | ((rest == Rest::Half) & static_cast<bool>(whole & 1));
  if (whole == kPowersOf10[static_cast<std::size_t>(count)]) {
    whole = kPowersOf10[static_cast<std::size_t>(count - 1)];
    ++exponent;
  }
  writeDigits<count>(digits, whole);
  return exponent;
}

// How many of the `count` digits are left once the trailing zeros go: the
// digits lie in 24 bytes, zeros after them.
template <int count>
int keptDigits(const char* digits) {
  static_assert(count <= 24);
  constexpr std::uint64_t kZeros = 0x3030303030303030u;
  for (int word = 2; word > 0; --word) {
    std::uint64_t bytes;
    std::memcpy(&bytes, digits + 8 * word, 8);
    // The highest byte that is not '0' (the digits' order in memory is little-endian's).
    if ((bytes ^ kZeros) != 0) return 8 * word + (63 - std::countl_zero(bytes ^ kZeros)) / 8 + 1;
  }
  std::uint64_t bytes;
  std::memcpy(&bytes, digits, 8);
  return (63 - std::countl_zero(bytes ^ kZeros)) / 8 + 1;
}

// The "%.<count>g" layout of the digits (in 48 bytes, zeros after them):
// the fixed form where the exponent lies from -4 to count - 1, else the
// exponent form; trailing zeros of the fraction dropped, and its point
// with them. Copies are of a fixed length, past the end of what is kept:
// `out` has kRealTextSize bytes of room.
template <int count>
char* layOut(char* out, const char* digits, int exponent) {
  const int kept = keptDigits<count>(digits);
  if (exponent >= 0 && exponent < count) {
    // The whole part, then the point and the fraction, if any.
    const int whole = exponent + 1;
    std::memcpy(out, digits, 24);
    std::memcpy(out + whole + 1, digits + whole, 24);
    out[whole] = '.';
    return out + (kept > whole ? kept + 1 : whole);
  }
  if (exponent < 0 && exponent >= -4) {
    std::memcpy(out, "0.0000", 6);
    std::memcpy(out + 1 - exponent, digits, 24);
    return out + 1 - exponent + kept;
  }
  out[0] = digits[0];
  out[1] = '.';
  std::memcpy(out + 2, digits + 1, 24);
  out += kept > 1 ? kept + 1 : 1;
  *out++ = 'e';
  *out++ = exponent < 0 ? '-' : '+';
  const auto magnitude = static_cast<std::uint32_t>(exponent < 0 ? -exponent : exponent);
  if (magnitude >= 1000) *out++ = static_cast<char>('0' + magnitude / 1000);
  if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100 % 10);
  writePair(out, magnitude % 100);
  return out + 2;
}

// A finite value as sign, significand and binary exponent (value = m 2^e);
// false for what printf itself is left to write.
struct Parts {
  bool negative = false;
  std::uint64_t m = 0;
  int e = 0;
};

bool partsOf(double value, Parts& parts) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  if (exponent == 0x7FF) return false;
  parts.negative = (bits >> 63) != 0;
  parts.m = bits & ((std::uint64_t{1} << 52) - 1);
  if (exponent == 0) {
    parts.e = -1074;
  } else {
    parts.m |= std::uint64_t{1} << 52;
    parts.e = exponent - 1075;
  }
  return true;
}

bool partsOf(long double value, Parts& parts) {
  if constexpr (std::numeric_limits<long double>::digits != 64 || std::endian::native != std::endian::little) {
    return false;
  } else {
    // The x87 format: 64 bits of significand with its leading bit, then the
    // sign and 15 bits of exponent.
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &value, sizeof value);
    std::uint16_t signAndExponent;
    std::memcpy(&parts.m, bytes, 8);
    std::memcpy(&signAndExponent, bytes + 8, 2);
    const int exponent = signAndExponent & 0x7FFF;
    const bool leadingBit = (parts.m >> 63) != 0;
    // Infinities, NaNs and the encodings no arithmetic makes (a leading bit
    // that disagrees with the exponent) go to printf.
    if (exponent == 0x7FFF || leadingBit != (exponent != 0)) return false;
    parts.negative = (signAndExponent >> 15) != 0;
    parts.e = (exponent == 0 ? 1 : exponent) - 16383 - 63;
    return true;
  }
}

}  // namespace

template <class Real>
char* writeRealText(char* out, Real value) {
  Parts parts;
  if (!partsOf(value, parts)) {
    int length;
    if constexpr (std::is_same_v<Real, long double>) {
      length = std::snprintf(out, kRealTextSize, "%.21Lg", value);
    } else {
      length = std::snprintf(out, kRealTextSize, "%.17g", value);
    }
    return out + length;
  }
  *out = '-';
  out += parts.negative;
  // Whole numbers below 2^64 (counts, degrees of freedom), 0 among them,
  // are their digits; they have fewer than the text keeps.
  if (parts.e <= 0 && parts.e > -64 && (parts.e == 0 || (parts.m << (64 + parts.e)) == 0)) {
    return std::to_chars(out, out + 20, parts.e == 0 ? parts.m : parts.m >> -parts.e).ptr;
  }
  if (parts.m == 0) {
    *out = '0';
    return out + 1;
  }
  char digits[48];
  std::memset(digits + 24, '0', 24);
  const int exponent = roundedDigits<kDigits<Real>>(parts.m, parts.e, digits);
  std::memset(digits + kDigits<Real>, '0', 24 - kDigits<Real>);
  return layOut<kDigits<Real>>(out, digits, exponent);
}

template <class Real>
std::string fixedText(Real value, int width, int decimals) {
  Parts parts;
  if (!partsOf(value, parts) || decimals < 0 || decimals >= static_cast<int>(kPowersOf5.size()) ||
      (parts.m != 0 && parts.e + 63 - std::countl_zero(parts.m) > 62)) {
    char text[128];
    int length;
    if constexpr (std::is_same_v<Real, long double>) {
      length = std::snprintf(text, sizeof text, "%*.*Lf", width, decimals, value);
    } else {
      length = std::snprintf(text, sizeof text, "%*.*f", width, decimals, value);
    }
    if (length >= 0 && static_cast<std::size_t>(length) < sizeof text) return std::string(text, static_cast<std::size_t>(length));
    std::string longer(static_cast<std::size_t>(length), '\0');
    if constexpr (std::is_same_v<Real, long double>) {
      std::snprintf(longer.data(), longer.size() + 1, "%*.*Lf", width, decimals, value);
    } else {
      std::snprintf(longer.data(), longer.size() + 1, "%*.*f", width, decimals, value);
    }
    return longer;
  }
  // The value times 10^decimals, rounded: below 2^63 10^27, it fits 128 bits.
  Wide whole = 0;
  if (parts.m != 0) {
    const Scaled v = scaled(parts.m, parts.e, decimals);
    whole = v.whole + (v.rest == Rest::AboveHalf || (v.rest == Rest::Half && (v.whole & 1) != 0));
  }
  // Its digits from the last, the point before the last `decimals` of them,
  // at least one whole digit.
  char digits[64];
  char* const end = digits + sizeof digits;
  char* first = end;
  const auto writeFrom = [&](auto number) {
    for (int k = 0; k < decimals; ++k) {
      *--first = static_cast<char>('0' + static_cast<int>(number % 10));
      number /= 10;
    }
    if (decimals > 0) *--first = '.';
    do {
      *--first = static_cast<char>('0' + static_cast<int>(number % 10));
      number /= 10;
    } while (number != 0);
  };
  // In 64 bits where it fits, whose divisions by 10 are products.
  if ((whole >> 64) == 0) {
    writeFrom(static_cast<std::uint64_t>(whole));
  } else {
    writeFrom(whole);
  }
  if (parts.negative) *--first = '-';
  const auto length = static_cast<std::size_t>(end - first);
  std::string text(length < static_cast<std::size_t>(width) ? static_cast<std::size_t>(width) - length : 0, ' ');
  return text.append(first, length);
}

template char* writeRealText<double>(char*, double);
template char* writeRealText<long double>(char*, long double);
template std::string fixedText<double>(double, int, int);
template std::string fixedText<long double>(long double, int, int);

}  // namespace ortelan
