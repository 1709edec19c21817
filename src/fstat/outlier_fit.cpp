#include "fstat/outlier_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/tools/minima.hpp>

#include "chisquare/chi2_tail.h"
#include "run/parallel_for.h"

namespace ortelan {
namespace {

// Candidates whose P-values one piece of work computes.
constexpr std::size_t kPieceLoci = 8192;
// The grid of df on which the search first looks for the highest
// likelihood, evenly spaced in log df, before Brent's method refines it
// between the grid's neighbours: a likelihood with more than one peak
// still gives its highest.
constexpr int kGridPoints = 48;
// F multiplied before a log is taken; a product below kSmallProduct (or
// an F, as small as no table gives) has its log taken at once, so that
// none comes near the smallest 80-bit real.
constexpr int kLogFactors = 32;
constexpr long double kSmallProduct = 1e-300L;

// What the likelihood needs of the trimmed loci.
template <class Real>
struct TrimmedSums {
  Real count = 0, sumLogF = 0, sumF = 0, lowest = 0, highest = 0, fbar = 0;
};

// The log-likelihood of the trimmed F at `df`: the density of F = Fbar X /
// df, X ~ chi2(df), is (df / Fbar) dchisq(df F / Fbar; df), divided by the
// mass of [F_min, F_max]. Summed over the loci with
// log dchisq(x; k) = (k/2 - 1) log x - x/2 - (k/2) log 2 - lgamma(k/2),
// it comes to
//   (df/2) (m log(df / (2 Fbar)) + sum log F) - sum log F - df sum F / (2 Fbar)
//   - m lgamma(df/2) - m log(mass)
// over m loci. -infinity where the mass is 0.
template <class Real>
Real logLikelihood(const TrimmedSums<Real>& s, Real df) {
  using std::log;
  const Real scale = df / s.fbar;
  const Real low = scale * s.lowest, high = scale * s.highest;
  // The mass from whichever tail keeps its digits.
  const Real mass = high <= df ? chiSquareLowerTail(high, df) - chiSquareLowerTail(low, df)
                               : chiSquareUpperTail(low, df) - chiSquareUpperTail(high, df);
  if (!(mass > 0)) return -std::numeric_limits<Real>::infinity();
  return df / 2 * (s.count * log(df / (2 * s.fbar)) + s.sumLogF) - s.sumLogF - df * s.sumF / (2 * s.fbar) -
         s.count * boost::math::lgamma(df / 2) - s.count * log(mass);
}

// The df in [kLowestDf, kHighestDf] of the highest likelihood.
template <class Real>
Real bestDf(const TrimmedSums<Real>& s) {
  const auto minusLL = [&s](Real df) { return -logLikelihood(s, df); };
  const Real logLow = std::log(Real(kLowestDf)), logHigh = std::log(Real(kHighestDf));
  const auto gridDf = [&](int k) {
    if (k <= 0) return Real(kLowestDf);
    if (k >= kGridPoints - 1) return Real(kHighestDf);
    return std::exp(logLow + (logHigh - logLow) * static_cast<Real>(k) / (kGridPoints - 1));
  };
  int best = 0;
  Real bestValue = minusLL(gridDf(0));
  for (int k = 1; k < kGridPoints; ++k) {
    const Real value = minusLL(gridDf(k));
    if (value < bestValue) best = k, bestValue = value;
  }
  // Half the digits of the real: as far as a smooth peak can be located
  // (about 1e-8 relative for a double, 2e-10 for an 80-bit real).
  const int bits = std::numeric_limits<Real>::digits / 2;
  const auto [df, value] = boost::math::tools::brent_find_minima(minusLL, gridDf(best - 1), gridDf(best + 1), bits);
  return value <= bestValue ? df : gridDf(best);
}

}  // namespace

template <class Real>
OutlierFit<Real> fitOutliers(std::span<const OutlierCandidate<Real>> candidates, int workers,
                             const std::function<void()>& whileWaiting) {
  OutlierFit<Real> fit;
  const std::size_t n = candidates.size();
  fit.p.assign(n, OutlierFit<Real>::kNA);
  fit.q.assign(n, OutlierFit<Real>::kNA);

  // By F, ties in the candidates' order. Sorted as doubles, whose order
  // is F's where they differ (each half on a thread of its own, then the
  // two merged), then each run of equal doubles by F itself.
  struct Ranked {
    double key;
    std::uint32_t at;  // the candidates are loci: fewer than 2^31
    bool operator<(const Ranked& other) const { return key < other.key || (key == other.key && at < other.at); }
  };
  std::vector<Ranked> ranked(n);
  for (std::size_t i = 0; i < n; ++i) ranked[i] = {static_cast<double>(candidates[i].f), static_cast<std::uint32_t>(i)};
  const auto middle = ranked.begin() + static_cast<std::ptrdiff_t>(n / 2);
  parallelFor(std::min(workers, 2), 2, [&](std::size_t half) {
    std::sort(half == 0 ? ranked.begin() : middle, half == 0 ? middle : ranked.end());
  }, whileWaiting);
  std::inplace_merge(ranked.begin(), middle, ranked.end());
  for (std::size_t first = 0; first < n;) {
    std::size_t end = first + 1;
    while (end < n && ranked[end].key == ranked[first].key) ++end;
    if (end - first > 1) {
      std::sort(ranked.begin() + static_cast<std::ptrdiff_t>(first), ranked.begin() + static_cast<std::ptrdiff_t>(end),
                [&](const Ranked& a, const Ranked& b) {
                  const Real fa = candidates[a.at].f, fb = candidates[b.at].f;
                  return fa < fb || (fa == fb && a.at < b.at);
                });
    }
    first = end;
  }
  const auto cut = static_cast<std::size_t>(std::floor(kTrimmedShare * static_cast<double>(n)));
  std::vector<char> kept(n, 0);
  for (std::size_t rank = cut; rank + cut < n; ++rank) kept[ranked[rank].at] = 1;

  // The sums in the candidates' order, as a merge of tables meets them.
  // Sum log F as the logs of products of a few F at a time, in 80-bit
  // reals, whose range holds them.
  TrimmedSums<Real> s;
  Real numerator = 0, he = 0;
  long double sumLogF = 0, product = 1;
  int factors = 0;
  bool first = true;
  for (std::size_t i = 0; i < n; ++i) {
    const Real f = candidates[i].f;
    if (!kept[i] || !(f > 0)) continue;
    ++fit.trimmed;
    numerator += f * candidates[i].he;
    he += candidates[i].he;
    if (f < Real(kSmallProduct)) {
      sumLogF += std::log(static_cast<long double>(f));
    } else {
      product *= static_cast<long double>(f);
      if (++factors == kLogFactors || product < kSmallProduct) {
        sumLogF += std::log(product);
        product = 1;
        factors = 0;
      }
    }
    s.sumF += f;
    s.lowest = first ? f : std::min(s.lowest, f);
    s.highest = first ? f : std::max(s.highest, f);
    first = false;
  }
  s.sumLogF = static_cast<Real>(sumLogF + std::log(product));
  if (fit.trimmed < kMinTrimmedLoci) return fit;
  s.count = static_cast<Real>(fit.trimmed);
  s.fbar = numerator / he;
  fit.fitted = true;
  fit.fbar = s.fbar;
  fit.df = bestDf(s);

  // The P-values by rank: once for each distinct F, which many loci of
  // complete data share.
  std::vector<Real> p(n);
  parallelFor(workers, (n + kPieceLoci - 1) / kPieceLoci, [&](std::size_t piece) {
    const std::size_t from = piece * kPieceLoci, to = std::min(n, from + kPieceLoci);
    std::vector<Real> chi2;
    std::vector<std::size_t> at;  // the first rank of each distinct F
    Real before = 0;
    for (std::size_t m = from; m < to; ++m) {
      const Real f = candidates[ranked[m].at].f;
      if (m > from && f == before) continue;
      before = f;
      chi2.push_back(fit.df * f / fit.fbar);
      at.push_back(m);
    }
    std::vector<Real> tails(chi2.size());
    chiSquareUpperTails<Real>(fit.df, chi2, tails);
    for (std::size_t k = 0; k < at.size(); ++k) {
      const std::size_t next = k + 1 < at.size() ? at[k + 1] : to;
      std::fill(p.begin() + static_cast<std::ptrdiff_t>(at[k]), p.begin() + static_cast<std::ptrdiff_t>(next), tails[k]);
    }
  }, whileWaiting);

  // Benjamini and Hochberg: the P-values fall as F rises, so the order by
  // F from the lowest is the order by P from the highest; q is the running
  // minimum of n p / rank, at most 1. Tied P-values get one q, as in R.
  Real running = 1;
  for (std::size_t m = 0; m < n; ++m) {
    running = std::min(running, static_cast<Real>(n) / static_cast<Real>(n - m) * p[m]);  // R's n / i * p
    fit.p[ranked[m].at] = p[m];
    fit.q[ranked[m].at] = running;
  }
  return fit;
}

template OutlierFit<double> fitOutliers<double>(std::span<const OutlierCandidate<double>>, int,
                                                const std::function<void()>&);
template OutlierFit<long double> fitOutliers<long double>(std::span<const OutlierCandidate<long double>>, int,
                                                          const std::function<void()>&);

}  // namespace ortelan
