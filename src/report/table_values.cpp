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
LocusValues<Real> fromResult(Real p, Real se, PMethod method, Real low, Real high, Real chi2, Real df,
                             ExactTest test) {
  const bool tested = test != ExactTest::None;
  const bool limits = tested && method != PMethod::Chain;
  return {tested ? p : kNoValue<Real>,
          tested ? se : kNoValue<Real>,
          limits ? low : kNoValue<Real>,
          limits ? high : kNoValue<Real>,
          chi2,
          df,
          chiSquareUpperTail(chi2, df),
          method};
}

}  // namespace

template <class Real>
LocusValues<Real> locusValues(const RunState<Real>& s, int I, ExactTest test) {
  const auto at = static_cast<std::size_t>(I);
  return fromResult(s.FISHERPPERLOCUS[at], s.FISHERSEPERLOCUS[at], s.methodPerLocus[at], s.pLowPerLocus[at],
                    s.pHighPerLocus[at], s.CHI2PERLOCUS[at], s.DFPERLOCUS[at], test);
}

template <class Real>
LocusValues<Real> locusValues(const PairLocusResult<Real>& r, ExactTest test) {
  return fromResult(r.p, r.se, r.method, r.low, r.high, r.chi2, r.df, test);
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
