// The walks ordered by G and the genotypic walk against the step-by-step
// walk, which sums every visited table's S anew: the same counts to the
// bit, the same last table, the same draws. And what only these walks
// have: tables that all tie, genotype columns that must fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "chisquare/g_statistic.h"
#include "exacttest/chain.h"
#include "exacttest/chain_fixture.h"
#include "exacttest/genotypic_chain.h"
#include "exacttest/literal_chain.h"

namespace ortelan {
namespace {

using Rows = std::vector<std::vector<int>>;

std::array<int, 4> randomSeeds(std::mt19937& random) {
  const auto seed = [&random] { return 1 + static_cast<int>(random() % 168); };
  return {seed(), seed(), seed(), seed()};
}

Ranmar seeded(const std::array<int, 4>& seeds) {
  Ranmar generator;
  generator.MAKE_RANDOM(seeds[0], seeds[1], seeds[2], seeds[3]);
  return generator;
}

CountTable randomTable(std::mt19937& random, int rows, int columns, std::uint32_t largest) {
  CountTable table;
  table.resize(rows, columns);
  for (int I = 1; I <= rows; ++I) {
    for (int J = 1; J <= columns; ++J) {
      table.at(I, J) = random() % 3 == 0 ? 0 : static_cast<std::int32_t>(random() % (largest + 1));
    }
  }
  table.at(1, 1) += 1;
  table.at(2, 2) += 1;
  return table;
}

// Every genotype of `alleles` alleles, a <= b, in increasing order.
std::vector<GenotypeAlleles> allGenotypes(int alleles) {
  std::vector<GenotypeAlleles> genotypes;
  for (int a = 1; a <= alleles; ++a) {
    for (int b = a; b <= alleles; ++b) genotypes.push_back({a, b});
  }
  return genotypes;
}

struct Settings {
  std::int32_t MEM, B, C;
};

Settings randomSettings(std::mt19937& random) {
  return {static_cast<std::int32_t>(random() % 2000), 2 + static_cast<std::int32_t>(random() % 8),
          1 + static_cast<std::int32_t>(random() % 2000)};
}

template <class Real>
void expectSameGWalk(const CountTable& observed, const std::array<int, 4>& seeds, Settings settings,
                     ChainWorkspace& workspace) {
  CountTable literalTable = observed, leanTable = observed, byProbability = observed;
  Ranmar literalGenerator = seeded(seeds), leanGenerator = seeded(seeds), probabilityGenerator = seeded(seeds);
  const auto literal = reference::literalCHAINE<Real>(literalTable, settings.MEM, settings.B, settings.C,
                                                      literalGenerator, Ordering::G);
  const auto lean = CHAINE<Real>(leanTable, settings.MEM, settings.B, settings.C, leanGenerator, &workspace, nullptr,
                                 Ordering::G);
  ASSERT_EQ(lean.HM, literal.HM);
  ASSERT_EQ(lean.HECA, literal.HECA);
  ASSERT_EQ(leanTable.cells, literalTable.cells);
  ASSERT_EQ(leanGenerator.GOSUB100(), literalGenerator.GOSUB100());
  // The ordering changes what is counted, never where the walk goes.
  CHAINE<Real>(byProbability, settings.MEM, settings.B, settings.C, probabilityGenerator, &workspace);
  ASSERT_EQ(byProbability.cells, leanTable.cells);
}

TEST(OrderedChain, ByGSameAsTheStepByStepWalkOnEveryShape) {
  struct Shape {
    int rows, columns;
  };
  // Two rows and two columns take walks of their own.
  const Shape shapes[] = {{2, 2}, {2, 3}, {2, 8}, {2, 31}, {3, 2}, {4, 5}, {6, 3}, {7, 9}};
  std::mt19937 random(17);
  ChainWorkspace workspace;
  for (const Shape& shape : shapes) {
    for (const std::uint32_t largest : {2u, 12u, 300u, 40000u}) {
      const CountTable table = randomTable(random, shape.rows, shape.columns, largest);
      const auto seeds = randomSeeds(random);
      const Settings settings = randomSettings(random);
      SCOPED_TRACE(std::to_string(shape.rows) + " x " + std::to_string(shape.columns) + ", counts to " +
                   std::to_string(largest));
      expectSameGWalk<double>(table, seeds, settings, workspace);
      expectSameGWalk<long double>(table, seeds, settings, workspace);
    }
  }
}

TEST(OrderedChain, ByGBeyondTheTableOfTerms) {
  // Some 4.2 million genes: terms of the larger counts are taken anew.
  ChainWorkspace workspace;
  for (const int rows : {2, 3}) {
    for (const int columns : {2, 4}) {
      CountTable table;
      table.resize(rows, columns);
      table.at(1, 1) = table.at(2, 2) = 2'100'000;
      table.at(1, 2) = table.at(2, 1) = 3;
      table.at(rows, columns) += 5;
      SCOPED_TRACE(std::to_string(rows) + " x " + std::to_string(columns));
      expectSameGWalk<double>(table, {9, 8, 7, 6}, {200, 2, 200}, workspace);
    }
  }
}

template <class Real>
void expectSameGenotypicWalk(const CountTable& observed, const std::vector<GenotypeAlleles>& columns, int alleles,
                             const std::array<int, 4>& seeds, Settings settings, ChainWorkspace& workspace) {
  CountTable literalTable = observed, leanTable = observed;
  Ranmar literalGenerator = seeded(seeds), leanGenerator = seeded(seeds);
  const auto literal = reference::literalGenotypicCHAINE<Real>(literalTable, columns, alleles, settings.MEM,
                                                               settings.B, settings.C, literalGenerator);
  const auto lean = genotypicCHAINE<Real>(leanTable, columns, alleles, settings.MEM, settings.B, settings.C,
                                          leanGenerator, &workspace);
  ASSERT_EQ(lean.HM, literal.HM);
  ASSERT_EQ(lean.HECA, literal.HECA);
  ASSERT_EQ(leanTable.cells, literalTable.cells);
  ASSERT_EQ(leanGenerator.GOSUB100(), literalGenerator.GOSUB100());
}

TEST(OrderedChain, GenotypicSameAsTheStepByStepWalk) {
  // All genotypes of a few alleles (homozygotes, shared alleles, distinct
  // ones), or a scattered few of many, on two rows and on more.
  std::mt19937 random(29);
  ChainWorkspace workspace;
  for (const int alleles : {2, 3, 5, 12}) {
    std::vector<GenotypeAlleles> columns = allGenotypes(alleles);
    if (alleles == 12) {
      std::shuffle(columns.begin(), columns.end(), random);
      columns.resize(9);
    }
    for (const int rows : {2, 3, 6}) {
      for (const std::uint32_t largest : {1u, 4u, 30u}) {
        const CountTable table = randomTable(random, rows, static_cast<int>(columns.size()), largest);
        const auto seeds = randomSeeds(random);
        const Settings settings = randomSettings(random);
        SCOPED_TRACE(std::to_string(rows) + " rows, " + std::to_string(alleles) + " alleles, counts to " +
                     std::to_string(largest));
        expectSameGenotypicWalk<double>(table, columns, alleles, seeds, settings, workspace);
        expectSameGenotypicWalk<long double>(table, columns, alleles, seeds, settings, workspace);
      }
    }
  }
}

TEST(OrderedChain, TablesThatAllTieCountEveryVisit) {
  // Margins all 1: every table is a permutation of the observed one's
  // cells, so every visited table ties with it: P = 1 by G, on the walks
  // of two rows and of more. Genotypes of one individual each, one per
  // population: the implied allele tables are permutations too.
  ChainWorkspace workspace;
  for (const Rows& rows : {Rows{{1, 0}, {0, 1}}, Rows{{1, 0, 0}, {0, 1, 0}}, Rows{{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                           Rows{{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 1, 0}}}) {
    CountTable table = countTable(rows);
    Ranmar generator = seeded({3, 5, 7, 11});
    const auto estimate = CHAINE<double>(table, 100, 10, 500, generator, &workspace, nullptr, Ordering::G);
    EXPECT_EQ(estimate.HM, 1) << ::testing::PrintToString(rows);
    EXPECT_EQ(estimate.HECA, 0);
    for (const std::vector<GenotypeAlleles>& columns :
         {std::vector<GenotypeAlleles>{{1, 1}, {2, 2}, {3, 3}, {4, 4}}, {{1, 2}, {3, 4}, {5, 6}, {7, 8}}}) {
      CountTable genotypes = countTable(rows);
      const std::span<const GenotypeAlleles> used(columns.data(), rows[0].size());
      Ranmar genotypicGenerator = seeded({3, 5, 7, 11});
      const auto genotypic = genotypicCHAINE<long double>(genotypes, used, 8, 100, 10, 500, genotypicGenerator);
      EXPECT_EQ(genotypic.HM, 1) << ::testing::PrintToString(rows);
      EXPECT_EQ(genotypic.HECA, 0);
    }
  }
}

TEST(OrderedChain, ThousandRowsAndEmptyRowsAndColumns) {
  // 1,000 populations, some empty, and an empty column: every walk keeps
  // the margins and gives a proportion.
  constexpr int kRows = 1000;
  std::mt19937 random(5);
  CountTable alleles = randomTable(random, kRows, 4, 3);
  for (int I = 10; I <= kRows; I += 97) {
    for (int J = 1; J <= 4; ++J) alleles.at(I, J) = 0;
  }
  for (int I = 1; I <= kRows; ++I) alleles.at(I, 3) = 0;
  const std::vector<GenotypeAlleles> columns = allGenotypes(3);
  CountTable genotypes = randomTable(random, kRows, static_cast<int>(columns.size()), 2);
  for (int I = 1; I <= kRows; ++I) genotypes.at(I, 2) = 0;
  const auto rowTotals = [](const CountTable& table) {
    std::vector<std::int64_t> totals;
    for (int I = 1; I <= table.rows; ++I) {
      std::int64_t total = 0;
      for (int J = 1; J <= table.columns; ++J) total += table.at(I, J);
      totals.push_back(total);
    }
    return totals;
  };
  const auto expectWalked = [&](const CountTable& before, const CountTable& after, ChainEstimate<double> estimate) {
    EXPECT_EQ(rowTotals(after), rowTotals(before));
    EXPECT_NE(after.cells, before.cells);
    EXPECT_GE(estimate.HM, 0);
    EXPECT_LE(estimate.HM, 1);
  };
  for (const Ordering ordering : {Ordering::Probability, Ordering::G}) {
    CountTable walked = alleles;
    Ranmar generator = seeded({1, 2, 3, 4});
    expectWalked(alleles, walked, CHAINE<double>(walked, 5000, 10, 2000, generator, nullptr, nullptr, ordering));
    EXPECT_EQ(walked.at(kRows, 3), 0);
  }
  CountTable walked = genotypes;
  Ranmar generator = seeded({1, 2, 3, 4});
  expectWalked(genotypes, walked, genotypicCHAINE<double>(walked, columns, 3, 5000, 10, 2000, generator));
}

TEST(OrderedChain, GenotypeColumnsThatDoNotFitAreRefused) {
  CountTable genotypes = countTable({{1, 2}, {2, 1}});
  struct Case {
    const char* what;
    std::vector<GenotypeAlleles> columns;
    int alleles;
  };
  const Case cases[] = {{"one column short", {{1, 2}}, 2},
                        {"an allele past the last", {{1, 2}, {2, 3}}, 2},
                        {"an allele 0", {{0, 1}, {1, 2}}, 2}};
  for (const Case& c : cases) {
    Ranmar generator = seeded({1, 2, 3, 4});
    EXPECT_THROW(genotypicCHAINE<double>(genotypes, c.columns, c.alleles, 10, 2, 10, generator),
                 std::invalid_argument)
        << c.what;
  }
  CountTable oneRow = countTable({{3, 4}});
  Ranmar generator = seeded({1, 2, 3, 4});
  const std::vector<GenotypeAlleles> columns{{1, 1}, {1, 2}};
  EXPECT_THROW(genotypicCHAINE<double>(oneRow, columns, 2, 10, 2, 10, generator), std::invalid_argument);
}

}  // namespace
}  // namespace ortelan
