#include "exacttest/chain.h"

#include <algorithm>
#include <cmath>

#include "exacttest/two_row_walk.h"
#include "exacttest/walk_step.h"

namespace ortelan {

const double* ChainWorkspace::lnCounts(std::int64_t total) {
  const auto needed = static_cast<std::size_t>(std::min(total + 2, kMaxCounts));
  for (std::size_t k = lnCounts_.size(); k < needed; ++k) lnCounts_.push_back(std::log(static_cast<double>(k)));
  return lnCounts_.data();
}

namespace {

using walk_step::endStep;
using walk_step::trySwitch;

// The walk, one chain step after another, with nothing recomputed that can
// be kept:
//  - the table is flat and the generator hands out draws made in rounds;
//  - PROB >= 1 and PSWITCH >= UNI are decided in integers where that is
//    exact, which is as the rounded quotient decides them;
//  - ln(PROB) is ln c11 + ln c22 - ln(c21 + 1) - ln(c12 + 1) from a table
//    of logarithms, summed into RHO in double precision in both programs.
//    Only RHO's last bits differ from taking the logarithm of the rounded
//    quotient: some 1e-13 after a whole walk, far below the tolerance of
//    1e-8 that decides ties. A count could differ only at a table whose
//    log-probability differs from the observed one's by less than that,
//    or lies that close to the tolerance, without being equal: the
//    differential tests over many tables and seeds never met one.
//  - Whether a switch is possible, needs a draw and is accepted are coin
//    flips a processor cannot predict; they are worked out without
//    branches (walk_step.h).
// `AllInTable`: no cell can exceed the table of logarithms (the table total
// is below its size); otherwise larger counts take their logarithm anew.
// Tables of two rows take TwoRowWalk instead, which makes the same steps.
template <class Real, bool AllInTable>
class Walk {
 public:
  Walk(CountTable& MM, Ranmar& generator, const double* lnCounts)
      : cells_(MM.cells.data()), stride_(MM.stride()), N_(MM.rows), M_(MM.columns), gen_(generator),
        ln_(lnCounts) {}

  // `count` chain steps with the generator's position and RHO in locals.
  // In the batches (Counting) the tolerance test follows every step and the
  // visited table is counted; in the dememorization an impossible switch
  // skips the test. Returns the count.
  template <bool Counting>
  [[gnu::noinline]] std::int32_t steps(std::int32_t count) {
    // Locals, so that the stores into the table need not be assumed to
    // change them. Rows and columns are chosen from 0 here (the chain's
    // row OP is rows[OP - 1], its column ALL is at ALL - 1 from there).
    std::int32_t* rows[kMaxRows];
    for (int I = 0; I < N_; ++I) rows[I] = cells_ + (I + 1) * stride_ + 1;
    const auto N = static_cast<std::uint64_t>(N_), M = static_cast<std::uint64_t>(M_);
    const double* const ln = ln_;
    Ranmar::Stream gen(gen_);
    double rho = RHO;
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
      std::uint64_t ALL2 = gen.chooseFromZero(M);
      while (ALL2 == ALL1) {
        gen.reserve(2);
        ALL2 = gen.chooseFromZero(M);
      }
      const bool possible = trySwitch<Real, AllInTable>(rows[OP1], rows[OP2], ALL1, ALL2, ln, gen, rho).possible;
      endStep<Counting>(rho, possible, CNMOY);
    }
    RHO = rho;
    return CNMOY;
  }

 private:
  static constexpr int kMaxRows = 101;  // the working table's rows, margins aside

  std::int32_t* cells_;
  int stride_;
  int N_, M_;
  Ranmar& gen_;
  const double* ln_;
  double RHO = 0;
};

// CHAINE after the set-up. DEMEMORIZATION: RHO from 0 (as a walk starts),
// MEM steps, nothing counted, in pieces between which a stop is seen. Then
// B batches of C steps, each step followed by the tolerance test and the
// count.
template <class Real, class Walker>
ChainEstimate<Real> walkAll(Walker& walk, std::int32_t MEM, std::int32_t B, std::int32_t C,
                            const std::atomic<bool>* stop) {
  for (std::int32_t done = 0; done < MEM;) {
    const std::int32_t steps = std::min<std::int32_t>(MEM - done, 1 << 16);
    walk.template steps<false>(steps);
    done += steps;
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return {};
  }
  Real HM = 0;
  Real HECA = 0;
  for (std::int32_t K = 1; K <= B; ++K) {
    const Real p = static_cast<Real>(walk.template steps<true>(C)) / static_cast<Real>(C);
    HM = HM + p;
    HECA = HECA + p * p;
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return {};
  }
  return batchEstimate(HM, HECA, B);
}

// The walk for the table's shape.
template <class Real, bool AllInTable>
ChainEstimate<Real> walkWith(CountTable& MM, Ranmar& generator, const double* ln, std::int32_t MEM, std::int32_t B,
                             std::int32_t C, const std::atomic<bool>* stop) {
  if (MM.rows == 2 && MM.columns == 2) {
    TwoRowWalk<Real, AllInTable, true> walk(MM, generator, ln);
    return walkAll<Real>(walk, MEM, B, C, stop);
  }
  if (MM.rows == 2) {
    TwoRowWalk<Real, AllInTable, false> walk(MM, generator, ln);
    return walkAll<Real>(walk, MEM, B, C, stop);
  }
  Walk<Real, AllInTable> walk(MM, generator, ln);
  return walkAll<Real>(walk, MEM, B, C, stop);
}

}  // namespace

template <class Real>
ChainEstimate<Real> CHAINE(CountTable& MM, std::int32_t MEM, std::int32_t B, std::int32_t C, Ranmar& generator,
                           ChainWorkspace* workspace, const std::atomic<bool>* stop) {
  ChainWorkspace own;
  if (workspace == nullptr) workspace = &own;
  // No cell ever exceeds the table total.
  std::int64_t total = 0;
  for (int I = 1; I <= MM.rows; ++I) {
    for (int J = 1; J <= MM.columns; ++J) total += MM.at(I, J);
  }
  const double* ln = workspace->lnCounts(total);
  if (total + 2 <= ChainWorkspace::kMaxCounts) return walkWith<Real, true>(MM, generator, ln, MEM, B, C, stop);
  return walkWith<Real, false>(MM, generator, ln, MEM, B, C, stop);
}

template ChainEstimate<double> CHAINE<double>(CountTable&, std::int32_t, std::int32_t, std::int32_t, Ranmar&,
                                              ChainWorkspace*, const std::atomic<bool>*);
template ChainEstimate<long double> CHAINE<long double>(CountTable&, std::int32_t, std::int32_t, std::int32_t,
                                                        Ranmar&, ChainWorkspace*, const std::atomic<bool>*);

}  // namespace ortelan
