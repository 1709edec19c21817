#include "chisquare/g_statistic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include "chisquare/x_ln_x.h"
#include "support/g_by_margins.h"
#include "support/count_tables.h"

namespace ortelan {
namespace {

using testing::Rows;

using testing::tableOf;

template <class Real>
class GStatisticTest : public ::testing::Test {};
using RealTypes = ::testing::Types<double, long double>;
TYPED_TEST_SUITE(GStatisticTest, RealTypes);

TYPED_TEST(GStatisticTest, KnownTablesWithEmptyRowsAndColumns) {
  const double ln2 = std::log(2.0);
  struct Case {
    Rows rows;
    double G, DF;
  };
  // 5 0 / 0 5: every O is twice its E, G = 2 (10 x 5 ln 2 / 5).
  const Case cases[] = {
      {{{5, 0}, {0, 5}}, 20 * ln2, 1},
      {{{3, 3}, {3, 3}}, 0, 1},
      {{{5, 0, 0}, {0, 0, 0}, {0, 0, 5}}, 20 * ln2, 1},
      // Each count twice its E: G = 2 (2 ln 2 + 2 ln 2 + 4 ln 2).
      {{{0, 0, 0}, {2, 0, 2}, {0, 0, 0}, {0, 4, 0}}, 16 * ln2, 2},
      {{{1, 2, 3}, {0, 0, 0}}, 0, 0},
      {{{0, 0}, {0, 0}}, 0, 0},
  };
  for (const Case& c : cases) {
    const auto result = gStatistic<TypeParam>(tableOf(c.rows));
    EXPECT_NEAR(static_cast<double>(result.G), c.G, 1e-12) << ::testing::PrintToString(c.rows);
    EXPECT_EQ(result.DF, c.DF) << ::testing::PrintToString(c.rows);
    EXPECT_NEAR(static_cast<double>(result.G), testing::gByMargins(c.rows), 1e-12);
  }
  // Random tables, some counts large, against the margins' form.
  std::mt19937 random(3);
  for (int round = 0; round < 200; ++round) {
    Rows rows(2 + random() % 6, std::vector<int>(2 + random() % 8));
    const int largest = round % 2 == 0 ? 5 : 5000;
    for (auto& row : rows) {
      for (int& count : row) count = random() % 3 == 0 ? 0 : static_cast<int>(random() % (largest + 1));
    }
    rows[0][0] += 1;
    rows[1][1] += 1;
    const double expected = testing::gByMargins(rows);
    EXPECT_NEAR(static_cast<double>(gStatistic<TypeParam>(tableOf(rows)).G), expected, 1e-9 * (1 + expected))
        << ::testing::PrintToString(rows);
  }
}

TEST(XLnX, TermsWithinAUnitOverTheWholeRange) {
  const long double unit = std::ldexp(1.0L, -kXLnXFractionBits);
  for (const std::int64_t k : {std::int64_t{0}, std::int64_t{1}, std::int64_t{2}, std::int64_t{3}, std::int64_t{4},
                               std::int64_t{97}, std::int64_t{65536}, std::int64_t{1} << 22, std::int64_t{123456789},
                               std::int64_t{std::numeric_limits<std::int32_t>::max()}}) {
    const long double exact = k > 0 ? static_cast<long double>(k) * std::log(static_cast<long double>(k)) : 0;
    EXPECT_LE(std::fabs(static_cast<long double>(xLnXFixed(k)) * unit - exact), unit) << k;
  }
  // A table of total 2^31 - 1 in one cell: far from overflowing, and the
  // difference of two sums fits as well.
  EXPECT_LT(xLnXFixed(std::numeric_limits<std::int32_t>::max()), std::int64_t{1} << 62);
}

TEST(XLnX, TrueTiesBetweenDifferentCountsLieWithinTheMargin) {
  // Equal sums of k ln k from different counts: 4 ln 4 = 4 (2 ln 2),
  // 9 ln 9 = 6 (3 ln 3), 6 ln 6 = 3 (2 ln 2) + 2 (3 ln 3), ones adding 0.
  const Rows pairs[][2] = {
      {{{4, 1, 1, 1, 1}}, {{2, 2, 2, 2, 0}}},
      {{{9, 1, 1, 1, 1, 1, 1, 1, 1, 1}}, {{3, 3, 3, 3, 3, 3, 0, 0, 0, 0}}},
      {{{6, 1, 1, 1, 1, 1, 1}}, {{2, 2, 2, 3, 3, 0, 0}}},
  };
  for (const auto& pair : pairs) {
    const CountTable one = tableOf(pair[0]), other = tableOf(pair[1]);
    const std::int64_t cells = std::max(one.columns, other.columns);
    EXPECT_LE(std::llabs(sumXLnXFixed(one) - sumXLnXFixed(other)), xLnXTieMargin(cells))
        << ::testing::PrintToString(pair[0]);
  }
}

TEST(ImpliedAlleleTable, EachIndividualGivesTwoGenesToItsRow) {
  // Genotypes 1/1, 1/2, 2/3, 3/3 over three alleles; a homozygote gives
  // two genes of its allele. An empty population stays empty.
  const std::vector<GenotypeAlleles> columns{{1, 1}, {1, 2}, {2, 3}, {3, 3}};
  const CountTable implied = impliedAlleleTable(tableOf({{2, 1, 0, 0}, {0, 0, 0, 0}, {0, 3, 1, 2}}), columns, 3);
  const Rows expected{{5, 1, 0}, {0, 0, 0}, {3, 4, 5}};
  ASSERT_EQ(implied.rows, 3);
  ASSERT_EQ(implied.columns, 3);
  for (int I = 1; I <= 3; ++I) {
    for (int J = 1; J <= 3; ++J) EXPECT_EQ(implied.at(I, J), expected[I - 1][J - 1]) << I << ", " << J;
  }
  const std::vector<GenotypeAlleles> past{{1, 1}, {1, 2}, {2, 4}, {3, 3}};
  EXPECT_THROW(impliedAlleleTable(tableOf({{1, 1, 1, 1}}), past, 3), std::invalid_argument);
  EXPECT_THROW(impliedAlleleTable(tableOf({{1, 1, 1}}), columns, 3), std::invalid_argument);
}

}  // namespace
}  // namespace ortelan
