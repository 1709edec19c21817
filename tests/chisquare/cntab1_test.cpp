#include "chisquare/cntab1.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "chisquare/tail_forms.h"
#include "support/count_tables.h"

namespace ortelan {
namespace {

using chisquare_testing::exactTail;
using chisquare_testing::wilsonHilfertyTail;

using testing::Rows;

using testing::tableOf;

// An n x n table with `diagonal` on the diagonal and `other` elsewhere: all
// margins are equal, and chi-square = n (n - 1) (diagonal - other)^2 / total
// of a row.
Rows diagonalTable(int n, int diagonal, int other) {
  Rows rows(static_cast<std::size_t>(n), std::vector<int>(static_cast<std::size_t>(n), other));
  for (int i = 0; i < n; ++i) rows[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)] = diagonal;
  return rows;
}

template <class Real>
struct Result {
  Real chi = -1, df = -1, p = -1;
  std::vector<std::string> pauses;
};

template <class Real>
Result<Real> chiSquareOf(const Rows& rows) {
  Result<Real> result;
  const CountTable table = tableOf(rows);
  CNTAB1(table, table.rows, table.columns, result.chi, result.df, result.p,
         [&result](std::string_view message) { result.pauses.emplace_back(message); });
  return result;
}

template <class Real>
class Cntab1 : public ::testing::Test {};
using RealTypes = ::testing::Types<double, long double>;
TYPED_TEST_SUITE(Cntab1, RealTypes);

TYPED_TEST(Cntab1, KnownTables) {
  struct Case {
    const char* name;
    Rows rows;
    long double chi, df, p, pTolerance;
  };
  const Case cases[] = {
      // Every expected count 5: chi 4 * 25 / 5, P = erfc(sqrt 10).
      {"10 0 / 0 10", {{10, 0}, {0, 10}}, 20, 1, std::erfc(std::sqrt(10.0L)), 1e-11L},
      {"5 5 / 5 5", {{5, 5}, {5, 5}}, 0, 1, 1, 0},
      // Margins 60, 50 and 30, 40, 40 of 110: chi = 451/36, on 2 df
      // P = exp(-chi / 2).
      {"general 2 x 3", {{10, 20, 30}, {20, 20, 10}}, 451.0L / 36, 2, 0.001903827608L, 3e-9L},
      // 20 on the diagonal, 2 elsewhere: 3 * 2 * 18^2 / 24 = 81 on 4 df.
      {"diagonal 3 x 3", diagonalTable(3, 20, 2), 81, 4, exactTail(4, 81), 1e-22L},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = chiSquareOf<TypeParam>(c.rows);
    EXPECT_CLOSE(r.chi, c.chi, 1e-12L * (1 + c.chi));
    EXPECT_EQ(r.df, c.df);
    EXPECT_CLOSE(r.p, c.p, c.pTolerance);
    EXPECT_TRUE(r.pauses.empty());
  }
}

// Empty rows and columns do not count as degrees of freedom and add
// nothing to the statistic, wherever they stand.
TYPED_TEST(Cntab1, EmptyRowsAndColumnsOnlyShrinkTheDegreesOfFreedom) {
  const auto compact = chiSquareOf<TypeParam>({{3, 5, 2}, {4, 1, 6}});
  const auto spread = chiSquareOf<TypeParam>({{0, 0, 0, 0, 0}, {3, 0, 5, 2, 0}, {0, 0, 0, 0, 0}, {4, 0, 1, 6, 0}});
  EXPECT_EQ(compact.df, 2);
  EXPECT_EQ(spread.df, 2);
  EXPECT_EQ(spread.chi, compact.chi);
  EXPECT_EQ(spread.p, compact.p);
  EXPECT_GT(compact.chi, 0);
  EXPECT_TRUE(spread.pauses.empty());
}

// Only one population has counts at the locus: chi 0 on 0 df, and P = 1
// after the invalid-arguments pause.
TYPED_TEST(Cntab1, SingleNonEmptyRow) {
  const auto r = chiSquareOf<TypeParam>({{0, 0, 0}, {7, 3, 12}, {0, 0, 0}});
  EXPECT_EQ(r.chi, 0);
  EXPECT_EQ(r.df, 0);
  EXPECT_EQ(r.p, 1);
  EXPECT_EQ(r.pauses, std::vector<std::string>{"pause in GAMMQ - invalid arguments"});
}

// 11 x 11 is the largest table on the incomplete gamma function (100 df);
// one more row takes it to 110 df and the normal approximation.
TYPED_TEST(Cntab1, HundredDegreesOfFreedomAndBeyond) {
  // 21 on the diagonal, 10 elsewhere: 11 * 10 * 11^2 / 121 = 110.
  Rows rows = diagonalTable(11, 21, 10);
  const auto square = chiSquareOf<TypeParam>(rows);
  EXPECT_EQ(square.df, 100);
  EXPECT_CLOSE(square.chi, 110, 1e-12L);
  EXPECT_CLOSE(square.p, exactTail(100, 110), 1e-6L * exactTail(100, 110));

  // A twelfth row in proportion to the column totals adds nothing to chi.
  rows.push_back(std::vector<int>(11, 31));
  const auto tall = chiSquareOf<TypeParam>(rows);
  EXPECT_EQ(tall.df, 110);
  EXPECT_CLOSE(tall.chi, 110, 1e-12L);
  EXPECT_CLOSE(tall.p, wilsonHilfertyTail(110, 110), 1e-7L);
  EXPECT_GT(std::fabs(tall.p - exactTail(110, 110)), 1e-6L);
  EXPECT_TRUE(square.pauses.empty());
  EXPECT_TRUE(tall.pauses.empty());
}

// Only rows 1..NI and columns 1..NJ are read.
TYPED_TEST(Cntab1, ReadsOnlyTheGivenRowsAndColumns) {
  CountTable table = tableOf({{10, 0, 99}, {0, 10, 99}, {99, 99, 99}});
  TypeParam chi, df, p;
  CNTAB1(table, 2, 2, chi, df, p, [](std::string_view) {});
  EXPECT_EQ(chi, 20);
  EXPECT_EQ(df, 1);
}

}  // namespace
}  // namespace ortelan
