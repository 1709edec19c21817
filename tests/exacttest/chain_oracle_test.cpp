// The walk's estimate against the exact P-value, found by listing every
// table with the observed margins.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "exacttest/chain.h"
#include "exacttest/chain_fixture.h"
#include "support/exact_p_value.h"

namespace ortelan {
namespace {

using Rows = std::vector<std::vector<int>>;
using testing::ExactPValue;

TEST(ChainOracle, ListingAgreesWithKnownPValues) {
  // Fisher's test of 3 1 / 1 3: the tables 4 0, 3 1, 2 2, 1 3, 0 4 weigh
  // 1, 16, 36, 16, 1 (out of 70); all but 2 2 are no more probable.
  EXPECT_NEAR(ExactPValue({{3, 1}, {1, 3}}).value(), 34.0 / 70, 1e-12);
  EXPECT_NEAR(ExactPValue({{4, 0}, {0, 4}}).value(), 2.0 / 70, 1e-12);
  EXPECT_NEAR(ExactPValue({{1, 1}, {1, 1}}).value(), 1.0, 1e-12);
  EXPECT_EQ(ExactPValue({{2, 1, 0}, {1, 1, 1}, {0, 2, 3}}).tables(), 75);
}

template <class Real>
class ChainOracle : public ::testing::Test {};
using RealTypes = ::testing::Types<double, long double>;
TYPED_TEST_SUITE(ChainOracle, RealTypes);

TYPED_TEST(ChainOracle, EstimateLiesWithinItsStandardErrorOfTheExactPValue) {
  const std::vector<Rows> tables{
      {{3, 1}, {1, 3}},
      {{9, 0}, {0, 8}},
      {{1, 1}, {1, 1}},
      {{5, 0, 1}, {0, 4, 2}},
      {{2, 1, 0}, {1, 2, 1}, {0, 1, 3}},
      {{6, 2, 3}, {4, 5, 2}, {3, 3, 6}},
      {{0, 3, 0, 1}, {2, 0, 0, 0}, {0, 1, 4, 0}},
      {{2, 0, 1, 0}, {0, 0, 1, 3}, {1, 2, 0, 0}, {0, 1, 1, 1}},
      {{1, 2, 0, 1, 1}, {0, 1, 2, 1, 0}, {2, 0, 1, 0, 1}, {1, 1, 0, 2, 1}},
      {{4, 0, 0, 1, 0}, {0, 3, 0, 0, 2}, {0, 0, 4, 1, 0}},
  };
  for (const Rows& rows : tables) {
    const ExactPValue exact(rows);
    for (const auto& seeds : {std::vector<int>{12, 34, 56, 78}, {1, 1, 1, 1}, {150, 7, 99, 168}}) {
      CountTable MM = countTable(rows);
      Ranmar generator;
      generator.MAKE_RANDOM(seeds[0], seeds[1], seeds[2], seeds[3]);
      const auto estimate = CHAINE<TypeParam>(MM, 10000, 100, 5000, generator);
      const double P = static_cast<double>(estimate.HM), SE = static_cast<double>(estimate.HECA);
      EXPECT_NEAR(P, exact.value(), 4 * SE + (SE == 0 ? 0.002 : 0.0))
          << "table " << ::testing::PrintToString(rows) << " seeds " << seeds[0] << " SE " << SE;
    }
  }
}

}  // namespace
}  // namespace ortelan
