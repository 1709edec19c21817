// chi2prob: the upper-tail probability of the chi-square distribution,
// through the regularised incomplete gamma function Q(a, x).
#pragma once

#include <functional>
#include <string_view>

namespace ortelan {

// Shows a message and waits for the user; the routine then goes on.
using PauseFn = std::function<void(std::string_view message)>;

// GAMMQ(A, X) = Q(a, x) = Gamma(a, x) / Gamma(a), called with A = df/2 and
// X = chi/2, so that it gives P(chi-square on df degrees of freedom >= chi).
//  - df <= 100: Q from the series GSER when X < A + 1, else from the
//    continued fraction GCF, both to a relative accuracy of EPS = 3e-7
//    (Press et al., Numerical Recipes, section 6.2); chi above 200 gives 0.
//  - df > 100: the Wilson-Hilferty normal approximation, with the normal
//    tail of Abramowitz and Stegun 26.2.17 (absolute error below 7.5e-8 in
//    the tail itself; the approximation's own error dominates, at most
//    about 1.1e-4 at 101 degrees of freedom and less above).
// Bad arguments (A <= 0 or X < 0) and non-convergence pause and go on.
template <class Real>
Real GAMMQ(Real A, Real X, const PauseFn& pause);

// ln Gamma(XX) for XX > 0, by the Lanczos approximation with six
// coefficients (absolute error at most about 2.1e-10).
template <class Real>
Real GAMMLN(Real XX);

}  // namespace ortelan
