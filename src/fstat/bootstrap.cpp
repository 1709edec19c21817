#include "fstat/bootstrap.h"

#include <algorithm>

#include "run/seed_source.h"

namespace ortelan {
namespace {

class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t state) : state_(state) {}

  std::uint64_t next() {
    state_ += kGolden;
    return mix64(state_);
  }

  // Uniform on 0 .. m - 1 (m > 0), exactly.
  std::uint64_t below(std::uint64_t m) {
    std::uint64_t low = 0, high = product(next(), m, low);
    if (low < m) {
      const std::uint64_t threshold = (0 - m) % m;  // 2^64 mod m
      while (low < threshold) high = product(next(), m, low);
    }
    return high;
  }

 private:
  // The high word of x * y; the low word into `low`.
  static std::uint64_t product(std::uint64_t x, std::uint64_t y, std::uint64_t& low) {
    const std::uint64_t x0 = x & 0xFFFFFFFFu, x1 = x >> 32, y0 = y & 0xFFFFFFFFu, y1 = y >> 32;
    const std::uint64_t p00 = x0 * y0, p01 = x0 * y1, p10 = x1 * y0, p11 = x1 * y1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
    low = (middle << 32) | (p00 & 0xFFFFFFFFu);
    return p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
  }

  std::uint64_t state_;
};

// The q-quantile (q = thousandths / 1000) of sorted values, type 7; the
// place between order statistics in whole numbers.
template <class Real>
Real quantile(const std::vector<Real>& sorted, std::uint64_t thousandths) {
  const std::uint64_t scaled = (sorted.size() - 1) * thousandths;
  const std::size_t below = scaled / 1000;
  const Real fraction = static_cast<Real>(scaled % 1000) / 1000;
  if (fraction == 0) return sorted[below];
  return sorted[below] + fraction * (sorted[below + 1] - sorted[below]);
}

}  // namespace

template <class Real>
Real bootstrapReplicate(std::span<const std::pair<Real, Real>> loci, std::uint64_t key, long k) {
  SplitMix64 draws(chainKey(key, {static_cast<std::uint64_t>(k)}));
  Real num = 0, den = 0;
  for (std::size_t i = 0; i < loci.size(); ++i) {
    const auto& [a, total] = loci[draws.below(loci.size())];
    num += a;
    den += total;
  }
  return num / den;
}

template <class Real>
std::optional<BootstrapLimits<Real>> percentileLimits(std::vector<Real> estimates) {
  if (estimates.empty()) return std::nullopt;
  std::sort(estimates.begin(), estimates.end());
  return BootstrapLimits<Real>{quantile(estimates, 25), quantile(estimates, 975)};
}

template <class Real>
std::optional<BootstrapLimits<Real>> bootstrapLimits(std::span<const std::pair<Real, Real>> loci, std::uint64_t key,
                                                     long replicates) {
  if (loci.empty() || replicates <= 0) return std::nullopt;
  std::vector<Real> estimates;
  for (long k = 0; k < replicates; ++k) estimates.push_back(bootstrapReplicate(loci, key, k));
  return percentileLimits(std::move(estimates));
}

template double bootstrapReplicate<double>(std::span<const std::pair<double, double>>, std::uint64_t, long);
template long double bootstrapReplicate<long double>(std::span<const std::pair<long double, long double>>,
                                                     std::uint64_t, long);
template std::optional<BootstrapLimits<double>> percentileLimits<double>(std::vector<double>);
template std::optional<BootstrapLimits<long double>> percentileLimits<long double>(std::vector<long double>);
template std::optional<BootstrapLimits<double>> bootstrapLimits<double>(std::span<const std::pair<double, double>>,
                                                                        std::uint64_t, long);
template std::optional<BootstrapLimits<long double>> bootstrapLimits<long double>(
    std::span<const std::pair<long double, long double>>, std::uint64_t, long);

}  // namespace ortelan
