// The walk's estimate against the exact P-value, found by listing every
// table with the observed margins.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "exacttest/chain.h"
#include "exacttest/chain_fixture.h"
#include "exacttest/genotypic_chain.h"
#include "support/exact_p_value.h"
#include "support/g_by_margins.h"

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

const std::vector<Rows>& smallTables() {
  static const std::vector<Rows> tables{
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
      // Tables that hold other counts than the observed one and tie with
      // it by G (4 1 1 1 1 against 2 2 2 2) weigh a seventh of the total.
      {{1, 1, 1}, {0, 4, 1}, {1, 1, 0}},
      {{0, 2, 0}, {2, 2, 2}},
  };
  return tables;
}

// Within 4 SE, plus `slack` (or 0.002 where SE is 0) of the exact P-value.
template <class Real, class Walk>
void expectNearExact(const Rows& rows, double exact, double slack, Walk walk) {
  for (const auto& seeds : {std::vector<int>{12, 34, 56, 78}, {1, 1, 1, 1}, {150, 7, 99, 168}}) {
    Ranmar generator;
    generator.MAKE_RANDOM(seeds[0], seeds[1], seeds[2], seeds[3]);
    const ChainEstimate<Real> estimate = walk(generator);
    const double P = static_cast<double>(estimate.HM), SE = static_cast<double>(estimate.HECA);
    EXPECT_NEAR(P, exact, 4 * SE + (SE == 0 ? 0.002 : slack))
        << "table " << ::testing::PrintToString(rows) << " seeds " << seeds[0] << " SE " << SE;
  }
}

TYPED_TEST(ChainOracle, EstimateLiesWithinItsStandardErrorOfTheExactPValue) {
  for (const Rows& rows : smallTables()) {
    expectNearExact<TypeParam>(rows, ExactPValue(rows).value(), 0.0, [&rows](Ranmar& generator) {
      CountTable MM = countTable(rows);
      return CHAINE<TypeParam>(MM, 10000, 100, 5000, generator);
    });
  }
}

TYPED_TEST(ChainOracle, ByGLiesWithinItsStandardErrorOfTheExactPValue) {
  for (const Rows& rows : smallTables()) {
    const double exact = ExactPValue(rows, testing::gByMargins).value();
    expectNearExact<TypeParam>(rows, exact, 0.002, [&rows](Ranmar& generator) {
      CountTable MM = countTable(rows);
      return CHAINE<TypeParam>(MM, 10000, 100, 5000, generator, nullptr, nullptr, Ordering::G);
    });
  }
}

TYPED_TEST(ChainOracle, GenotypicLiesWithinItsStandardErrorOfTheExactPValue) {
  // Populations x genotypes, listed with their margins and ordered by the
  // G of the allele tables they imply.
  struct Case {
    Rows rows;
    std::vector<std::pair<int, int>> genotypes;
    int alleles;
  };
  const Case cases[] = {
      {{{3, 1, 0}, {0, 2, 2}}, {{1, 1}, {1, 2}, {2, 2}}, 2},
      {{{2, 1, 1}, {1, 2, 0}, {0, 1, 3}}, {{1, 1}, {1, 2}, {2, 2}}, 2},
      {{{1, 2, 0, 1}, {0, 1, 2, 0}, {2, 0, 1, 1}}, {{1, 1}, {1, 2}, {2, 3}, {3, 3}}, 3},
      {{{1, 0, 1, 2, 0, 0}, {0, 2, 0, 0, 1, 1}}, {{1, 1}, {1, 2}, {1, 3}, {2, 2}, {2, 3}, {3, 3}}, 3},
      {{{1, 1, 0}, {1, 0, 1}, {0, 1, 1}}, {{1, 2}, {3, 4}, {1, 4}}, 4},
  };
  for (const Case& c : cases) {
    const auto impliedG = [&c](const Rows& genotypes) {
      return testing::gByMargins(testing::allelesOfGenotypes(genotypes, c.genotypes, c.alleles));
    };
    std::vector<GenotypeAlleles> columns;
    for (const auto& [a, b] : c.genotypes) columns.push_back({a, b});
    expectNearExact<TypeParam>(c.rows, ExactPValue(c.rows, impliedG).value(), 0.002, [&](Ranmar& generator) {
      CountTable MM = countTable(c.rows);
      return genotypicCHAINE<TypeParam>(MM, columns, c.alleles, 10000, 100, 5000, generator);
    });
  }
}

}  // namespace
}  // namespace ortelan
