// The P-value of a locus from independently drawn tables (table_sampler.h),
// with its standard error and 95 % limits on the exact P-value.
//
// Of B tables drawn, h counted (were at least as far from the null as the
// observed one). Each counts with probability P, the exact P-value, so h
// is binomial (B, P) when B is fixed, and negative binomial when the
// drawing stopped at its h-th counted table.
//  - The P-value: (h + 1) / (B + 1) when all B were drawn, a valid P-value
//    (it counts the observed table as one of the draws: Phipson, B. and
//    Smyth, G.K. 2010, "Permutation P-values should never be zero", Stat.
//    Appl. Genet. Mol. Biol. 9: 39), never 0; h / B when the drawing stopped
//    at its h-th (Besag and Clifford 1991).
//  - Its standard error: the binomial sqrt(p (1 - p) / B) of that p.
//  - The limits: Clopper and Pearson's 95 % limits (Biometrika 26: 404-413,
//    1934) on P from h of B, the 2.5 % and 97.5 % quantiles of the beta laws
//    Beta(h, B - h + 1) and Beta(h + 1, B - h), 0 for h = 0 and 1 for
//    h = B. They hold by construction for a fixed B; for a drawing that
//    stopped at its h-th table the lower limit is exactly that of inverse
//    sampling, and the upper one lies above it (the limit of B - 1 tables
//    with h - 1 counted), so that each side errs about 2.5 % of the time at
//    most (the tests measure it).
//    From Boost.Math's inverse of the incomplete beta function, to a few
//    units of the last place of the real type.
#pragma once

#include "exacttest/table_sampler.h"

namespace ortelan {

template <class Real>
struct SampledP {
  Real p = 0, se = 0, low = 0, high = 0;
};

template <class Real>
SampledP<Real> sampledPValue(const SampledCount& count);
// Its P alone, without the limits' cost.
template <class Real>
Real sampledP(const SampledCount& count) {
  const auto h = static_cast<Real>(count.counted), B = static_cast<Real>(count.drawn);
  return count.stopped ? h / B : (h + 1) / (B + 1);
}

// Clopper and Pearson's 95 % limits on a probability from `successes` of
// `trials` (trials >= 1), as above.
template <class Real>
struct ClopperPearson {
  Real low = 0, high = 1;
};
template <class Real>
ClopperPearson<Real> clopperPearson(std::int64_t successes, std::int64_t trials);

// The lower one-sided Clopper-Pearson limit: the probability below which
// `successes` or more of `trials` come with a chance of at most `tail`.
template <class Real>
Real clopperPearsonLow(std::int64_t successes, std::int64_t trials, Real tail);

}  // namespace ortelan
