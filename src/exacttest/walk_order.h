// What the walks count: a visited table counts when it is at least as far
// from the null as the observed one, by one of two orderings. Each
// ordering keeps a score, follows every switch in it, and counts from it
// at the end of a step; a walk takes the ordering as a template parameter,
// so that a step holds no branch on it. Used by the walks only.
//
// By probability: the score is RHO, the log of the visited table's
// probability over the observed one's. ln(PROB) is ln c11 + ln c22 -
// ln(c21 + 1) - ln(c12 + 1) from the table of logarithms, summed in that
// order into RHO in double precision in both programs (see table_walk.h),
// and RHO gains ln(PROB) times the move, 1 or 0 (the logarithms in the
// table are all finite, so the product is exact). A table counts when it
// is no more probable than the observed one, RHO within 1e-8 of 0 taken
// as 0.
//
// By G: with fixed margins G grows with S = Σ O ln O, kept exactly in
// units of 2^-26 (chisquare/x_ln_x.h); the score is S less the observed
// S plus the tie margin, and a table counts when the score is not
// negative. A switch changes four distinct cells by one each, so S
// changes by the steps x ln x - (x - 1) ln(x - 1) of those cells, exact
// differences of the rounded terms, from a table.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "chisquare/x_ln_x.h"
#include "exacttest/chain.h"

namespace ortelan::walk_order {

// A proposed switch: rows OP1, OP2 and columns ALL1, ALL2 from 0, and its
// cells before it: c11 = [OP1, ALL1] and c22 = [OP2, ALL2] lose one when it
// is made, c21 = [OP2, ALL1] and c12 = [OP1, ALL2] gain one.
struct Switch {
  std::uint64_t OP1, OP2, ALL1, ALL2;
  std::int32_t c11, c22, c21, c12;
};

// ln count from the table of logarithms. Counts are never negative: as
// unsigned they index without widening. `AllInTable`: no count can exceed
// the table; otherwise larger counts take their logarithm anew.
template <bool AllInTable>
[[gnu::always_inline]] inline double lnOf(const double* ln, std::int32_t count) {
  const auto k = static_cast<std::uint32_t>(count);
  if constexpr (AllInTable) {
    return ln[k];
  } else {
    return k < ChainWorkspace::kMaxCounts ? ln[k] : std::log(static_cast<double>(k));
  }
}

// ln(PROB) of the switch that takes one from c11 and c22 and gives one to
// c21 and c12, summed in this order.
template <bool AllInTable>
[[gnu::always_inline]] inline double lnPROB(const double* ln, std::int32_t c11, std::int32_t c22, std::int32_t c21,
                                            std::int32_t c12) {
  return ((lnOf<AllInTable>(ln, c11) + lnOf<AllInTable>(ln, c22)) - lnOf<AllInTable>(ln, c21 + 1)) -
         lnOf<AllInTable>(ln, c12 + 1);
}

// The tolerance test of toleranceAndCount without a branch: the bits of
// RHO are kept, or cleared to 0 when |RHO| < 1e-8.
[[gnu::always_inline]] inline double withTolerance(double rho) {
  const std::uint64_t keep = std::fabs(rho) < 1e-8 ? 0 : ~std::uint64_t{0};
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(rho) & keep);
}

template <bool AllInTable>
struct ByProbability {
  using Score = double;
  const double* ln;  // ChainWorkspace::lnCounts

  Score start() const { return 0; }  // RHO of the observed table

  [[gnu::always_inline]] void follow(Score& rho, const Switch& at, std::int32_t move) const {
    const double lnRatio = lnPROB<AllInTable>(ln, at.c11, at.c22, at.c21, at.c12);
    rho = rho + lnRatio * move;
  }

  // The end of a step: in the batches (Counting) the tolerance test and
  // the count of the table visited, ties with the observed one included;
  // in the dememorization the tolerance test only, skipped after an
  // impossible switch.
  template <bool Counting>
  [[gnu::always_inline]] static void endStep(Score& rho, bool possible, std::int32_t& CNMOY) {
    if constexpr (Counting) {
      rho = withTolerance(rho);
      CNMOY += rho <= 0 ? 1 : 0;
    } else if (possible) {
      rho = withTolerance(rho);
    }
  }
};

// x ln x - (x - 1) ln(x - 1) in units of 2^-26 from the table of steps,
// for x >= 0 (0 for x = 0). `AllInTable` as for lnOf.
template <bool AllInTable>
[[gnu::always_inline]] inline std::int64_t xLnXStepOf(const std::int64_t* steps, std::int32_t count) {
  const auto k = static_cast<std::uint32_t>(count);
  if constexpr (AllInTable) {
    return steps[k];
  } else {
    return k < ChainWorkspace::kMaxCounts ? steps[k] : xLnXFixed(k) - xLnXFixed(std::int64_t{k} - 1);
  }
}

template <bool AllInTable>
struct ByG {
  using Score = std::int64_t;  // S - S observed + margin
  const std::int64_t* steps;   // ChainWorkspace::xLnXSteps
  std::int64_t margin;         // xLnXTieMargin of the table

  Score start() const { return margin; }

  [[gnu::always_inline]] void follow(Score& score, const Switch& at, std::int32_t move) const {
    const std::int64_t change = (xLnXStepOf<AllInTable>(steps, at.c21 + 1) + xLnXStepOf<AllInTable>(steps, at.c12 + 1)) -
                                (xLnXStepOf<AllInTable>(steps, at.c11) + xLnXStepOf<AllInTable>(steps, at.c22));
    score += change * move;
  }

  template <bool Counting>
  [[gnu::always_inline]] static void endStep(Score score, bool, std::int32_t& CNMOY) {
    if constexpr (Counting) CNMOY += score >= 0 ? 1 : 0;
  }
};

}  // namespace ortelan::walk_order
