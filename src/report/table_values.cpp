#include "report/table_values.h"

#include <limits>

#include "chisquare/chi2_tail.h"

namespace ortelan {
namespace {

template <class Real>
constexpr Real kNoValue = std::numeric_limits<Real>::quiet_NaN();

// The run's state and a pair's totals hold the same sums.
template <class Real, class Sums>
TotalValues<Real> fromSums(const Sums& s, ExactTest test) {
  return {test == ExactTest::None ? kNoValue<Real> : chiSquareUpperTail(s.SUMLNP, s.SUMDFFISHER), s.SUMCHI2,
          s.SUMDFCHI2, chiSquareUpperTail(s.SUMCHI2, s.SUMDFCHI2)};
}

template <class Real>
LocusValues<Real> fromResult(Real p, Real se, Real chi2, Real df, bool listed, ExactTest test) {
  const bool tested = test != ExactTest::None;
  return {tested ? p : kNoValue<Real>, tested ? se : kNoValue<Real>, chi2, df, chiSquareUpperTail(chi2, df), listed};
}

}  // namespace

template <class Real>
LocusValues<Real> locusValues(const RunState<Real>& s, int I, ExactTest test) {
  return fromResult(s.FISHERPPERLOCUS[I], s.FISHERSEPERLOCUS[I], s.CHI2PERLOCUS[I], s.DFPERLOCUS[I],
                    s.exactPerLocus[static_cast<std::size_t>(I)] != 0, test);
}

template <class Real>
LocusValues<Real> locusValues(const PairLocusResult<Real>& r, ExactTest test) {
  return fromResult(r.p, r.se, r.chi2, r.df, r.exact, test);
}

template <class Real>
TotalValues<Real> totalValues(const RunState<Real>& state, ExactTest test) {
  return fromSums<Real>(state, test);
}

template <class Real>
TotalValues<Real> totalValues(const Totals<Real>& totals, ExactTest test) {
  return fromSums<Real>(totals, test);
}

template LocusValues<double> locusValues<double>(const RunState<double>&, int, ExactTest);
template LocusValues<long double> locusValues<long double>(const RunState<long double>&, int, ExactTest);
template LocusValues<double> locusValues<double>(const PairLocusResult<double>&, ExactTest);
template LocusValues<long double> locusValues<long double>(const PairLocusResult<long double>&, ExactTest);
template TotalValues<double> totalValues<double>(const RunState<double>&, ExactTest);
template TotalValues<long double> totalValues<long double>(const RunState<long double>&, ExactTest);
template TotalValues<double> totalValues<double>(const Totals<double>&, ExactTest);
template TotalValues<long double> totalValues<long double>(const Totals<long double>&, ExactTest);

}  // namespace ortelan
