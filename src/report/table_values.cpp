#include "report/table_values.h"

#include "chisquare/chi2_tail.h"

namespace ortelan {
namespace {

// The run's state and a pair's totals hold the same sums.
template <class Real, class Sums>
TotalValues<Real> fromSums(const Sums& s) {
  return {chiSquareUpperTail(s.SUMLNP, s.SUMDFFISHER), s.SUMCHI2, s.SUMDFCHI2,
          chiSquareUpperTail(s.SUMCHI2, s.SUMDFCHI2)};
}

}  // namespace

template <class Real>
LocusValues<Real> locusValues(const RunState<Real>& s, int I) {
  const Real chi2 = s.CHI2PERLOCUS[I], df = s.DFPERLOCUS[I];
  return {s.FISHERPPERLOCUS[I], s.FISHERSEPERLOCUS[I], chi2, df, chiSquareUpperTail(chi2, df),
          s.exactPerLocus[static_cast<std::size_t>(I)] != 0};
}

template <class Real>
LocusValues<Real> locusValues(const PairLocusResult<Real>& r) {
  return {r.p, r.se, r.chi2, r.df, chiSquareUpperTail(r.chi2, r.df), r.exact};
}

template <class Real>
TotalValues<Real> totalValues(const RunState<Real>& state) {
  return fromSums<Real>(state);
}

template <class Real>
TotalValues<Real> totalValues(const Totals<Real>& totals) {
  return fromSums<Real>(totals);
}

template LocusValues<double> locusValues<double>(const RunState<double>&, int);
template LocusValues<long double> locusValues<long double>(const RunState<long double>&, int);
template LocusValues<double> locusValues<double>(const PairLocusResult<double>&);
template LocusValues<long double> locusValues<long double>(const PairLocusResult<long double>&);
template TotalValues<double> totalValues<double>(const RunState<double>&);
template TotalValues<long double> totalValues<long double>(const RunState<long double>&);
template TotalValues<double> totalValues<double>(const Totals<double>&);
template TotalValues<long double> totalValues<long double>(const Totals<long double>&);

}  // namespace ortelan
