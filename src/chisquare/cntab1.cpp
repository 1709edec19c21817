#include "chisquare/cntab1.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "run/real.h"

namespace ortelan {

template <class Real>
void pearsonChiSquare(const CountTable& NN, int NI, int NJ, Real& CHISQ, Real& DF) {
  const Real TINY = ORTELAN_REAL(1.0e-30);
  // The margins of tables of a few rows and columns (the pairs' tables,
  // millions of them) on the stack, of larger ones on the heap.
  constexpr std::size_t kInline = 32;
  std::array<Real, kInline> inlineSums;
  std::vector<Real> heapSums;
  const std::size_t sums = static_cast<std::size_t>(NI) + static_cast<std::size_t>(NJ) + 2;
  if (sums > kInline) heapSums.resize(sums);
  Real* const SUMI = sums > kInline ? heapSums.data() : inlineSums.data();
  Real* const SUMJ = SUMI + NI + 1;
  std::fill(SUMI, SUMI + sums, Real(0));
  Real SUM = 0;
  std::int32_t NNI = NI;
  std::int32_t NNJ = NJ;
  for (int I = 1; I <= NI; ++I) {
    for (int J = 1; J <= NJ; ++J) {
      SUMI[I] = SUMI[I] + NN.at(I, J);
      SUM = SUM + NN.at(I, J);
    }
    if (SUMI[I] == 0) --NNI;
  }
  for (int J = 1; J <= NJ; ++J) {
    for (int I = 1; I <= NI; ++I) SUMJ[J] = SUMJ[J] + NN.at(I, J);
    if (SUMJ[J] == 0) --NNJ;
  }
  DF = static_cast<Real>(NNI * NNJ - NNI - NNJ + 1);
  CHISQ = 0;
  for (int I = 1; I <= NI; ++I) {
    for (int J = 1; J <= NJ; ++J) {
      const Real EXPCTD = SUMI[I] * SUMJ[J] / SUM;
      const Real difference = NN.at(I, J) - EXPCTD;
      CHISQ = CHISQ + difference * difference / (EXPCTD + TINY);
    }
  }
}

template <class Real>
void CNTAB1(const CountTable& NN, int NI, int NJ, Real& CHISQ, Real& DF, Real& PROB, const PauseFn& pause) {
  pearsonChiSquare(NN, NI, NJ, CHISQ, DF);
  PROB = GAMMQ(Real(0.5) * DF, Real(0.5) * CHISQ, pause);
}

template void pearsonChiSquare<double>(const CountTable&, int, int, double&, double&);
template void pearsonChiSquare<long double>(const CountTable&, int, int, long double&, long double&);
template void CNTAB1<double>(const CountTable&, int, int, double&, double&, double&, const PauseFn&);
template void CNTAB1<long double>(const CountTable&, int, int, long double&, long double&, long double&,
                                  const PauseFn&);

}  // namespace ortelan
