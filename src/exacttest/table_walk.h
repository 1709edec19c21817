// The walk on tables of any number of rows and columns, one chain step
// after another, with nothing recomputed that can be kept:
//  - the table is flat and the generator hands out draws made in rounds;
//  - PROB >= 1 and PSWITCH >= UNI are decided in integers where that is
//    exact, which is as the rounded quotient decides them;
//  - by probability, ln(PROB) is ln c11 + ln c22 - ln(c21 + 1) -
//    ln(c12 + 1) from a table of logarithms, summed into RHO in double
//    precision in both programs. Only RHO's last bits differ from taking
//    the logarithm of the rounded quotient: some 1e-13 after a whole walk,
//    far below the tolerance of 1e-8 that decides ties. A count could
//    differ only at a table whose log-probability differs from the
//    observed one's by less than that, or lies that close to the
//    tolerance, without being equal: the differential tests over many
//    tables and seeds never met one;
//  - whether a switch is possible, needs a draw and is accepted are coin
//    flips a processor cannot predict; they are worked out without
//    branches (walk_step.h).
// `Order` is what is counted (walk_order.h). Tables of two rows take
// TwoRowWalk instead, which makes the same steps. With two columns
// (`TwoColumns`, a SNP) ALL2 is the column ALL1 is not, drawn again and
// again half the time: its draw is found as TwoRowWalk finds OP2's, the
// first among the top bits of the draws at hand that differs from ALL1's,
// instead of by a loop whose length is a coin flip. Used by the walks only.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "exacttest/ranmar.h"
#include "exacttest/walk_step.h"
#include "input/tables/count_table.h"

namespace ortelan {

template <class Real, class Order, bool TwoColumns>
class TableWalk {
 public:
  TableWalk(CountTable& MM, Ranmar& generator, const Order& order)
      : N_(MM.rows), M_(MM.columns), gen_(generator), order_(order), score_(order.start()) {
    // Rows and columns are chosen from 0 here (the chain's row OP is
    // rows_[OP - 1], its column ALL is at ALL - 1 from there).
    rows_.reserve(static_cast<std::size_t>(N_));
    for (int I = 1; I <= N_; ++I) rows_.push_back(&MM.at(I, 1));
  }

  // `count` chain steps with the generator's position and the score in
  // locals. In the batches (Counting) every visited table is scored and
  // counted; in the dememorization the ordering only keeps its score.
  // Returns the count.
  template <bool Counting>
  [[gnu::noinline]] std::int32_t steps(std::int32_t count) {
    // Locals, so that the stores into the table need not be assumed to
    // change them.
    std::int32_t* const* const rows = rows_.data();
    const auto N = static_cast<std::uint64_t>(N_), M = static_cast<std::uint64_t>(M_);
    const Order order = order_;
    Ranmar::Stream gen(gen_);
    typename Order::Score score = score_;
    std::int32_t CNMOY = 0;
    for (std::int32_t step = 0; step < count; ++step) {
      // GOSUB20: two distinct rows and two distinct columns; draws for
      // them and for the acceptance test are reserved before they are used.
      gen.reserve(5);
      const std::uint64_t OP1 = gen.chooseFromZero(N);
      const std::uint64_t ALL1 = gen.chooseFromZero(M);
      std::uint64_t OP2 = gen.chooseFromZero(N);
      while (OP2 == OP1) {
        gen.reserve(3);
        OP2 = gen.chooseFromZero(N);
      }
      std::uint64_t ALL2;
      if constexpr (TwoColumns) {
        // Of the next kMaxReserve draws, all but the last (kept for the
        // acceptance test) may choose ALL2; it is within them 127 times
        // in 128.
        constexpr std::uint64_t kCandidates = (std::uint64_t{1} << (Ranmar::Stream::kMaxReserve - 1)) - 1;
        gen.reserve(Ranmar::Stream::kMaxReserve);
        const std::uint64_t other = (gen.topBitsAhead() ^ (0 - ALL1)) & kCandidates;
        if (other != 0) [[likely]] {
          gen.skip(static_cast<std::size_t>(std::countr_zero(other)) + 1);
        } else {
          gen.skip(Ranmar::Stream::kMaxReserve - 1);
          do {
            gen.reserve(2);
          } while (gen.chooseFromZero(2) == ALL1);
        }
        ALL2 = ALL1 ^ 1;
      } else {
        ALL2 = gen.chooseFromZero(M);
        while (ALL2 == ALL1) {
          gen.reserve(2);
          ALL2 = gen.chooseFromZero(M);
        }
      }
      const walk_order::Switch at{OP1, OP2, ALL1, ALL2, 0, 0, 0, 0};
      const bool possible = walk_step::trySwitch<Real>(rows[OP1], rows[OP2], at, order, gen, score).possible;
      Order::template endStep<Counting>(score, possible, CNMOY);
    }
    score_ = score;
    return CNMOY;
  }

 private:
  std::vector<std::int32_t*> rows_;  // each row's cell [I, 1]
  int N_, M_;
  Ranmar& gen_;
  Order order_;
  typename Order::Score score_;
};

}  // namespace ortelan
