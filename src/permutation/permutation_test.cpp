#include "permutation/permutation_test.h"

#include <algorithm>

namespace ortelan {
namespace {

// Permutations a round makes: enough to share among the workers and to
// pass over the loci seldom, few enough that a test that stops early
// wastes little.
constexpr long kRound = 64;

}  // namespace

SampledCount countHits(std::int64_t observed, std::int64_t tie, std::span<const std::int64_t> permuted,
                       std::int64_t hits) {
  SampledCount count;
  for (const std::int64_t g : permuted) {
    count.counted += g >= observed - tie ? 1 : 0;
    ++count.drawn;
    if (count.counted >= hits) {
      count.stopped = true;
      break;
    }
  }
  return count;
}

template <class Real>
PermutationOutcome<Real> permutationTest(const SummedG& statistic, const PermutationDesign& design, PermutedUnits units,
                                         std::uint64_t key, const PermutationSettings& settings,
                                         const std::function<void()>& whileWaiting) {
  PermutationOutcome<Real> out;
  out.loci = statistic.loci();
  out.tie = statistic.tieMargin(design.rows);
  std::vector<std::vector<int>> arrangements;
  std::vector<std::int64_t> sums;
  bool stopped = false;
  for (long first = 0; first <= settings.permutations && (!stopped || settings.keepAll);) {
    // Round after round: the observed arrangement first, then permutations.
    const long last = std::min(settings.permutations, first + kRound - 1);
    arrangements.resize(static_cast<std::size_t>(last - first + 1));
    for (long k = first; k <= last; ++k) permutedRows(design, key, k, arrangements[static_cast<std::size_t>(k - first)]);
    if (units == PermutedUnits::Individuals) {
      statistic.ofIndividuals(design.rows, arrangements, sums, settings.workers, whileWaiting);
    } else {
      statistic.ofPopulations(design.rows, arrangements, sums, settings.workers, whileWaiting);
    }
    for (long k = first; k <= last; ++k) {
      const std::int64_t g = sums[static_cast<std::size_t>(k - first)];
      if (k == 0) {
        out.observed = g;
        continue;
      }
      out.permuted.push_back(g);
    }
    stopped = countHits(out.observed, out.tie, out.permuted, settings.hits).stopped;
    if (settings.made) settings.made(last - std::max(first, 1L) + 1);
    first = last + 1;
  }
  if (settings.made) settings.made(settings.permutations - static_cast<long>(out.permuted.size()));
  out.count = countHits(out.observed, out.tie, out.permuted, settings.hits);
  if (!settings.keepAll) out.permuted.resize(static_cast<std::size_t>(out.count.drawn));
  out.p = permutationP<Real>(out.count);
  return out;
}

template PermutationOutcome<double> permutationTest<double>(const SummedG&, const PermutationDesign&, PermutedUnits,
                                                            std::uint64_t, const PermutationSettings&,
                                                            const std::function<void()>&);
template PermutationOutcome<long double> permutationTest<long double>(const SummedG&, const PermutationDesign&,
                                                                      PermutedUnits, std::uint64_t,
                                                                      const PermutationSettings&,
                                                                      const std::function<void()>&);

}  // namespace ortelan
