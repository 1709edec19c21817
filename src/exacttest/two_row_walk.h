// The walk on tables of two rows (two populations), step for step and draw
// for draw the walk of chain.cpp, without its branches on coin flips.
//
// With two rows, the row a draw chooses is its top bit (the integer part
// of 2 x UNI), and OP2, drawn again and again until it differs from OP1,
// is the other row, chosen by the first draw from the third of the step on
// whose top bit is not OP1. The generator keeps the top bits of the draws
// at hand, so that draw is found by counting trailing zeros instead of by
// a loop whose length is a coin flip. In a 2 x 2 table the redraw of ALL2
// is found the same way, and the table is one number in a register. With more
// columns ALL2 differs from ALL1 at its first draw M - 1 times in M, at its
// first or second M^2 - 1 times in M^2: those two are looked at without a
// branch, for the few places OP2's draw most often has. A step's top bits
// are read while the step before it still works out whether it takes its
// acceptance draw, and shifted by one if it does.
// `Order` is what is counted (walk_order.h). Used by the walks only.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "exacttest/ranmar.h"
#include "exacttest/walk_step.h"
#include "input/tables/count_table.h"

namespace ortelan {

// `TwoColumns`: the table is 2 x 2.
template <class Real, class Order, bool TwoColumns>
class TwoRowWalk {
 public:
  TwoRowWalk(CountTable& MM, Ranmar& generator, const Order& order)
      : top_(MM.cells.data() + MM.stride() + 1), stride_(MM.stride()), M_(MM.columns), gen_(generator),
        order_(order), score_(order.start()) {}

  // `count` chain steps; see TableWalk::steps. Most are made from the draws at
  // hand (stepsAtHandOf2x2, stepsAtHandOf2xM); when those run out the
  // generator makes more, and a step that needs more than it keeps at hand
  // is made one draw at a time.
  template <bool Counting>
  std::int32_t steps(std::int32_t count) {
    Progress progress{0, 0, score_};
    for (;;) {
      if constexpr (TwoColumns) {
        progress = stepsAtHandOf2x2<Counting>(progress, count);
      } else {
        progress = stepsAtHandOf2xM<Counting>(progress, count);
      }
      if (progress.steps == count) break;
      {
        Ranmar::Stream gen(gen_);
        if (gen.available() < kLookAhead) {
          gen.reserve(kLookAhead);
          continue;
        }
      }
      progress = stepOneByOne<Counting>(progress);
    }
    score_ = progress.score;
    return progress.CNMOY;
  }

 private:
  using Score = typename Order::Score;

  // Steps made, tables counted and the score, carried from one run of
  // steps to the next.
  struct Progress {
    std::int32_t steps, CNMOY;
    Score score;
  };

  // The draws a step looks at before it knows how many it takes.
  static constexpr std::size_t kLookAhead = Ranmar::Stream::kMaxReserve;
  // The top bits of the draws from a step's third on that are seen: the
  // step's top bits may have been read a draw before it.
  static constexpr std::uint64_t kLaterBits = (std::uint64_t{1} << (Ranmar::Stream::kTopBitsAhead - 3)) - 1;

  // Steps from `progress` on until `count`, or until a step whose draws
  // are not all at hand, on a 2 x M table, M > 2. Nothing here calls a
  // function, so that the score and the generator's position stay in
  // registers.
  template <bool Counting>
  [[gnu::noinline]] Progress stepsAtHandOf2xM(Progress progress, std::int32_t count) {
    std::int32_t* const top = top_;
    const std::ptrdiff_t down = stride_;
    const auto M = static_cast<std::uint64_t>(M_);
    const Order order = order_;
    Ranmar::Stream gen(gen_);
    Score score = progress.score;
    std::int32_t CNMOY = progress.CNMOY;
    std::int32_t left = count - progress.steps;
    const auto column = [&gen, M](std::size_t draw) { return (M * gen.peek(draw)) >> 24; };
    std::uint64_t topBits = gen.topBitsAhead();
    for (; left > 0; --left) {
      const std::size_t atHand = gen.available();
      if (atHand < kLookAhead) break;
      // GOSUB20. The draws from the third on that choose the row OP1 is
      // not: the first of them chooses OP2.
      const std::uint64_t OP1 = topBits & 1;
      const std::uint64_t otherRow = ((topBits >> 2) ^ (0 - OP1)) & kLaterBits;
      if (otherRow == 0) break;
      const auto firstALL2draw = static_cast<std::size_t>(std::countr_zero(otherRow)) + 3;
      const std::uint64_t ALL1 = column(1);
      // ALL2's first two draws. When the first is one of the 4th to the
      // 7th draws of the step (15 times in 16), the columns of all those
      // are worked out, and the two picked by the parity of its place and
      // by whether it is past the 5th.
      using walk_step::maskOf;
      using walk_step::pick;
      std::uint64_t first, second;
      if (firstALL2draw <= 6) [[likely]] {
        const std::uint64_t c3 = column(3), c4 = column(4), c5 = column(5), c6 = column(6), c7 = column(7);
        const auto odd = maskOf<std::uint64_t>(firstALL2draw & 1);
        const auto far = maskOf<std::uint64_t>((firstALL2draw + 3) >> 3);
        first = pick(far, pick(odd, c5, c6), pick(odd, c3, c4));
        second = pick(far, pick(odd, c6, c7), pick(odd, c4, c5));
      } else {
        if (firstALL2draw + 2 >= atHand) break;
        first = column(firstALL2draw);
        second = column(firstALL2draw + 1);
      }
      const std::uint64_t firstSame = first == ALL1 ? 1 : 0;
      std::uint64_t ALL2 = pick(maskOf<std::uint64_t>(firstSame), second, first);
      std::size_t ALL2draw = firstALL2draw + firstSame;
      while (ALL2 == ALL1 && ALL2draw + 2 < atHand) [[unlikely]] ALL2 = column(++ALL2draw);
      if (ALL2 == ALL1 || ALL2draw + 1 >= atHand) break;
      gen.skip(ALL2draw + 1);
      // The next step's top bits, read before this one knows whether it
      // takes its acceptance draw.
      const std::uint64_t topBitsAfter = gen.topBitsAhead();
      std::int32_t* const row1 = top + static_cast<std::ptrdiff_t>(OP1) * down;
      std::int32_t* const row2 = top + static_cast<std::ptrdiff_t>(OP1 ^ 1) * down;
      const walk_order::Switch at{OP1, OP1 ^ 1, ALL1, ALL2, 0, 0, 0, 0};
      const auto tried = walk_step::trySwitch<Real>(row1, row2, at, order, gen, score);
      topBits = topBitsAfter >> tried.tookDraw;
      Order::template endStep<Counting>(score, tried.possible, CNMOY);
    }
    return {count - left, CNMOY, score};
  }

  // stepsAtHandOf2xM on a 2 x 2 table. There OP2 and ALL2 are the row and
  // the column OP1 and ALL1 are not, and the switch takes one from the
  // diagonal through [OP1, ALL1] and gives one to the other diagonal.
  template <bool Counting>
  [[gnu::noinline]] Progress stepsAtHandOf2x2(Progress progress, std::int32_t count) {
    std::int32_t* const top = top_;
    std::int32_t* const bottom = top_ + stride_;
    // The margins stay, so the cell [1, 1] tells the table: [1, 2] is
    // row1 - a, [2, 1] is column1 - a and [2, 2] is a + toLast. Walking
    // one number leaves registers for the rest.
    std::int64_t a = top[0];
    const std::int64_t row1 = a + top[1], column1 = a + bottom[0], toLast = bottom[1] - a;
    const Order order = order_;
    Ranmar::Stream gen(gen_);
    Score score = progress.score;
    std::int32_t CNMOY = progress.CNMOY;
    std::int32_t left = count - progress.steps;
    std::uint64_t topBits = gen.topBitsAhead();
    for (; left > 0; --left) {
      // GOSUB20: the draws from the third on whose row is not OP1, and
      // those whose column is not ALL1; ALL2's is the first of the latter
      // after OP2's.
      const std::uint64_t OP1 = topBits & 1, ALL1 = (topBits >> 1) & 1;
      const std::uint64_t otherRow = ((topBits >> 2) ^ (0 - OP1)) & kLaterBits;
      const std::uint64_t otherColumn = ((topBits >> 2) ^ (0 - ALL1)) & kLaterBits;
      const std::uint64_t otherColumnAfterOP2 = otherColumn & ~(otherRow ^ (otherRow - 1));
      if (otherColumnAfterOP2 == 0) break;
      const auto draws = static_cast<std::size_t>(std::countr_zero(otherColumnAfterOP2)) + 3;
      if (draws >= gen.available()) break;
      gen.skip(draws);
      const std::uint64_t topBitsAfter = gen.topBitsAhead();
      // The diagonal that loses (x, y) and the one that gains (u, v).
      using walk_step::pick;
      const std::int64_t b = row1 - a, c = column1 - a, d = a + toLast;
      const auto antiDiagonal = walk_step::maskOf<std::int64_t>(OP1 ^ ALL1);
      const std::int64_t x = pick(antiDiagonal, b, a), y = pick(antiDiagonal, c, d);
      const std::int64_t u = pick(antiDiagonal, d, c), v = pick(antiDiagonal, a, b);
      // c11 + c22 adds the same either way round; c21 and c12 in order.
      const auto secondRow = walk_step::maskOf<std::int64_t>(OP1);
      const std::int64_t c21 = pick(secondRow, v, u), c12 = pick(secondRow, u, v);
      const auto count32 = [](std::int64_t cell) { return static_cast<std::int32_t>(cell); };
      const walk_order::Switch at{OP1, OP1 ^ 1, ALL1, ALL1 ^ 1, count32(x), count32(y), count32(c21), count32(c12)};
      const std::int64_t PROB1 = x * y;
      const std::int64_t PROB2 = (u + 1) * (v + 1);
      const walk_step::Decision decision = walk_step::decide<Real>(PROB1, PROB2, gen);
      const std::int32_t move = decision.move;
      topBits = topBitsAfter >> decision.tookDraw;
      // GOSUB110: the switch keeps every margin.
      a += pick<std::int64_t>(antiDiagonal, move, -move);
      order.follow(score, at, move);
      Order::template endStep<Counting>(score, PROB1 != 0, CNMOY);
    }
    top[0] = static_cast<std::int32_t>(a);
    top[1] = static_cast<std::int32_t>(row1 - a);
    bottom[0] = static_cast<std::int32_t>(column1 - a);
    bottom[1] = static_cast<std::int32_t>(a + toLast);
    return {count - left, CNMOY, score};
  }

  // One step, its draws taken one at a time.
  template <bool Counting>
  [[gnu::noinline]] Progress stepOneByOne(Progress progress) {
    Ranmar::Stream gen(gen_);
    const auto M = static_cast<std::uint64_t>(M_);
    const auto choose = [&gen](std::uint64_t n) { return (n * static_cast<std::uint64_t>(gen.GOSUB100())) >> 24; };
    const std::uint64_t OP1 = choose(2);
    const std::uint64_t ALL1 = choose(M);
    while (choose(2) == OP1) {
    }
    std::uint64_t ALL2 = choose(M);
    while (ALL2 == ALL1) ALL2 = choose(M);
    gen.reserve(1);
    std::int32_t* const row1 = top_ + static_cast<std::ptrdiff_t>(OP1) * stride_;
    std::int32_t* const row2 = top_ + static_cast<std::ptrdiff_t>(OP1 ^ 1) * stride_;
    const walk_order::Switch at{OP1, OP1 ^ 1, ALL1, ALL2, 0, 0, 0, 0};
    const bool possible = walk_step::trySwitch<Real>(row1, row2, at, order_, gen, progress.score).possible;
    Order::template endStep<Counting>(progress.score, possible, progress.CNMOY);
    return {progress.steps + 1, progress.CNMOY, progress.score};
  }

  std::int32_t* top_;  // the first row's cell [1, 1]; the second row's is a stride further
  std::ptrdiff_t stride_;
  int M_;
  Ranmar& gen_;
  Order order_;
  Score score_;
};

}  // namespace ortelan
