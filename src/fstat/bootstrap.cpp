#include "fstat/bootstrap.h"

#include <algorithm>

#include "run/seed_source.h"
#include "run/split_mix64.h"

namespace ortelan {
namespace {

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
