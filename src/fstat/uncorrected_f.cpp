#include "fstat/uncorrected_f.h"

#include <array>
#include <cstdint>
#include <stdexcept>

#include "run/run_state.h"

namespace ortelan {

template <class Real>
UncorrectedF<Real> uncorrectedF(const CountTable& alleles) {
  UncorrectedF<Real> out;
  // Each allele's genes over the populations; the readers hold a locus to
  // kMaxAlleleCode alleles.
  if (alleles.columns > kMaxAlleleCode) throw std::length_error("uncorrectedF: more alleles than a locus holds");
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
  if (genes == 0) return out;
  const Real n = static_cast<Real>(genes);
  std::array<Real, kMaxAlleleCode + 1> pbar{};
  for (int allele = 1; allele <= alleles.columns; ++allele) {
    const std::int64_t count = counts[static_cast<std::size_t>(allele)];
    pbar[static_cast<std::size_t>(allele)] = static_cast<Real>(count) / n;
    // pbar (1 - pbar) from whole numbers: no cancellation near 0 or 1.
    out.he += static_cast<Real>(count) * static_cast<Real>(genes - count) / (n * n);
  }
  for (int pop = 1; pop <= alleles.rows; ++pop) {
    std::int64_t typed = 0;
    for (int allele = 1; allele <= alleles.columns; ++allele) typed += alleles.at(pop, allele);
    if (typed == 0) continue;
    Real squares = 0;
    for (int allele = 1; allele <= alleles.columns; ++allele) {
      const Real difference =
          static_cast<Real>(alleles.at(pop, allele)) / static_cast<Real>(typed) - pbar[static_cast<std::size_t>(allele)];
      squares += difference * difference;
    }
    out.numerator += static_cast<Real>(typed) / n * squares;
  }
  return out;
}

template UncorrectedF<double> uncorrectedF<double>(const CountTable&);
template UncorrectedF<long double> uncorrectedF<long double>(const CountTable&);

}  // namespace ortelan
