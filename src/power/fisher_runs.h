// Fisher's method decided from runs of drawn tables, without each locus's
// P-value: how far an estimate of the combined statistic can stray.
//
// Fisher's method rejects at level alpha when S = -2 sum ln P_i, over the
// k loci tested, is at least the upper alpha point of chi-square on 2k
// degrees of freedom. Where P_i comes from tables drawn under the null
// hypothesis, each table counting with probability P_i, -ln P_i has an
// estimate without bias from the runs between counting tables: if the
// first counting table is the G-th, G is geometric with mean 1 / P_i, and
//   E[H(G - 1)] = sum_{k >= 1} (1 - P_i)^k / k = -ln P_i,
// H(n) = 1 + 1/2 + ... + 1/n the harmonic number (H(0) = 0). So r runs of
// each of L drawn loci (the r first counting tables), averaged per locus,
// estimate S with its error 2 / r times a sum of N = r L independent
// deviations D = H(G - 1) + ln P_i.
//
// The deviations are bounded by Chernoff's inequality. For every P, the
// moment generating function of D lies below that of its limit as P -> 0,
// ln E + Euler's gamma with E exponential of mean 1:
//   E[exp(x D)] <= Gamma(1 + x) exp(gamma x),   x > -1
// (tests/power/fisher_runs_test.cpp checks it from the law of G, P from
// 1e-4 to 0.9, x from -0.95 to 4; the ratio nears 1 from below as P
// falls). So the mean of N deviations exceeds u
// with probability at most exp(-N I(u)), where I(u) = sup_x (x u - ln
// Gamma(1 + x) - gamma x) over x > 0, and falls below -u with probability
// at most exp(-N I'(u)), the supremum over -1 < x < 0. meanDeviation
// inverts them: the u at which that probability is the error rate. The
// variance of D is at most pi^2 / 6, so u shrinks as 1 / sqrt(N).
#pragma once

#include <cstdint>

namespace ortelan {

// H(n) = 1 + 1/2 + ... + 1/n, H(0) = 0; to within 1e-15 relative.
double harmonicNumber(std::int64_t n);

enum class Deviation { Above, Below };

// The least u for which the mean of `terms` independent deviations D lies
// beyond u (Above) or below -u (Below) with probability at most
// `errorRate`, by the bound above.
double meanDeviation(std::int64_t terms, double errorRate, Deviation side);

}  // namespace ortelan
