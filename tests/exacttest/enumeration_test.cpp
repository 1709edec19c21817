#include "exacttest/enumeration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "chisquare/x_ln_x.h"
#include "exacttest/margin_tables.h"
#include "exacttest/ranmar.h"
#include "support/exact_p_value.h"
#include "support/g_by_margins.h"
#include "support/count_tables.h"

namespace ortelan {
namespace {

using testing::Rows;

using testing::tableOf;

EnumerationOrder byG(const CountTable& table) {
  return {Ordering::G, {}, 0, xLnXTieMargin(std::int64_t{table.rows} * table.columns)};
}

template <class Real>
Real exactP(const Rows& rows, const EnumerationOrder& order = {}) {
  ChainWorkspace workspace;
  return enumeratedP<Real>(tableOf(rows), order, workspace);
}

void expectRelative(double expected, double actual, double tolerance, const std::string& what) {
  EXPECT_LE(std::fabs(actual - expected), tolerance * expected) << what << ": " << actual << " against " << expected;
}

// Fisher's exact test from R 4.2.2, with empty cells and P from 1 to 1e-101:
//   Rscript -e 'format(fisher.test(m, workspace = 2e8)$p.value, digits = 17)'
// for each matrix m below (row by row), and for the three of 200,000 genes
//   Rscript -e 'format(fisher.test(matrix(c(50000,50000,49500,50500), 2, byrow = TRUE))$p.value, digits = 17)'
struct RReference {
  const char* name;
  Rows rows;
  double p;
};

const std::vector<RReference>& rReferences() {
  static const std::vector<RReference> references = {
      {"2x2 with a tie", {{3, 1}, {1, 3}}, 0.48571428571428582},
      {"2x2 empty cells", {{10, 0}, {0, 10}}, 1.0825088224469028e-05},
      {"2x2 P 1e-101", {{170, 0}, {0, 170}}, 2.0651433380112782e-101},
      {"2x2", {{12, 5}, {7, 9}}, 0.16632006577356481},
      {"2x2 all alike", {{2, 2}, {2, 2}}, 1},
      {"2x5", {{3, 0, 2, 5, 1}, {0, 4, 1, 0, 6}}, 0.0006549178375803655},
      {"2x5 P 1e-29", {{20, 0, 15, 0, 30}, {0, 25, 0, 18, 1}}, 1.685495589383541e-29},
      {"4x2", {{5, 0}, {1, 4}, {3, 3}, {0, 6}}, 0.0036789835551444914},
      {"4x2 P 1e-41", {{40, 0}, {0, 40}, {38, 2}, {1, 39}}, 8.2421094359276429e-42},
      {"3x3", {{2, 0, 3}, {1, 4, 0}, {0, 2, 5}}, 0.016659810777457793},
      {"3x3 of ones", {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 0.99999999999999745},
      {"3x4", {{3, 0, 1, 2}, {0, 4, 0, 1}, {2, 1, 5, 0}}, 0.0058402210104995739},
      {"3x4 P 1e-16", {{12, 0, 0, 0}, {0, 11, 0, 1}, {0, 0, 13, 0}}, 2.0760956909012817e-16},
      {"2x2 of 200,000 genes", {{50000, 50000}, {49500, 50500}}, 0.02563959662496312},
      {"2x2 of 200,000 genes, P 1e-27", {{51200, 48800}, {48800, 51200}}, 7.4264716461290744e-27},
      {"2x2 of 200,000 genes, P 1e-71", {{52000, 48000}, {48000, 52000}}, 1.5039232969894067e-71},
  };
  return references;
}

TEST(Enumeration, FishersTestAgreesWithRToOnePartInABillion) {
  for (const RReference& r : rReferences()) {
    expectRelative(r.p, static_cast<double>(exactP<long double>(r.rows)), 1e-9, r.name);
    expectRelative(r.p, exactP<double>(r.rows), 1e-9, r.name);
    // Transposed, and with an empty row and column, the tables are the same.
    Rows transposed(r.rows[0].size(), std::vector<int>(r.rows.size()));
    for (std::size_t i = 0; i < r.rows.size(); ++i) {
      for (std::size_t j = 0; j < r.rows[0].size(); ++j) transposed[j][i] = r.rows[i][j];
    }
    for (auto& row : transposed) row.insert(row.begin() + 1, 0);
    transposed.emplace_back(transposed[0].size(), 0);
    expectRelative(r.p, exactP<double>(transposed), 1e-9, std::string(r.name) + ", transposed with empty lines");
  }
}

// Tables drawn at random, against the listing of tests/support: by
// probability, by G and by the G of the allele table a genotype table
// implies, ties included.
TEST(Enumeration, OrderingsAgreeWithAnIndependentListing) {
  std::mt19937 random(20261208);
  for (int trial = 0; trial < 36; ++trial) {
    const int rows = 2 + trial % 2, columns = 2 + (trial / 2) % 3;
    Rows cells(static_cast<std::size_t>(rows), std::vector<int>(static_cast<std::size_t>(columns)));
    for (auto& row : cells) {
      for (int& cell : row) cell = static_cast<int>(random() % 4);
    }
    cells[0][0] += 1;  // no empty table
    const std::string what = "trial " + std::to_string(trial);
    const double byProbability = testing::ExactPValue(cells).value();
    expectRelative(byProbability, static_cast<double>(exactP<long double>(cells)), 1e-12, what + " by probability");
    const double G = testing::ExactPValue(cells, testing::gByMargins).value();
    const CountTable table = tableOf(cells);
    expectRelative(G, static_cast<double>(exactP<long double>(cells, byG(table))), 1e-12, what + " by G");

    // The same cells as a genotype table: columns 1/1, 1/2, 2/2, 1/3 ...
    std::vector<std::pair<int, int>> genotypes = {{1, 1}, {1, 2}, {2, 2}, {1, 3}, {2, 3}};
    genotypes.resize(static_cast<std::size_t>(columns));
    std::vector<GenotypeAlleles> alleles;
    int alleleColumns = 0;
    for (const auto& [a, b] : genotypes) {
      alleles.push_back({a, b});
      alleleColumns = std::max(alleleColumns, b);
    }
    const auto impliedG = [&](const Rows& t) {
      return testing::gByMargins(testing::allelesOfGenotypes(t, genotypes, alleleColumns));
    };
    const double genotypic = testing::ExactPValue(cells, impliedG).value();
    const EnumerationOrder order{Ordering::G, alleles, alleleColumns,
                                 xLnXTieMargin(std::int64_t{rows} * alleleColumns)};
    expectRelative(genotypic, static_cast<double>(exactP<long double>(cells, order)), 1e-12, what + " genotypic");
  }
}

TEST(Enumeration, TiesCountAsTheWalkCountsThem) {
  // Every table of these margins is tied with or less probable than the
  // observed one, which is the mode; and by G the tables of equal cells in
  // other places (1 3 / 3 1 against 3 1 / 1 3) tie exactly.
  EXPECT_NEAR(exactP<long double>({{2, 2}, {2, 2}}), 1.0L, 1e-17L);
  EXPECT_NEAR(exactP<double>({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), 1.0, 1e-15);
  const Rows swapped = {{1, 3}, {3, 1}};
  const double tail = testing::ExactPValue({{3, 1}, {1, 3}}, testing::gByMargins).value();
  expectRelative(tail, static_cast<double>(exactP<long double>(swapped, byG(tableOf(swapped)))), 1e-15, "G tie");
  // A table whose only other tables are less probable.
  EXPECT_NEAR(exactP<double>({{1, 1}, {1, 1}}), 1.0, 1e-15);
}

TEST(Enumeration, SmallPIsExactDownToTheSmallestNormalAndNeverZero) {
  // 2 x 2 of 2,000 genes, every one apart: P = 2 / C(2000, 1000), about 4e-600.
  const Rows apart = {{1000, 0}, {0, 1000}};
  const long double p80 = exactP<long double>(apart);
  const long double expected = std::exp(std::log(2.0L) - (std::lgamma(2001.0L) - 2 * std::lgamma(1001.0L)));
  EXPECT_LE(std::fabs(p80 - expected), 1e-12L * expected);
  EXPECT_EQ(exactP<double>(apart), std::numeric_limits<double>::min());
  // 200,000 genes apart: below even the 80-bit reals' smallest normal.
  EXPECT_EQ(exactP<long double>({{100000, 0}, {0, 100000}}), std::numeric_limits<long double>::min());
}

// The walk estimates what the listing sums: within 4 standard errors (and
// 0.002) for each ordering, at the chain's own seeds.
TEST(Enumeration, TheWalkLiesWithinItsErrorOfTheExactP) {
  const std::vector<Rows> tables = {{{12, 5}, {7, 9}}, {{3, 0, 2, 5, 1}, {0, 4, 1, 0, 6}}, {{2, 0, 3}, {1, 4, 0}, {0, 2, 5}},
                                    {{5, 0}, {1, 4}, {3, 3}, {0, 6}}};
  int seed = 1;
  for (const Rows& rows : tables) {
    for (const Ordering ordering : {Ordering::Probability, Ordering::G}) {
      CountTable table = tableOf(rows);
      const EnumerationOrder order =
          ordering == Ordering::G ? byG(table) : EnumerationOrder{Ordering::Probability, {}, 0, 0};
      const double exact = exactP<double>(rows, order);
      Ranmar generator;
      generator.MAKE_RANDOM(seed, seed + 1, seed + 2, seed + 3);
      ++seed;
      const ChainEstimate<double> walked = CHAINE<double>(table, 1000, 50, 2000, generator, nullptr, nullptr, ordering);
      EXPECT_LE(std::fabs(walked.HM - exact), 4 * walked.HECA + 0.002) << walked.HM << " against " << exact;
    }
  }
}

TEST(Enumeration, CountsTheTablesWithTheMargins) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 24; ++trial) {
    const int rows = 2 + trial % 3, columns = 2 + (trial / 3) % 3;
    Rows cells(static_cast<std::size_t>(rows), std::vector<int>(static_cast<std::size_t>(columns)));
    for (auto& row : cells) {
      for (int& cell : row) cell = 1 + static_cast<int>(random() % 2);
    }
    const double listed = static_cast<double>(testing::ExactPValue(cells).tables());
    EXPECT_EQ(tablesWithMargins(marginsOf(tableOf(cells)), 1 << 24), listed) << "trial " << trial;
  }
  // Beyond the work allowed, or beyond counting, it is infinite.
  const Margins snp = marginsOf(tableOf({{40, 60}, {55, 45}, {50, 50}, {61, 39}, {48, 52}, {70, 30}, {30, 70}}));
  EXPECT_TRUE(std::isinf(tablesWithMargins(snp, 1000)));
  EXPECT_GT(tablesWithMargins(snp, 1 << 20), 1e9);
}

TEST(Enumeration, IsChosenWhenCheaperThanTheWalk) {
  // Every 2 x 2 table, however large; others when tables x free cells fit.
  EXPECT_TRUE(enumerationIsCheaper(tableOf({{1000000, 3}, {5, 1000000}}), 2));
  const CountTable small = tableOf({{3, 0, 2}, {0, 4, 1}});  // 2 x 3: 14 tables, 2 free cells each
  EXPECT_EQ(tablesWithMargins(marginsOf(small), 100), 14);
  EXPECT_TRUE(enumerationIsCheaper(small, 28));
  EXPECT_FALSE(enumerationIsCheaper(small, 27));
  const CountTable snp = tableOf({{40, 60}, {55, 45}, {50, 50}, {61, 39}, {48, 52}, {70, 30}, {30, 70}});
  EXPECT_FALSE(enumerationIsCheaper(snp, 510000));
}

}  // namespace
}  // namespace ortelan
