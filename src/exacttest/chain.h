// The Metropolis walk over the tables with the margins of one locus table
// (CHAINE), and its estimate of the exact test's P-value: the share of
// visited tables that are no more probable than the observed one, or,
// ordered by G, whose G is at least the observed one's.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>
#include <limits>

#include "exacttest/hypergeometric_laws.h"
#include "exacttest/ranmar.h"
#include "exacttest/tilted_buffers.h"
#include "input/tables/count_table.h"
#include "run/real.h"

namespace ortelan {

template <class Real>
struct ChainEstimate {
  Real HM = 0;    // P-value: mean of the batch proportions
  Real HECA = 0;  // its standard error
};

// The end of a batch iteration: a RHO within 1e-8 of 0 is taken as 0 (the
// observed table's own probability, up to rounding), and the current table
// counts when it is no more probable than the observed one, ties included.
template <class Real>
bool toleranceAndCount(Real& RHO) {
  if (std::fabs(RHO) < ORTELAN_REAL(1e-8)) RHO = 0;
  return RHO <= 0;
}

// The estimate from the sums of the B batch proportions and of their
// squares: their mean, and their standard deviation (divisor B - 1) over
// the square root of B.
//
// With equal proportions the spread under the square root is 0 in exact
// arithmetic, but unless the proportion is exactly representable (as 0 and
// 1 are) the two rounded sums leave a residue of either sign, up to about
// B ulps of the sum of squares: a negative one would give NaN, a positive
// one a small false standard error. A spread within four times that bound
// is taken as none. A true spread of proportions counted over C iterations
// is at least about 1 / (2 C^2), far above it for any usual C.
template <class Real>
ChainEstimate<Real> batchEstimate(Real sumOfProportions, Real sumOfSquares, std::int32_t B) {
  const Real batches = static_cast<Real>(B);
  const Real spread = sumOfSquares - sumOfProportions * sumOfProportions / batches;
  const Real roundingResidue = 4 * batches * std::numeric_limits<Real>::epsilon() * sumOfSquares;
  const Real variance = spread / batches / (batches - 1);
  return {sumOfProportions / batches, spread > roundingResidue ? std::sqrt(variance) : Real(0)};
}

// What a walk keeps from one locus to the next: the natural logarithms of
// the counts 0, 1, 2, ..., as far as the largest table total met so far
// (at most kMaxCounts of them), and for the walks ordered by G the terms
// k ln k in units of 2^-26 (chisquare/x_ln_x.h) and their steps. One per
// thread; it only grows.
class ChainWorkspace {
 public:
  static constexpr std::int64_t kMaxCounts = std::int64_t{1} << 22;

  // ln k for k = 0..min(total + 1, kMaxCounts - 1); ln 0 is never used and
  // held as 0.
  const double* lnCounts(std::int64_t total);
  // xLnXFixed(k) for k = -2..min(total + 2, kMaxCounts - 1), 0 for k < 2,
  // so that counts may be looked at two past either end.
  const std::int64_t* xLnX(std::int64_t total);
  // xLnXFixed(k) - xLnXFixed(k - 1) for k = 0..min(total + 1,
  // kMaxCounts - 1).
  const std::int64_t* xLnXSteps(std::int64_t total);
  // For the genotypic walk, which changes a count by -2..2 at once:
  // xLnXFixed(k + n) - xLnXFixed(k) at [5 k + n + 2] for n = -2..2 and
  // k = 0..total (terms of negative counts taken as 0), for a total below
  // kMaxChangeCounts (40 bytes a count).
  static constexpr std::int64_t kMaxChangeCounts = std::int64_t{1} << 20;
  const std::int64_t* xLnXChanges(std::int64_t total);
  // For the enumeration of tables (enumeration.h): ln k! for
  // k = 0..min(total, kMaxFactorials - 1), from lgammal (16 bytes a count).
  static constexpr std::int64_t kMaxFactorials = std::int64_t{1} << 20;
  const long double* lnFactorials(std::int64_t total);
  // For the drawing of tables (table_sampler.h): the same in double
  // precision, for k = 0..min(total, kMaxFactorials - 1) (8 bytes a count).
  const double* lnFactorialDoubles(std::int64_t total);
  // And 1 / k for k = 1..min(total, kMaxFactorials - 1) (at 0: 0).
  const double* reciprocals(std::int64_t total);
  // For the tables drawn into the far tail (tilted_tables.h).
  TiltedBuffers& tiltedBuffers() { return tilted_; }
  // The laws of two-column tables' drawing (hypergeometric_laws.h), made
  // with this workspace's ln k! and 1 / k and kept for all its tables.
  HypergeometricLaws& hypergeometricLaws() { return laws_; }

 private:
  std::vector<double> lnCounts_{0.0};
  std::vector<std::int64_t> xLnX_{0, 0};  // from k = -2
  std::vector<std::int64_t> xLnXSteps_{0};
  std::vector<std::int64_t> xLnXChanges_;
  std::vector<long double> lnFactorials_;
  std::vector<double> lnFactorialDoubles_;
  std::vector<double> reciprocals_{0.0};
  TiltedBuffers tilted_;
  HypergeometricLaws laws_;
};

// What a visited table is ordered by. Probability: it counts when it is
// no more probable than the observed one (Fisher's exact test). G: when
// its G is at least the observed one's, tables tied with it included
// (chisquare/x_ln_x.h). The walk, its draws and its tables are the same
// whatever the ordering.
enum class Ordering { Probability, G };

// Walks MM (cells [1..N, 1..M], N >= 2, M >= 2, positive total below
// 2^31) in place: MEM dememorization steps, then B >= 2 batches of C >= 1
// steps. Each step proposes a random 2 x 2 switch that keeps every margin
// and accepts it with the probability ratio of the two tables; `ordering`
// decides whether a visited table is counted: by probability RHO, the log
// of that ratio to the observed table, by G the exact S of the table. Any
// number of rows and columns. `workspace` may be shared by the loci a
// thread walks; when `stop` is set the walk ends early (its estimate is
// then meaningless).
template <class Real>
ChainEstimate<Real> CHAINE(CountTable& MM, std::int32_t MEM, std::int32_t B, std::int32_t C, Ranmar& generator,
                           ChainWorkspace* workspace = nullptr, const std::atomic<bool>* stop = nullptr,
                           Ordering ordering = Ordering::Probability);

}  // namespace ortelan
