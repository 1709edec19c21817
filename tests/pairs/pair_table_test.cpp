#include "pairs/pair_table.h"

#include <gtest/gtest.h>

namespace ortelan {
namespace {

TEST(PairTable, TwoRowsOfTheAllelesTheyHoldAndWhetherTheyCanBeTested) {
  CountTable locus;
  locus.resize(3, 4);
  const int counts[3][4] = {{2, 0, 1, 0}, {0, 0, 3, 1}, {0, 0, 0, 0}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) locus.at(r + 1, c + 1) = counts[r][c];
  }
  CountTable pair;
  makePairTable(locus, 1, 2, pair);
  ASSERT_EQ(pair.rows, 2);
  ASSERT_EQ(pair.columns, 3);
  const int expected[2][3] = {{2, 1, 0}, {0, 3, 1}};
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(pair.at(r + 1, c + 1), expected[r][c]);
  }
  EXPECT_TRUE(isTestedPairTable(pair));
  makePairTable(locus, 1, 3, pair);  // a population without genes
  EXPECT_EQ(pair.columns, 2);
  EXPECT_FALSE(isTestedPairTable(pair));
  makePairTable(locus, 2, 3, pair);
  EXPECT_EQ(pair.columns, 2);
  EXPECT_FALSE(isTestedPairTable(pair));
  locus.at(1, 1) = 0;
  makePairTable(locus, 1, 3, pair);  // a single allele
  EXPECT_EQ(pair.columns, 1);
  EXPECT_FALSE(isTestedPairTable(pair));
}

TEST(PairTable, PairsAreNumberedInTheirTableOrder) {
  for (int n : {2, 3, 7, 100}) {
    long next = 0;
    for (int a = 1; a < n; ++a) {
      for (int b = a + 1; b <= n; ++b) EXPECT_EQ(pairIndex(a, b, n), next++) << n << ": " << a << "," << b;
    }
  }
}

}  // namespace
}  // namespace ortelan
