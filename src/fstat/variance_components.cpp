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
  std::array<int, kInlineRows> inlineTyped{};
  std::vector<int> heapTyped;
  int* typedRows = inlineTyped.data();
  if (rows.size() > kInlineRows) {
    heapTyped.resize(rows.size());
    typedRows = heapTyped.data();
  }
  int r = 0;
  std::int64_t n = 0, sumSquares = 0;
  for (int row : rows) {
    const std::int64_t ni = sample.typed[static_cast<std::size_t>(row)];
    if (ni == 0) continue;
    typedRows[r++] = row;
    n += ni;
    sumSquares += ni * ni;
  }
  // nbar > 1 unless every population has one individual typed.
  if (r < 2 || n <= r) return std::nullopt;

  const Real R = r, N = static_cast<Real>(n);
  const Real nbar = N / R;
  const Real nc = (N - static_cast<Real>(sumSquares) / N) / (R - 1);
  const int g = sample.genesPerIndividual;
  const Real genes = static_cast<Real>(g) * N;
  VarianceComponents<Real> sum;
  int alleles = 0;
  for (int u = 0; u < sample.alleles; ++u) {
    std::int64_t copies = 0, heterozygotes = 0;
    for (int k = 0; k < r; ++k) {
      copies += sample.genesAt(typedRows[k], u);
      heterozygotes += sample.heterozygotesAt(typedRows[k], u);
    }
    if (copies == 0) continue;  // its components are 0
    ++alleles;
    const Real pbar = static_cast<Real>(copies) / genes;
    Real s2 = 0, within = 0;
    for (int k = 0; k < r; ++k) {
      const std::int64_t ni = sample.typed[static_cast<std::size_t>(typedRows[k])];
      const std::int64_t x = sample.genesAt(typedRows[k], u);
      const Real genesIn = static_cast<Real>(g * ni);
      const Real deviation = static_cast<Real>(x) / genesIn - pbar;
      s2 += static_cast<Real>(ni) * deviation * deviation;
      // n_i p_i (1 - p_i), from the counts.
      within += static_cast<Real>(x) * static_cast<Real>(g * ni - x) / (genesIn * static_cast<Real>(g));
    }
    s2 /= (R - 1) * nbar;
    within /= N;  // = pbar (1 - pbar) - (r - 1) s2 / r
    const Real hbar = static_cast<Real>(heterozygotes) / N;
    sum.a += nbar / nc * (s2 - (within - hbar / 4) / (nbar - 1));
    sum.b += nbar / (nbar - 1) * (within - (2 * nbar - 1) / (4 * nbar) * hbar);
    sum.c += hbar / 2;
  }
  if (alleles < 2 || !(sum.a + sum.b + sum.c > 0)) return std::nullopt;
  return sum;
}

template std::optional<VarianceComponents<double>> varianceComponents<double>(const LocusSample&, std::span<const int>);
template std::optional<VarianceComponents<long double>> varianceComponents<long double>(const LocusSample&,
                                                                                        std::span<const int>);

}  // namespace ortelan
