#include "chisquare/chi2_tail.h"

#include <boost/math/special_functions/gamma.hpp>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "chisquare/quiet_math_policy.h"

namespace ortelan {
namespace {

// The bits that make a real: its 64 low bits and, for an 80-bit real, the
// sign and exponent above them.
template <class Real>
struct RealBits {
  std::uint64_t low = 0;
  std::uint16_t high = 0;

  explicit RealBits(Real value) {
    std::memcpy(&low, &value, sizeof low);
    if constexpr (sizeof(Real) > sizeof low) std::memcpy(&high, reinterpret_cast<const char*>(&value) + sizeof low, sizeof high);
  }
  bool operator==(const RealBits&) const = default;
};

// The tails of recent arguments, for one thread: the tables of SNPs, and
// their pairs' above all, repeat a few thousand small tables millions of
// times, and a tail costs some 200 ns.
template <class Real>
class RecentTails {
 public:
  // The tail of (chi2, df) when it is known; else `compute` makes it.
  template <class Compute>
  Real tail(Real chi2, Real df, const Compute& compute) {
    const RealBits<Real> x(chi2), n(df);
    const std::uint64_t hash = (x.low ^ (std::uint64_t{x.high} << 48) ^ (n.low * 0x9E3779B97F4A7C15ull)) *
                               0xBF58476D1CE4E5B9ull;
    Entry& entry = entries_[hash >> (64 - kBits)];
    if (entry.used && entry.chi2 == x && entry.df == n) return entry.tail;
    entry = {x, n, compute(), true};
    return entry.tail;
  }

 private:
  static constexpr int kBits = 12;
  struct Entry {
    RealBits<Real> chi2{Real(0)}, df{Real(0)};
    Real tail = 0;
    bool used = false;
  };
  std::array<Entry, std::size_t{1} << kBits> entries_;
};

template <class Real>
Real computedTail(Real chi2, Real df) {
  if (std::isnan(chi2) || std::isnan(df) || df < 0) return std::numeric_limits<Real>::quiet_NaN();
  if (df == 0 || chi2 <= 0) return 1;
  // The C library's exp and log inside may set ERANGE deep in the tail;
  // callers that read errno after their own calls must not see it.
  const int errnoBefore = errno;
  const Real q = boost::math::gamma_q(df / 2, chi2 / 2, QuietMathPolicy());
  errno = errnoBefore;
  // Subnormal results carry too few digits to be worth printing.
  return q < std::numeric_limits<Real>::min() ? Real(0) : q;
}

}  // namespace

template <class Real>
Real chiSquareUpperTail(Real chi2, Real df) {
  thread_local std::unique_ptr<RecentTails<Real>> recent;
  if (!recent) recent = std::make_unique<RecentTails<Real>>();
  return recent->tail(chi2, df, [&] { return computedTail(chi2, df); });
}

template <class Real>
Real chiSquareLowerTail(Real chi2, Real df) {
  if (std::isnan(chi2) || std::isnan(df) || df < 0) return std::numeric_limits<Real>::quiet_NaN();
  if (chi2 <= 0) return 0;
  if (df == 0) return 1;
  const int errnoBefore = errno;
  const Real p = boost::math::gamma_p(df / 2, chi2 / 2, QuietMathPolicy());
  errno = errnoBefore;
  return p < std::numeric_limits<Real>::min() ? Real(0) : p;
}

template <class Real>
void chiSquareUpperTails(Real df, std::span<const Real> chi2, std::span<Real> out) {
  using Wide = long double;
  if (!(df >= 0) || df == 0 || df > Real(kBatchTailDf)) {
    for (std::size_t i = 0; i < chi2.size(); ++i) out[i] = chiSquareUpperTail(chi2[i], df);
    return;
  }
  const int errnoBefore = errno;
  const Wide a = static_cast<Wide>(df) / 2;
  const Wide logGammaA = boost::math::lgamma(a, QuietMathPolicy());
  constexpr Wide kEpsilon = std::numeric_limits<Wide>::epsilon();
  constexpr Wide kTiny = std::numeric_limits<Wide>::min() / kEpsilon;
  // Below e^kLogSmallest the prefix is below the smallest normal number.
  static const Wide kLogSmallest = std::log(std::numeric_limits<Wide>::min()) - 64;
  for (std::size_t i = 0; i < chi2.size(); ++i) {
    const Wide x = static_cast<Wide>(chi2[i]) / 2;
    if (std::isnan(x)) {
      out[i] = std::numeric_limits<Real>::quiet_NaN();
      continue;
    }
    if (x <= 0) {
      out[i] = 1;
      continue;
    }
    // x^a e^-x / Gamma(a). An exponent of some size is rounded by as much
    // as it is large: far in the tail e^-x, whose x is exact, apart.
    const Wide rest = a * std::log(x) - logGammaA;
    if (x >= a + 1 && rest - x < kLogSmallest) {  // Q below the prefix, and so below every normal number
      out[i] = 0;
      continue;
    }
    const Wide prefix = x > 64 ? std::exp(-x) * std::exp(rest) : std::exp(rest - x);
    Wide q;
    if (x < a + 1) {
      // P = prefix sum x^n / (a (a + 1) ... (a + n)); then Q = 1 - P, which
      // is not small here.
      Wide term = 1 / a, sum = term;
      for (int n = 1; n < 100000 && term > sum * kEpsilon; ++n) sum += term *= x / (a + n);
      q = 1 - sum * prefix;
    } else {
      // Q = prefix / (x + 1 - a - 1 (1 - a) / (x + 3 - a - ...)), by the
      // modified Lentz method.
      Wide b = x + 1 - a, c = 1 / kTiny, d = 1 / b, h = d;
      for (int n = 1; n < 100000; ++n) {
        const Wide an = -n * (n - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < kTiny) d = kTiny;
        c = b + an / c;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1 / d;
        const Wide step = d * c;
        h *= step;
        if (std::fabs(step - 1) <= kEpsilon) break;
      }
      q = prefix * h;
    }
    const Real value = static_cast<Real>(q);
    out[i] = value < std::numeric_limits<Real>::min() ? Real(0) : value;
  }
  errno = errnoBefore;
}

template double chiSquareUpperTail<double>(double, double);
template long double chiSquareUpperTail<long double>(long double, long double);
template void chiSquareUpperTails<double>(double, std::span<const double>, std::span<double>);
template void chiSquareUpperTails<long double>(long double, std::span<const long double>, std::span<long double>);
template double chiSquareLowerTail<double>(double, double);
template long double chiSquareLowerTail<long double>(long double, long double);

}  // namespace ortelan
