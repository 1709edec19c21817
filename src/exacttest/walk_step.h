// The part of a chain step that every walk shares once it has chosen its
// two rows and two columns: whether the 2 x 2 switch is possible, the
// acceptance test, the switch itself, and the ordering's share of it
// (walk_order.h). Used by the walks only.
//
// Whether the switch is possible, needs a draw and is accepted are coin
// flips a processor cannot predict, so they are worked out without
// branches: the next draw is looked at and taken only when PROB < 1, and
// the four cells move by 0 or 1. PROB >= 1 and PSWITCH >= UNI are decided
// in integers where that is exact, which is as the rounded quotient
// decides them.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "exacttest/ranmar.h"
#include "exacttest/walk_order.h"

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
// row1[ALL2], row2[ALL1] (to gain one each) of the switch `at` (its cells
// filled in here), the ordering following it; see `decide`. Returns
// whether the switch was possible (PROB1 != 0) and whether it took the
// draw.
struct Tried {
  bool possible;
  std::uint64_t tookDraw;
};

template <class Real, class Order>
[[gnu::always_inline]] inline Tried trySwitch(std::int32_t* row1, std::int32_t* row2, walk_order::Switch at,
                                             const Order& order, Ranmar::Stream& gen, typename Order::Score& score) {
  at.c11 = row1[at.ALL1];
  at.c22 = row2[at.ALL2];
  at.c21 = row2[at.ALL1];
  at.c12 = row1[at.ALL2];
  const std::int64_t PROB1 = static_cast<std::int64_t>(at.c11) * at.c22;
  const std::int64_t PROB2 = (static_cast<std::int64_t>(at.c21) + 1) * (static_cast<std::int64_t>(at.c12) + 1);
  const Decision decision = decide<Real>(PROB1, PROB2, gen);
  // GOSUB110: the switch keeps every margin.
  row1[at.ALL1] -= decision.move;
  row2[at.ALL2] -= decision.move;
  row1[at.ALL2] += decision.move;
  row2[at.ALL1] += decision.move;
  order.follow(score, at, decision.move);
  return {PROB1 != 0, decision.tookDraw};
}

}  // namespace ortelan::walk_step
