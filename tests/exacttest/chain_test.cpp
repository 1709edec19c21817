#include "exacttest/chain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "exacttest/chain_fixture.h"

namespace ortelan {
namespace {

using Rows = std::vector<std::vector<int>>;

template <class Real>
ChainEstimate<Real> walk(const Rows& rows, std::int32_t MEM, std::int32_t B, std::int32_t C, int seed,
                         CountTable* last = nullptr) {
  CountTable MM = countTable(rows);
  Ranmar generator;
  generator.MAKE_RANDOM(seed, 2 * seed % 168 + 1, 101, 168 - seed);
  const ChainEstimate<Real> estimate = CHAINE<Real>(MM, MEM, B, C, generator);
  if (last != nullptr) *last = MM;
  return estimate;
}

template <class Real>
class Chain : public ::testing::Test {};
using RealTypes = ::testing::Types<double, long double>;
TYPED_TEST_SUITE(Chain, RealTypes);

TYPED_TEST(Chain, TablesWhoseEveryVisitCountsGivePOneWithoutError) {
  // Only one population has data: every switch would empty a cell of 0.
  // All ones: the only other tables (2 0 / 0 2 and 0 2 / 2 0) are four
  // times less probable, so every visited table counts.
  for (const Rows& rows : {Rows{{3, 5, 2}, {0, 0, 0}, {0, 0, 0}}, Rows{{1, 1}, {1, 1}}}) {
    for (int seed : {1, 77}) {
      const auto estimate = walk<TypeParam>(rows, 100, 10, 500, seed);
      EXPECT_EQ(estimate.HM, 1);
      EXPECT_EQ(estimate.HECA, 0);
    }
  }
}

// A 2 x 2 table with every margin 1 or 2 followed draw by draw. Its
// tables are the observed one (1 0 / 0 1 or 2 0 / 0 2), the opposite
// corner (as probable), and with margins 2 the middle table of ones (four
// times more probable). From a corner a switch is impossible (a chosen cell
// is 0) or taken without a draw (PROB 1 or 4); from the middle it has the
// probability 1/4 and takes one more draw.
struct TwoByTwoModel {
  int margin;
  Ranmar generator;
  enum Place { Observed, Opposite, Middle } place = Observed;

  bool step() {  // true when the table reached is counted
    const int OP1 = generator.choose(2);
    const int ALL1 = generator.choose(2);
    while (generator.choose(2) == OP1) {
    }
    while (generator.choose(2) == ALL1) {
    }
    if (place == Middle) {
      if (generator.GOSUB100() <= Ranmar::kOne / 4) place = OP1 == ALL1 ? Opposite : Observed;
    } else if ((OP1 == ALL1) == (place == Observed)) {
      place = margin == 2 ? Middle : place == Observed ? Opposite : Observed;
    }
    return place != Middle;
  }
  int topLeft() const { return place == Observed ? margin : place == Opposite ? 0 : 1; }
};

TYPED_TEST(Chain, WalkFollowsTheDrawsFromTheObservedTable) {
  // With MEM = 0 the first batch starts at the observed table, so an
  // impossible first switch is counted.
  for (int margin : {1, 2}) {
    for (int MEM : {0, 1, 7}) {
      for (int seed : {3, 40, 121}) {
        TwoByTwoModel model{margin, {}};
        model.generator.MAKE_RANDOM(seed, 2 * seed % 168 + 1, 101, 168 - seed);
        for (int step = 0; step < MEM; ++step) model.step();
        TypeParam sum = 0;
        for (int batch = 0; batch < 3; ++batch) {
          int counted = 0;
          for (int iteration = 0; iteration < 4; ++iteration) counted += model.step();
          sum += TypeParam(counted) / 4;
        }
        CountTable last;
        const auto estimate = walk<TypeParam>({{margin, 0}, {0, margin}}, MEM, 3, 4, seed, &last);
        EXPECT_EQ(estimate.HM, sum / 3) << "margin " << margin << " MEM " << MEM << " seed " << seed;
        EXPECT_EQ(last.at(1, 1), model.topLeft()) << "margin " << margin << " MEM " << MEM << " seed " << seed;
      }
    }
  }
}

TYPED_TEST(Chain, BatchEstimateIsMeanAndStandardError) {
  using Real = TypeParam;
  const auto two = batchEstimate<Real>(Real(0.25) + Real(0.75), Real(0.0625) + Real(0.5625), 2);
  EXPECT_EQ(two.HM, Real(0.5));
  EXPECT_EQ(two.HECA, Real(0.25));
  // Equal proportions that no binary fraction holds exactly: the rounded
  // sums must not leave a NaN or a false standard error.
  for (int B : {2, 10, 100, 1000}) {
    for (Real p : {Real(1) / 3, Real(2) / 3, Real(1) / 7, Real(1) / 10, Real(1857) / 5000, Real(0), Real(1)}) {
      Real sum = 0, squares = 0;
      for (int batch = 0; batch < B; ++batch) {
        sum = sum + p;
        squares = squares + p * p;
      }
      const auto estimate = batchEstimate<Real>(sum, squares, B);
      EXPECT_EQ(estimate.HECA, 0) << "B " << B << " p " << static_cast<double>(p);
      EXPECT_NEAR(static_cast<double>(estimate.HM), static_cast<double>(p), 1e-14);
    }
  }
  // One batch of 5000 off by a single count is a real spread.
  const Real low = Real(2499) / 5000, high = Real(2500) / 5000;
  const auto close = batchEstimate<Real>(99 * high + low, 99 * high * high + low * low, 100);
  EXPECT_NEAR(static_cast<double>(close.HECA), 0.0002 / 100, 1e-9);
}

TYPED_TEST(Chain, ToleranceTakesNearZeroAsTheObservedTable) {
  using Real = TypeParam;
  for (Real small : {Real(5e-9), Real(-5e-9)}) {
    Real RHO = small;
    EXPECT_TRUE(toleranceAndCount(RHO));
    EXPECT_EQ(RHO, 0);
  }
  Real RHO = Real(2e-8);
  EXPECT_FALSE(toleranceAndCount(RHO));
  EXPECT_EQ(RHO, Real(2e-8));
  RHO = Real(-2e-8);
  EXPECT_TRUE(toleranceAndCount(RHO));
  EXPECT_EQ(RHO, Real(-2e-8));
}

TYPED_TEST(Chain, WalkKeepsMarginsAndRepeatsWithTheSameSeeds) {
  const Rows rows{{12, 0, 3, 7}, {1, 9, 0, 4}, {5, 5, 5, 0}};
  CountTable first, second;
  const auto a = walk<TypeParam>(rows, 500, 5, 2000, 17, &first);
  const auto b = walk<TypeParam>(rows, 500, 5, 2000, 17, &second);
  EXPECT_EQ(a.HM, b.HM);
  EXPECT_EQ(a.HECA, b.HECA);
  EXPECT_EQ(first.cells, second.cells);
  const CountTable observed = countTable(rows);
  EXPECT_NE(first.cells, observed.cells);  // it moved
  for (int I = 1; I <= 3; ++I) {
    int total = 0;
    for (int J = 1; J <= 4; ++J) {
      EXPECT_GE(first.at(I, J), 0);
      total += first.at(I, J);
    }
    EXPECT_EQ(total, rowTotal(rows, I - 1));
  }
  for (int J = 1; J <= 4; ++J) {
    EXPECT_EQ(first.at(1, J) + first.at(2, J) + first.at(3, J), columnTotal(rows, J - 1)) << "column " << J;
  }
}

TEST(Chain, BothPrecisionsMakeTheSameDecisions) {
  // The moves are decided on exact integer products and on draws that are
  // multiples of 2^-24; the two precisions can part only where a rounded
  // PROB lands on the other side of a draw, or where the accumulated RHO
  // crosses 0 or the 1e-8 tolerance differently. Neither happens on small
  // tables, so the walks visit the same tables and differ only in the
  // rounding of the sums of the batch proportions.
  for (const Rows& rows : {Rows{{3, 1}, {1, 3}}, Rows{{4, 0, 2}, {1, 3, 3}, {0, 2, 5}},
                           Rows{{6, 1, 0, 2, 1}, {0, 3, 4, 1, 2}}}) {
    for (int seed : {2, 55, 160}) {
      CountTable inDouble, inLongDouble;
      const auto d = walk<double>(rows, 1000, 20, 2000, seed, &inDouble);
      const auto ld = walk<long double>(rows, 1000, 20, 2000, seed, &inLongDouble);
      EXPECT_NEAR(d.HM, static_cast<double>(ld.HM), 1e-12);
      EXPECT_NEAR(d.HECA, static_cast<double>(ld.HECA), 1e-12);
      EXPECT_EQ(inDouble.cells, inLongDouble.cells);
    }
  }
}

}  // namespace
}  // namespace ortelan
