// The walk of one locus written step by step as the chain is defined, with
// nothing kept between steps: the reference the lean walk is held to.
// Ordered by G, each visited table's S is summed anew from all its cells
// (for the genotypic walk, from the allele table it implies, built anew).
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <span>

#include "chisquare/g_statistic.h"
#include "chisquare/x_ln_x.h"
#include "exacttest/chain.h"

namespace ortelan::reference {

template <class Real>
class LiteralWalk {
 public:
  LiteralWalk(CountTable& MM, Ranmar& generator)
      : table_(MM), cells_(MM.cells.data()), stride_(MM.stride()), N_(MM.rows), M_(MM.columns), gen_(generator) {}

  // DEMEMORIZATION: RHO from 0, MEM steps, nothing counted.
  void DEMEMORIZATION(std::int32_t MEM) {
    RHO = 0;
    for (std::int32_t KK = 1; KK <= MEM; ++KK) {
      if (step()) tolerance();  // LABEL16: an impossible switch skips the test
    }
  }

  // One batch step; the tolerance test is made in every case (LABEL18).
  bool batchStepCounts() {
    step();
    return toleranceAndCount(RHO);
  }

  // The table the walk is at.
  const CountTable& table() const { return table_; }

 private:
  std::int32_t& cell(int row, int column) { return cells_[row * stride_ + column]; }

  // GOSUB20: two distinct rows and two distinct columns.
  void GOSUB20() {
    OP1 = gen_.choose(N_);
    ALL1 = gen_.choose(M_);
    do {
      OP2 = gen_.choose(N_);
    } while (OP2 == OP1);
    do {
      ALL2 = gen_.choose(M_);
    } while (ALL2 == ALL1);
  }

  // GOSUB110: the switch; every margin stays.
  void GOSUB110() {
    --cell(OP1, ALL1);
    --cell(OP2, ALL2);
    ++cell(OP1, ALL2);
    ++cell(OP2, ALL1);
    RHO = RHO + std::log(PROB);
  }

  // Steps 1 to 5 of a chain step. False when the switch is impossible
  // (PROB1 = 0): the table stays and no further draw is made.
  bool step() {
    GOSUB20();
    const std::int64_t decreased = static_cast<std::int64_t>(cell(OP1, ALL1)) * cell(OP2, ALL2);
    if (decreased == 0) return false;
    const std::int64_t increased =
        (static_cast<std::int64_t>(cell(OP2, ALL1)) + 1) * (static_cast<std::int64_t>(cell(OP1, ALL2)) + 1);
    const Real PROB1 = static_cast<Real>(decreased);
    const Real PROB2 = static_cast<Real>(increased);
    PROB = PROB1 / PROB2;
    if (PROB >= 1) {
      GOSUB110();
    } else {
      const Real PSWITCH = PROB;
      const Real UNI = static_cast<Real>(gen_.GOSUB100()) * kUnit;
      if (PSWITCH >= UNI) GOSUB110();
    }
    return true;
  }

  void tolerance() {
    if (std::fabs(RHO) < kTolerance) RHO = 0;
  }

  static constexpr Real kUnit = Real(1) / Real(Ranmar::kOne);
  static constexpr Real kTolerance = ORTELAN_REAL(1e-8);

  const CountTable& table_;
  std::int32_t* cells_;
  int stride_;
  int N_, M_;
  Ranmar& gen_;
  int OP1 = 0, OP2 = 0, ALL1 = 0, ALL2 = 0;
  Real PROB = 0;
  Real RHO = 0;
};

// S of a table in units of 2^-26 (chisquare/x_ln_x.h), and the cells
// of the allele table it is counted on.
struct Measure {
  std::function<std::int64_t(const CountTable&)> S;
  std::int64_t cells;
};

// The walk counting by probability, or, given a measure, by S: a table
// counts when its S is at least the observed one's less the tie margin.
template <class Real>
ChainEstimate<Real> literalWalk(CountTable& MM, std::int32_t MEM, std::int32_t B, std::int32_t C, Ranmar& generator,
                                const Measure* measure) {
  const std::int64_t observed = measure != nullptr ? measure->S(MM) : 0;
  LiteralWalk<Real> walk(MM, generator);
  walk.DEMEMORIZATION(MEM);
  Real HM = 0;
  Real HECA = 0;
  for (std::int32_t K = 1; K <= B; ++K) {
    std::int32_t CNMOY = 0;
    for (std::int32_t CL = 0; CL < C; ++CL) {
      const bool byProbability = walk.batchStepCounts();
      const bool counts = measure == nullptr
                              ? byProbability
                              : measure->S(walk.table()) >= observed - xLnXTieMargin(measure->cells);
      if (counts) ++CNMOY;
    }
    const Real p = static_cast<Real>(CNMOY) / static_cast<Real>(C);
    HM = HM + p;
    HECA = HECA + p * p;
  }
  return batchEstimate(HM, HECA, B);
}

template <class Real>
ChainEstimate<Real> literalCHAINE(CountTable& MM, std::int32_t MEM, std::int32_t B, std::int32_t C, Ranmar& generator,
                                  Ordering ordering = Ordering::Probability) {
  if (ordering == Ordering::Probability) return literalWalk<Real>(MM, MEM, B, C, generator, nullptr);
  const Measure bySum{sumXLnXFixed, std::int64_t{MM.rows} * MM.columns};
  return literalWalk<Real>(MM, MEM, B, C, generator, &bySum);
}

template <class Real>
ChainEstimate<Real> literalGenotypicCHAINE(CountTable& MM, std::span<const GenotypeAlleles> columns, int alleleColumns,
                                           std::int32_t MEM, std::int32_t B, std::int32_t C, Ranmar& generator) {
  const Measure byImpliedSum{
      [columns, alleleColumns](const CountTable& genotypes) {
        return sumXLnXFixed(impliedAlleleTable(genotypes, columns, alleleColumns));
      },
      std::int64_t{MM.rows} * alleleColumns};
  return literalWalk<Real>(MM, MEM, B, C, generator, &byImpliedSum);
}

}  // namespace ortelan::reference
