#include "fstat/uncorrected_f.h"

#include <array>
#include <cstdint>

#include "run/run_state.h"

namespace ortelan {

template <class Real>
UncorrectedF<Real> uncorrectedF(const CountTable& alleles) {
  UncorrectedF<Real> out;
  // Each allele's genes over the populations. The readers hold a locus to
  // kMaxAlleleCode alleles; a table of more is no candidate of anything.
  if (alleles.columns > kMaxAlleleCode) return out;
  std::array<std::int64_t, kMaxAlleleCode + 1> counts{};
  std::int64_t genes = 0;
  for (int pop = 1; pop <= alleles.rows; ++pop) {
    std::int64_t typed = 0;
    for (int allele = 1; allele <= alleles.columns; ++allele) {
      typed += alleles.at(pop, allele);
      counts[static_cast<std::size_t>(allele)] += alleles.at(pop, allele);
    }
    genes += typed;
    out.populationsTyped += typed > 0 ? 1 : 0;
  }
  // Below 2^31 genes the products below are whole numbers of 63 bits; a
  // locus has never had so many.
  if (genes == 0 || genes >= (std::int64_t{1} << 31)) {
    out.populationsTyped = genes == 0 ? out.populationsTyped : 0;
    return out;
  }
  // sum pbar (1 - pbar) = sum c_j (n - c_j) / n^2, a whole number (at most
  // n^2, the genes of a run fitting in 31 bits) over n^2: no cancellation.
  const Real n = static_cast<Real>(genes);
  std::int64_t apart = 0;
  for (int allele = 1; allele <= alleles.columns; ++allele) {
    apart += counts[static_cast<std::size_t>(allele)] * (genes - counts[static_cast<std::size_t>(allele)]);
  }
  out.he = static_cast<Real>(apart) / (n * n);
  // w_i (p_ij - pbar_j)^2 = (c_ij n - c_j n_i)^2 / (n_i n^3), the difference
  // a whole number: one division a population.
  for (int pop = 1; pop <= alleles.rows; ++pop) {
    std::int64_t typed = 0;
    for (int allele = 1; allele <= alleles.columns; ++allele) typed += alleles.at(pop, allele);
    if (typed == 0) continue;
    Real squares = 0;
    for (int allele = 1; allele <= alleles.columns; ++allele) {
      const auto difference = static_cast<Real>(static_cast<std::int64_t>(alleles.at(pop, allele)) * genes -
                                                counts[static_cast<std::size_t>(allele)] * typed);
      squares += difference * difference;
    }
    out.numerator += squares / static_cast<Real>(typed);
  }
  out.numerator /= n * n * n;
  return out;
}

template UncorrectedF<double> uncorrectedF<double>(const CountTable&);
template UncorrectedF<long double> uncorrectedF<long double>(const CountTable&);

}  // namespace ortelan
