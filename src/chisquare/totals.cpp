#include "chisquare/totals.h"

#include <cmath>
#include <type_traits>

#include "chisquare/chi2prob.h"
#include "run/pause.h"
#include "run/real.h"

namespace ortelan {

template <class Real>
void SUM_FOR_TOTAL_P(Run<Real>& run) {
  auto& s = run.state;
  s.SUMCHI2 = s.SUMDFCHI2 = s.SUMLNP = s.SUMDFFISHER = s.TOTCHI2P = s.TOTFISHERP = 0;
  // A P-value of exactly 0 counts as 0.00001: -2 ln 0.00001.
  const Real zeroPValueTerm = ORTELAN_REAL(23.025850929940457);
  for (int I = 1; I <= s.NUMBOFLOCI; ++I) {
    if (!s.isTested(I)) continue;
    s.SUMCHI2 = s.SUMCHI2 + s.CHI2PERLOCUS[I];
    s.SUMDFCHI2 = s.SUMDFCHI2 + s.DFPERLOCUS[I];
    const Real p = s.FISHERPPERLOCUS[I];
    if constexpr (std::is_same_v<Real, double>) {
      // The double program raises a zero P-value to 0.00001 and takes its
      // logarithm; the 80-bit programs add the stored constant.
      s.SUMLNP = s.SUMLNP - 2 * std::log(p == 0 ? 0.00001 : p);
    } else if (p == 0) {
      s.SUMLNP = s.SUMLNP + zeroPValueTerm;
    } else {
      s.SUMLNP = s.SUMLNP + -2 * std::log(p);
    }
    s.SUMDFFISHER = s.SUMDFFISHER + 2;
  }
  const PauseFn pause = [&run](std::string_view message) { numericPause(run.edition, run.console, message); };
  s.TOTCHI2P = GAMMQ(s.SUMDFCHI2 * Real(0.5), s.SUMCHI2 * Real(0.5), pause);
  s.TOTFISHERP = GAMMQ(s.SUMDFFISHER * Real(0.5), s.SUMLNP * Real(0.5), pause);
}

template void SUM_FOR_TOTAL_P<double>(Run<double>&);
template void SUM_FOR_TOTAL_P<long double>(Run<long double>&);

}  // namespace ortelan
