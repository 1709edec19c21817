// The part of a chain step that every walk shares once it has chosen its
// two rows and two columns: whether the 2 x 2 switch is possible, the
// acceptance test, the switch itself and RHO's share, and the tolerance
// test of RHO. Used by the walks of chain.cpp only.
//
// ln(PROB) is ln c11 + ln c22 - ln(c21 + 1) - ln(c12 + 1) from the table
// of logarithms, summed in that order into RHO in double precision in both
// programs (see chain.cpp). Whether the switch is possible, needs a draw
// and is accepted are coin flips a processor cannot predict, so they are
// worked out without branches: the next draw is looked at and taken only
// when PROB < 1, the four cells move by 0 or 1, and RHO gains ln(PROB)
// times 1 or 0 (the logarithms in the table are all finite, so the product
// is exact). PROB >= 1 and PSWITCH >= UNI are decided in integers where
// that is exact, which is as the rounded quotient decides them.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "exacttest/chain.h"
#include "exacttest/ranmar.h"

namespace ortelan::walk_step {

// Below this PROB2, comparing PROB1 * 2^24 with UNI * PROB2 in integers
// decides PROB >= UNI as the rounded quotient does: the two differ by at
// least 2^-52, more than half a unit in the last place of any quotient
// below 1 in either real type.
inline constexpr std::int64_t kExactBelow = std::int64_t{1} << 28;

// An outcome of a coin flip as data that the optimiser may not turn back
// into a branch, which would be mispredicted about half the time.
template <class T>
[[gnu::always_inline]] inline T asData(T value) {
#if defined(__GNUC__)
  asm("" : "+r"(value));
#endif
  return value;
}

// All ones when `flag` is 1, none when 0, as data (see asData).
template <class T>
[[gnu::always_inline]] inline T maskOf(std::uint64_t flag) {
  return asData(static_cast<T>(0 - flag));
}

// `mask` (all ones or none) ? `ifSet` : `ifClear`, without a branch.
template <class T>
[[gnu::always_inline]] inline T pick(T mask, T ifSet, T ifClear) {
  return ifClear ^ ((ifClear ^ ifSet) & mask);
}

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

// Steps 2 and 3 from PROB1 = c11 c22 and PROB2 = (c21 + 1)(c12 + 1), the
// acceptance draw, if one is needed, next in `gen` (at hand): whether the
// switch is made (0 or 1) and whether it took the draw (0 or 1), which it
// does when the switch is possible and PROB < 1.
struct Decision {
  std::int32_t move;
  std::uint64_t tookDraw;
};

template <class Real>
[[gnu::always_inline]] inline Decision decide(std::int64_t PROB1, std::int64_t PROB2, Ranmar::Stream& gen) {
  const bool possible = PROB1 != 0;
  Decision decision;
  if (PROB2 < kExactBelow) [[likely]] {
    // With PROB >= 1 the test below holds whatever the draw (PROB1 is
    // then replaced by PROB2, which keeps the shift within 52 bits).
    decision.move =
        possible & ((std::min(PROB1, PROB2) << 24) >= static_cast<std::int64_t>(gen.peek()) * PROB2);
    // 0 < PROB1 < PROB2: both PROB1 - PROB2 and -PROB1 negative.
    decision.tookDraw = asData(static_cast<std::uint64_t>((PROB1 - PROB2) & -PROB1) >> 63);
  } else {
    // PROB >= 1 is accepted without a draw; otherwise with PSWITCH >= UNI,
    // PROB the quotient rounded to Real as the chain defines it.
    const Real PROB = static_cast<Real>(PROB1) / static_cast<Real>(PROB2);
    const bool sure = PROB >= 1;
    decision.move = possible && (sure || PROB >= static_cast<Real>(gen.peek()) / static_cast<Real>(Ranmar::kOne));
    decision.tookDraw = possible && !sure ? 1 : 0;
  }
  gen.take(decision.tookDraw);
  return decision;
}

// Steps 2 to 4 on the cells row1[ALL1], row2[ALL2] (to lose one each) and
// row1[ALL2], row2[ALL1] (to gain one each); see `decide`. Returns whether
// the switch was possible (PROB1 != 0) and whether it took the draw.
struct Tried {
  bool possible;
  std::uint64_t tookDraw;
};

template <class Real, bool AllInTable>
[[gnu::always_inline]] inline Tried trySwitch(std::int32_t* row1, std::int32_t* row2, std::uint64_t ALL1,
                                             std::uint64_t ALL2, const double* ln, Ranmar::Stream& gen,
                                             double& rho) {
  const std::int32_t c11 = row1[ALL1], c22 = row2[ALL2], c21 = row2[ALL1], c12 = row1[ALL2];
  const double lnRatio = lnPROB<AllInTable>(ln, c11, c22, c21, c12);
  const std::int64_t PROB1 = static_cast<std::int64_t>(c11) * c22;
  const std::int64_t PROB2 = (static_cast<std::int64_t>(c21) + 1) * (static_cast<std::int64_t>(c12) + 1);
  const Decision decision = decide<Real>(PROB1, PROB2, gen);
  // GOSUB110: the switch keeps every margin.
  row1[ALL1] -= decision.move;
  row2[ALL2] -= decision.move;
  row1[ALL2] += decision.move;
  row2[ALL1] += decision.move;
  rho = rho + lnRatio * decision.move;
  return {PROB1 != 0, decision.tookDraw};
}

// The end of a step: in the batches (Counting) the tolerance test and the
// count of the table visited, ties with the observed one included; in the
// dememorization the tolerance test only, skipped after an impossible
// switch.
template <bool Counting>
[[gnu::always_inline]] inline void endStep(double& rho, bool possible, std::int32_t& CNMOY) {
  if constexpr (Counting) {
    rho = withTolerance(rho);
    CNMOY += rho <= 0 ? 1 : 0;
  } else if (possible) {
    rho = withTolerance(rho);
  }
}

}  // namespace ortelan::walk_step
