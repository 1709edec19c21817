#include "chisquare/totals.h"

#include <cmath>
#include <type_traits>

#include "run/pause.h"
#include "run/real.h"

namespace ortelan {

template <class Real>
void TotalsSum<Real>::add(const TotalTerm<Real>& term) {
  Totals<Real>& t = sums_;
  // A P-value of exactly 0 counts as 0.00001: -2 ln 0.00001.
  const Real zeroPValueTerm = ORTELAN_REAL(23.025850929940457);
  t.SUMCHI2 = t.SUMCHI2 + term.chi2;
  t.SUMDFCHI2 = t.SUMDFCHI2 + term.df;
  const Real p = term.fisherP;
  if constexpr (std::is_same_v<Real, double>) {
    // The double program raises a zero P-value to 0.00001 and takes its
    // logarithm; the 80-bit programs add the stored constant.
    t.SUMLNP = t.SUMLNP - 2 * std::log(p == 0 ? 0.00001 : p);
  } else if (p == 0) {
    t.SUMLNP = t.SUMLNP + zeroPValueTerm;
  } else {
    t.SUMLNP = t.SUMLNP + -2 * std::log(p);
  }
  t.SUMDFFISHER = t.SUMDFFISHER + 2;
  ++terms_;
}

template <class Real>
Totals<Real> TotalsSum<Real>::result(const PauseFn& pause) const {
  Totals<Real> t = sums_;
  t.TOTCHI2P = GAMMQ(t.SUMDFCHI2 * Real(0.5), t.SUMCHI2 * Real(0.5), pause);
  t.TOTFISHERP = GAMMQ(t.SUMDFFISHER * Real(0.5), t.SUMLNP * Real(0.5), pause);
  return t;
}

template <class Real>
Totals<Real> totalsOver(const std::vector<TotalTerm<Real>>& terms, const PauseFn& pause) {
  TotalsSum<Real> sum;
  for (const TotalTerm<Real>& term : terms) sum.add(term);
  return sum.result(pause);
}

template <class Real>
void SUM_FOR_TOTAL_P(Run<Real>& run, bool quietWhenNoneTested) {
  auto& s = run.state;
  std::vector<TotalTerm<Real>> terms;
  for (int I = 1; I <= s.NUMBOFLOCI; ++I) {
    if (s.isTested(I)) terms.push_back({s.FISHERPPERLOCUS[I], s.CHI2PERLOCUS[I], s.DFPERLOCUS[I]});
  }
  const bool quiet = quietWhenNoneTested && terms.empty();
  const PauseFn pause = [&run, quiet](std::string_view message) {
    if (!quiet) numericPause(run.edition, run.console, message);
  };
  const Totals<Real> t = totalsOver(terms, pause);
  s.SUMCHI2 = t.SUMCHI2;
  s.SUMDFCHI2 = t.SUMDFCHI2;
  s.SUMLNP = t.SUMLNP;
  s.SUMDFFISHER = t.SUMDFFISHER;
  s.TOTCHI2P = t.TOTCHI2P;
  s.TOTFISHERP = t.TOTFISHERP;
}

template class TotalsSum<double>;
template class TotalsSum<long double>;
template Totals<double> totalsOver<double>(const std::vector<TotalTerm<double>>&, const PauseFn&);
template Totals<long double> totalsOver<long double>(const std::vector<TotalTerm<long double>>&, const PauseFn&);
template void SUM_FOR_TOTAL_P<double>(Run<double>&, bool);
template void SUM_FOR_TOTAL_P<long double>(Run<long double>&, bool);

}  // namespace ortelan
