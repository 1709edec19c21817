// The chi-square upper tail at the full accuracy of the program's real
// type, for everything that prints or hands on P-values beyond the report:
// the results and pairs tables, R and the heatmap.
#pragma once

#include <span>

namespace ortelan {

// P(chi-square on df degrees of freedom >= chi2) = Q(df/2, chi2/2), the
// regularised upper incomplete gamma function, by Boost.Math's gamma_q
// (for a double computed in long double). Relative error about 1e-16 in
// both types down to the type's smallest normal number, measured against
// values computed at 90 digits (the tests hold it to 1e-15 in long double
// and 1e-12 in double); a tail below that is 0. df = 0 (a table with one
// non-empty row) and chi2 <= 0 give 1; a negative df or a NaN gives NaN.
// Never throws, never pauses, leaves errno as it was.
template <class Real>
Real chiSquareUpperTail(Real chi2, Real df);

// P(chi-square on df degrees of freedom <= chi2) = P(df/2, chi2/2), the
// lower tail, as accurate where it is small as the upper tail is where it
// is: what a truncated distribution's mass between two points needs. df = 0
// and chi2 <= 0 give 0 (df = 0 and chi2 > 0: 1); a negative df or a NaN
// gives NaN.
template <class Real>
Real chiSquareLowerTail(Real chi2, Real df);

// Up to this df the tails of many chi-squares on one df are summed here;
// above it, where Temme's expansion keeps the digits, each is Boost's.
inline constexpr double kBatchTailDf = 200;

// out[i] = P(chi-square on df degrees of freedom >= chi2[i]) for many
// chi-squares on one df (the outlier test's P-values), as
// chiSquareUpperTail gives them to within 1e-17 relative (the tests hold
// them to it from the lower to the far upper tail), some three times faster: in 80-bit reals for both types, with
// lgamma(df/2) taken once and the prefix x^a e^-x / Gamma(a) as one exp,
// then the series for P (x < a + 1) or the continued fraction for Q, by the
// same rules as Boost's. The same rules at the ends: 1 at chi2 <= 0, 0
// below the smallest normal number, NaN for a NaN.
template <class Real>
void chiSquareUpperTails(Real df, std::span<const Real> chi2, std::span<Real> out);

}  // namespace ortelan
