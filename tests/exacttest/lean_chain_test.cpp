// The lean walk against the step-by-step one, on many tables and seeds:
// the same counts, so the same P-values and standard errors to the bit,
// and the same last table.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "exacttest/chain.h"
#include "exacttest/literal_chain.h"

namespace ortelan {
namespace {

CountTable randomTable(std::mt19937& random) {
  const int rows = 2 + static_cast<int>(random() % 5);
  const int columns = 2 + static_cast<int>(random() % 7);
  // Sparse, small, or large counts (the last beyond the integer shortcut).
  const int kind = static_cast<int>(random() % 4);
  const std::uint32_t largest = kind == 0 ? 2 : kind == 1 ? 12 : kind == 2 ? 200 : 40000;
  CountTable table;
  table.resize(rows, columns);
  for (int I = 1; I <= rows; ++I) {
    for (int J = 1; J <= columns; ++J) {
      table.at(I, J) = (random() % 3 == 0) ? 0 : static_cast<std::int32_t>(random() % (largest + 1));
    }
  }
  table.at(1, 1) += 1;  // never empty
  return table;
}

template <class Real>
void expectSameWalk(const CountTable& observed, const std::array<int, 4>& seeds, std::int32_t MEM, std::int32_t B,
                    std::int32_t C, ChainWorkspace& workspace) {
  CountTable literalTable = observed, leanTable = observed;
  Ranmar literalGenerator, leanGenerator;
  literalGenerator.MAKE_RANDOM(seeds[0], seeds[1], seeds[2], seeds[3]);
  leanGenerator.MAKE_RANDOM(seeds[0], seeds[1], seeds[2], seeds[3]);
  const auto literal = reference::literalCHAINE<Real>(literalTable, MEM, B, C, literalGenerator);
  const auto lean = CHAINE<Real>(leanTable, MEM, B, C, leanGenerator, &workspace);
  ASSERT_EQ(lean.HM, literal.HM);
  ASSERT_EQ(lean.HECA, literal.HECA);
  ASSERT_EQ(leanTable.cells, literalTable.cells);
  // Both walks drew the same number of values.
  ASSERT_EQ(leanGenerator.GOSUB100(), literalGenerator.GOSUB100());
}

template <class Real>
void compareOnManyTables(std::uint32_t seed) {
  std::mt19937 random(seed);
  ChainWorkspace workspace;  // shared by all tables, as by a thread's loci
  for (int round = 0; round < 150; ++round) {
    const CountTable observed = randomTable(random);
    const std::array<int, 4> seeds = {1 + static_cast<int>(random() % 168), 1 + static_cast<int>(random() % 168),
                                      1 + static_cast<int>(random() % 168), 1 + static_cast<int>(random() % 168)};
    SCOPED_TRACE("round " + std::to_string(round));
    expectSameWalk<Real>(observed, seeds, static_cast<std::int32_t>(random() % 2000), 2 + static_cast<std::int32_t>(random() % 10),
                         1 + static_cast<std::int32_t>(random() % 3000), workspace);
  }
}

TEST(LeanChain, SameAsTheStepByStepWalkInLongDouble) { compareOnManyTables<long double>(11); }
TEST(LeanChain, SameAsTheStepByStepWalkInDouble) { compareOnManyTables<double>(12); }

// Two-row tables (a pair of populations) have a walk of their own: the same
// comparison over many column counts and kinds of counts.
TEST(LeanChain, SameAsTheStepByStepWalkOnTwoRows) {
  struct Counts {
    const char* kind;
    std::uint32_t largest;  // counts up to this
    std::uint32_t zeroOneIn;  // a cell is 0 one time in this
  };
  const Counts kinds[] = {{"sparse", 2, 2},
                          {"small", 12, 4},
                          {"typical", 300, 8},
                          {"beyond the integer test", 40000, 8}};
  std::vector<int> columnCounts;
  for (int columns = 2; columns <= 20; ++columns) columnCounts.push_back(columns);
  for (int columns : {31, 64, 99}) columnCounts.push_back(columns);
  std::mt19937 random(2024);
  ChainWorkspace workspace;
  for (int columns : columnCounts) {
    for (const Counts& counts : kinds) {
      CountTable table;
      table.resize(2, columns);
      for (int I = 1; I <= 2; ++I) {
        for (int J = 1; J <= columns; ++J) {
          const bool zero = random() % counts.zeroOneIn == 0;
          table.at(I, J) = zero ? 0 : static_cast<std::int32_t>(random() % (counts.largest + 1));
        }
      }
      table.at(1, 1) += 1;  // never empty
      const std::array<int, 4> seeds = {1 + static_cast<int>(random() % 168), 1 + static_cast<int>(random() % 168),
                                        1 + static_cast<int>(random() % 168), 1 + static_cast<int>(random() % 168)};
      const auto MEM = static_cast<std::int32_t>(random() % 3000);
      const auto B = 2 + static_cast<std::int32_t>(random() % 10);
      const auto C = 1 + static_cast<std::int32_t>(random() % 3000);
      SCOPED_TRACE(std::string("2 x ") + std::to_string(columns) + ", " + counts.kind);
      expectSameWalk<double>(table, seeds, MEM, B, C, workspace);
      expectSameWalk<long double>(table, seeds, MEM, B, C, workspace);
    }
  }
}

TEST(LeanChain, SameAtTheDefaultSettings) {
  ChainWorkspace narrow;
  ChainWorkspace wide;
  const CountTable table = [] {
    CountTable t;
    t.resize(10, 10);
    for (int I = 1; I <= 10; ++I) {
      for (int J = 1; J <= 10; ++J) t.at(I, J) = (I * 7 + J * 3) % 11;
    }
    return t;
  }();
  expectSameWalk<double>(table, {12, 34, 56, 78}, 10000, 100, 5000, narrow);
  expectSameWalk<long double>(table, {12, 34, 56, 78}, 10000, 100, 5000, wide);
}

TEST(LeanChain, HugeCountsAreAcceptedLikeSmallOnes) {
  // PROB1 far beyond 2^39 and PROB2 small: accepted without a draw.
  CountTable table;
  table.resize(2, 2);
  table.at(1, 1) = table.at(2, 2) = 1'000'000;
  table.at(1, 2) = table.at(2, 1) = 0;
  ChainWorkspace workspace;
  expectSameWalk<double>(table, {5, 6, 7, 8}, 50, 2, 50, workspace);
  expectSameWalk<long double>(table, {5, 6, 7, 8}, 50, 2, 50, workspace);
}

TEST(LeanChain, CountsBeyondTheTableOfLogarithms) {
  // A total of some 4.2 million gene copies: logarithms of the larger
  // counts are taken anew, with the same walk, whatever the shape.
  ChainWorkspace workspace;
  for (const int rows : {2, 3}) {
    for (const int columns : {2, 3, 6}) {
      CountTable table;
      table.resize(rows, columns);
      table.at(1, 1) = 2'100'000;
      table.at(2, 2) = 2'100'000;
      table.at(1, 2) = table.at(2, 1) = 3;
      table.at(rows, columns) += 5;
      table.at(1, columns) += 1;
      SCOPED_TRACE(std::to_string(rows) + " x " + std::to_string(columns));
      expectSameWalk<double>(table, {9, 8, 7, 6}, 300, 3, 300, workspace);
      expectSameWalk<long double>(table, {9, 8, 7, 6}, 300, 3, 300, workspace);
    }
  }
}

TEST(LeanChain, StopsWhenAsked) {
  CountTable table;
  table.resize(2, 2);
  table.at(1, 1) = table.at(2, 2) = 5;
  Ranmar generator;
  generator.MAKE_RANDOM(1, 2, 3, 4);
  const std::atomic<bool> stop{true};
  // A walk of 10^9 steps per batch ends after its first batch.
  const auto estimate = CHAINE<double>(table, 0, 1000, 1'000'000'000 / 1000, generator, nullptr, &stop);
  EXPECT_EQ(estimate.HM, 0);
}

}  // namespace
}  // namespace ortelan
