#include "power/sequential_decision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "exacttest/enumeration.h"
#include "exacttest/table_sampler.h"
#include "support/count_tables.h"

namespace ortelan {
namespace {

using testing::tableOf;

// The looks come at 16 x 2^(k/4) tables, rounded up, each after the one
// before, and the bounds of a level never reject a count that a bound
// accepts.
TEST(SequentialDecision, LooksAndBoundsAreInOrder) {
  const std::vector<std::int64_t> first{16, 20, 23, 27, 32, 39, 46, 54, 64, 77, 91, 108, 128};
  for (std::size_t k = 0; k < first.size(); ++k) EXPECT_EQ(tablesAtLook(static_cast<int>(k)), first[k]) << k;
  for (int k = 1; k < 200; ++k) EXPECT_GT(tablesAtLook(k), tablesAtLook(k - 1)) << k;
  for (const double alpha : {0.001, 0.05, 0.5}) {
    const DecisionBounds bounds(alpha, 0.001, 20000);
    ASSERT_GT(bounds.looks(), 40);
    for (int k = 0; k < bounds.looks(); ++k) EXPECT_LT(bounds.rejectUpTo(k), bounds.acceptFrom(k)) << alpha << " " << k;
    EXPECT_LE(bounds.rejectCrossing(), 0.001);
    EXPECT_LE(bounds.acceptCrossing(), 0.001);
  }
  // A table far from the level settles at once: none counted in 153 tables
  // rejects at 0.05, half of 16 counted accepts.
  const DecisionBounds bounds(0.05, 0.001, 2000);
  int look = 0;
  while (tablesAtLook(look) < 153) ++look;
  EXPECT_EQ(bounds.at(look, 0), Decision::Reject);
  EXPECT_EQ(bounds.at(0, 8), Decision::Accept);
}

// The chance of crossing each bound, computed look after look, is the one
// counts of P = alpha meet: over 10,000 runs of Bernoulli draws at P =
// alpha (and a little above and below), each bound is crossed no more
// often than the error rate allows, within binomial error, and as often as
// computed at P = alpha, where it is spent.
TEST(SequentialDecision, BoundsAreCrossedAtTheirComputedChance) {
  constexpr int kRuns = 10000;
  constexpr double kRate = 0.05, kAlpha = 0.05;
  const DecisionBounds bounds(kAlpha, kRate, 1000);
  std::mt19937_64 random(11);
  for (const double p : {kAlpha, 0.06, 0.04}) {
    SCOPED_TRACE("P = " + std::to_string(p));
    int rejected = 0, accepted = 0;
    for (int run = 0; run < kRuns; ++run) {
      std::int64_t drawn = 0, counted = 0;
      for (int look = 0; look < bounds.looks(); ++look) {
        // The draws between two looks, counted at once.
        counted += std::binomial_distribution<std::int64_t>(tablesAtLook(look) - drawn, p)(random);
        drawn = tablesAtLook(look);
        const Decision decision = bounds.at(look, counted);
        if (decision == Decision::Open) continue;
        (decision == Decision::Reject ? rejected : accepted) += 1;
        break;
      }
    }
    const double error = 4 * std::sqrt(kRate * (1 - kRate) / kRuns);
    if (p >= kAlpha) {
      EXPECT_LE(rejected / double(kRuns), kRate + error);  // wrong when P > alpha
    }
    if (p <= kAlpha) {
      EXPECT_LE(accepted / double(kRuns), kRate + error);  // wrong when P <= alpha
    }
    if (p == kAlpha) {
      EXPECT_NEAR(rejected / double(kRuns), bounds.rejectCrossing(), error);
      EXPECT_NEAR(accepted / double(kRuns), bounds.acceptCrossing(), error);
    }
  }
}

// On tables whose exact P can be listed and lies near alpha, where wrong
// decisions are likeliest, the decisions settled by drawing tables differ
// from the exact P's no more often than the error rate, within binomial
// error: 24 tables of 3 x 3 and 2 x 4 cells with exact P from 0.02 to
// 0.12, each decided 80 times from its own draws, at a rate of 0.05.
TEST(SequentialDecision, DecisionsErrNoMoreOftenThanTheirRate) {
  constexpr double kAlpha = 0.05;
  ChainWorkspace workspace;
  reserveTableDraws(workspace, 200);
  std::mt19937 pick(5);
  std::vector<CountTable> tables;
  std::vector<double> exact;
  while (tables.size() < 24) {
    const bool wide = tables.size() % 2 == 1;
    const int rows = wide ? 2 : 3, columns = wide ? 4 : 3;
    testing::Rows cells(static_cast<std::size_t>(rows), std::vector<int>(static_cast<std::size_t>(columns)));
    for (auto& row : cells) {
      for (int& cell : row) cell = static_cast<int>(pick() % 12);
    }
    const CountTable table = tableOf(cells);
    const double p = enumeratedP<double>(table, EnumerationOrder{}, workspace);
    if (p < 0.02 || p > 0.12) continue;
    tables.push_back(table);
    exact.push_back(p);
  }
  for (const double rate : {0.05}) {
    const DecisionBounds bounds(kAlpha, rate, 1000);
    int settled = 0, wrong = 0;
    for (std::size_t t = 0; t < tables.size(); ++t) {
      for (int run = 0; run < 80; ++run) {
        TableDraws draws(tables[t], EnumerationOrder{}, workspace);
        Ranmar generator;
        generator.MAKE_RANDOM(1 + static_cast<int>(t), 1 + run % 160, 2 + run / 160, 9);
        for (int look = 0; look < bounds.looks(); ++look) {
          draws.drawUntil(tablesAtLook(look), std::numeric_limits<std::int64_t>::max(), generator);
          const Decision decision = bounds.at(look, draws.count().counted);
          if (decision == Decision::Open) continue;
          ++settled;
          wrong += (decision == Decision::Reject) != (exact[t] <= kAlpha) ? 1 : 0;
          break;
        }
      }
    }
    SCOPED_TRACE("rate " + std::to_string(rate) + ": " + std::to_string(wrong) + " wrong of " + std::to_string(settled));
    ASSERT_GT(settled, 600);
    EXPECT_LE(wrong / double(settled), rate + 4 * std::sqrt(rate * (1 - rate) / settled));
  }
}

}  // namespace
}  // namespace ortelan
