#include "exacttest/chain.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace ortelan {

const double* ChainWorkspace::lnCounts(std::int64_t total) {
  const auto needed = static_cast<std::size_t>(std::min(total + 2, kMaxCounts));
  for (std::size_t k = lnCounts_.size(); k < needed; ++k) lnCounts_.push_back(std::log(static_cast<double>(k)));
  return lnCounts_.data();
}

namespace {

// The walk, one chain step after another, with nothing recomputed that can
// be kept:
//  - the table is flat and the generator hands out draws made 97 at a time;
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
//    branches: the next draw is looked at and taken only when PROB < 1, the
//    four cells move by 0 or 1, and RHO gains ln(PROB) times 1 or 0 (the
//    logarithms in the table are all finite, so the product is exact).
// `AllInTable`: no cell can exceed the table of logarithms (the table total
// is below its size); otherwise larger counts take their logarithm anew.
template <class Real, bool AllInTable>
class Walk {
 public:
  Walk(CountTable& MM, Ranmar& generator, const double* lnCounts)
      : cells_(MM.cells.data()), stride_(MM.stride()), N_(MM.rows), M_(MM.columns), gen_(generator),
        ln_(lnCounts) {}

  // DEMEMORIZATION: RHO from 0, MEM steps, nothing counted; an impossible
  // switch skips the tolerance test. False when stopped.
  bool DEMEMORIZATION(std::int32_t MEM, const std::atomic<bool>* stop) {
    RHO = 0;
    for (std::int32_t done = 0; done < MEM;) {
      const std::int32_t steps = std::min<std::int32_t>(MEM - done, 1 << 16);
      walk<false>(steps);
      done += steps;
      if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
    }
    return true;
  }

  // One batch: C steps, each followed by the tolerance test and the count.
  std::int32_t batch(std::int32_t C) { return walk<true>(C); }

 private:
  // Below this PROB2, comparing PROB1 * 2^24 with UNI * PROB2 in integers
  // decides PROB >= UNI as the rounded quotient does: the two differ by at
  // least 2^-52, more than half a unit in the last place of any quotient
  // below 1 in either real type.
  static constexpr std::int64_t kExactBelow = std::int64_t{1} << 28;
  static constexpr int kMaxRows = 101;  // the working table's rows, margins aside

  // `steps` chain steps with the generator's position and RHO in locals.
  // In the batches (Counting) the tolerance test follows every step and the
  // visited table is counted; in the dememorization an impossible switch
  // skips the test. Returns the count.
  template <bool Counting>
  [[gnu::noinline]] std::int32_t walk(std::int32_t steps) {
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
    for (std::int32_t step = 0; step < steps; ++step) {
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
      std::int32_t* const row1 = rows[OP1];
      std::int32_t* const row2 = rows[OP2];
      const std::int32_t c11 = row1[ALL1], c22 = row2[ALL2], c21 = row2[ALL1], c12 = row1[ALL2];
      const double lnPROB = ((lnOf(ln, c11) + lnOf(ln, c22)) - lnOf(ln, c21 + 1)) - lnOf(ln, c12 + 1);
      const std::int64_t PROB1 = static_cast<std::int64_t>(c11) * c22;
      const std::int64_t PROB2 = (static_cast<std::int64_t>(c21) + 1) * (static_cast<std::int64_t>(c12) + 1);
      const bool possible = PROB1 != 0;
      std::int32_t move;
      if (PROB2 < kExactBelow) [[likely]] {
        // With PROB >= 1 the test below holds whatever the draw (PROB1 is
        // then replaced by PROB2, which keeps the shift within 52 bits),
        // and the draw is left for the next step.
        move = possible & ((std::min(PROB1, PROB2) << 24) >= static_cast<std::int64_t>(gen.peek()) * PROB2);
        gen.take(possible & (PROB1 < PROB2));
      } else {
        move = possible && acceptedByQuotient(gen, PROB1, PROB2);
      }
      // GOSUB110: the switch keeps every margin.
      row1[ALL1] -= move;
      row2[ALL2] -= move;
      row1[ALL2] += move;
      row2[ALL1] += move;
      rho = rho + lnPROB * move;
      if constexpr (Counting) {
        rho = withTolerance(rho);
        CNMOY += rho <= 0 ? 1 : 0;
      } else if (possible) {
        rho = withTolerance(rho);
      }
    }
    RHO = rho;
    return CNMOY;
  }

  // Counts are never negative: as unsigned they index without widening.
  static double lnOf(const double* ln, std::int32_t count) {
    const auto k = static_cast<std::uint32_t>(count);
    if constexpr (AllInTable) {
      return ln[k];
    } else {
      return k < ChainWorkspace::kMaxCounts ? ln[k] : std::log(static_cast<double>(k));
    }
  }

  // The tolerance test of toleranceAndCount without a branch: the bits of
  // RHO are kept, or cleared to 0 when |RHO| < 1e-8.
  static double withTolerance(double rho) {
    const std::uint64_t keep = std::fabs(rho) < 1e-8 ? 0 : ~std::uint64_t{0};
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(rho) & keep);
  }

  // PROB >= 1 is accepted without a draw; otherwise with PSWITCH >= UNI,
  // the quotient rounded to Real as the chain defines it.
  static bool acceptedByQuotient(Ranmar::Stream& gen, std::int64_t PROB1, std::int64_t PROB2) {
    const Real PROB = static_cast<Real>(PROB1) / static_cast<Real>(PROB2);
    if (PROB >= 1) return true;
    return PROB >= static_cast<Real>(gen.GOSUB100()) / static_cast<Real>(Ranmar::kOne);
  }

  std::int32_t* cells_;
  int stride_;
  int N_, M_;
  Ranmar& gen_;
  const double* ln_;
  double RHO = 0;
};

// CHAINE after the set-up: the dememorization, then the batches.
template <class Real, class Walker>
ChainEstimate<Real> walkAll(Walker& walk, std::int32_t MEM, std::int32_t B, std::int32_t C,
                            const std::atomic<bool>* stop) {
  Real HM = 0;
  Real HECA = 0;
  if (!walk.DEMEMORIZATION(MEM, stop)) return {};
  for (std::int32_t K = 1; K <= B; ++K) {
    const Real p = static_cast<Real>(walk.batch(C)) / static_cast<Real>(C);
    HM = HM + p;
    HECA = HECA + p * p;
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return {};
  }
  return batchEstimate(HM, HECA, B);
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
  if (total + 2 <= ChainWorkspace::kMaxCounts) {
    Walk<Real, true> walk(MM, generator, ln);
    return walkAll<Real>(walk, MEM, B, C, stop);
  }
  Walk<Real, false> walk(MM, generator, ln);
  return walkAll<Real>(walk, MEM, B, C, stop);
}

template ChainEstimate<double> CHAINE<double>(CountTable&, std::int32_t, std::int32_t, std::int32_t, Ranmar&,
                                              ChainWorkspace*, const std::atomic<bool>*);
template ChainEstimate<long double> CHAINE<long double>(CountTable&, std::int32_t, std::int32_t, std::int32_t,
                                                        Ranmar&, ChainWorkspace*, const std::atomic<bool>*);

}  // namespace ortelan
