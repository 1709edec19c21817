#include "fstat/variance_components.h"

#include <array>
#include <vector>

namespace ortelan {
namespace {

// Populations at a locus rarely number more than this; more go to the heap.
constexpr std::size_t kInlineRows = 64;

}  // namespace

template <class Real>
std::optional<VarianceComponents<Real>> varianceComponents(const LocusSample& sample, std::span<const int> rows) {
  // Per population typed: its row, individuals, 1 / (g n_i) and 1 / (g^2 n_i).
  struct Typed {
    int row;
    std::int64_t individuals;
    Real perGene, perGeneSquared;
  };
  std::array<Typed, kInlineRows> inlineTyped;  // only the places written are read
  std::vector<Typed> heapTyped;
  Typed* typed = inlineTyped.data();
  if (rows.size() > kInlineRows) {
    heapTyped.resize(rows.size());
    typed = heapTyped.data();
  }
  const int g = sample.genesPerIndividual;
  int r = 0;
  std::int64_t n = 0, sumSquares = 0;
  for (int row : rows) {
    const std::int64_t ni = sample.typed[static_cast<std::size_t>(row)];
    if (ni == 0) continue;
    const Real genesIn = static_cast<Real>(g * ni);
    typed[r++] = {row, ni, 1 / genesIn, 1 / (genesIn * static_cast<Real>(g))};
    n += ni;
    sumSquares += ni * ni;
  }
  // nbar > 1 unless every population has one individual typed.
  if (r < 2 || n <= r) return std::nullopt;

  // What does not depend on the allele, once: the loci are many and the
  // divisions of 80-bit reals slow.
  const Real R = r, N = static_cast<Real>(n);
  const Real nbar = N / R;
  const Real nc = (N - static_cast<Real>(sumSquares) / N) / (R - 1);
  const Real perIndividual = 1 / N, perGene = 1 / (static_cast<Real>(g) * N);
  const Real s2Scale = 1 / ((R - 1) * nbar);
  const Real aScale = nbar / nc, perNbarLess1 = 1 / (nbar - 1), bScale = nbar / (nbar - 1);
  const Real hbarWeight = (2 * nbar - 1) / (4 * nbar);
  VarianceComponents<Real> sum;
  int alleles = 0;
  for (int u = 0; u < sample.alleles; ++u) {
    std::int64_t copies = 0, heterozygotes = 0;
    for (int k = 0; k < r; ++k) {
      copies += sample.genesAt(typed[k].row, u);
      heterozygotes += sample.heterozygotesAt(typed[k].row, u);
    }
    if (copies == 0) continue;  // its components are 0
    ++alleles;
    const Real pbar = static_cast<Real>(copies) * perGene;
    Real s2 = 0, within = 0;
    for (int k = 0; k < r; ++k) {
      const std::int64_t x = sample.genesAt(typed[k].row, u);
      const Real deviation = static_cast<Real>(x) * typed[k].perGene - pbar;
      s2 += static_cast<Real>(typed[k].individuals) * deviation * deviation;
      // n_i p_i (1 - p_i), from the counts.
      within += static_cast<Real>(x * (g * typed[k].individuals - x)) * typed[k].perGeneSquared;
    }
    s2 *= s2Scale;
    within *= perIndividual;  // = pbar (1 - pbar) - (r - 1) s2 / r
    const Real hbar = static_cast<Real>(heterozygotes) * perIndividual;
    sum.a += aScale * (s2 - (within - hbar / 4) * perNbarLess1);
    sum.b += bScale * (within - hbarWeight * hbar);
    sum.c += hbar / 2;
  }
  if (alleles < 2 || !(sum.a + sum.b + sum.c > 0)) return std::nullopt;
  return sum;
}

template std::optional<VarianceComponents<double>> varianceComponents<double>(const LocusSample&, std::span<const int>);
template std::optional<VarianceComponents<long double>> varianceComponents<long double>(const LocusSample&,
                                                                                        std::span<const int>);

}  // namespace ortelan
