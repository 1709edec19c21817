#include "exacttest/tail_p.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "chisquare/x_ln_x.h"
#include "exacttest/margin_tables.h"
#include "exacttest/mean_limits.h"
#include "exacttest/tilted_tables.h"
#include "support/count_tables.h"

namespace ortelan {
namespace {

using testing::Rows;
using testing::tableOf;

Ranmar generatorOf(int seed) {
  Ranmar generator;
  generator.MAKE_RANDOM(1 + seed % 166, 1 + (seed / 166) % 166, 13, 17);
  return generator;
}

EnumerationOrder orderOf(Ordering ordering, const CountTable& table) {
  return {ordering, {}, 0, xLnXTieMargin(std::int64_t{table.rows} * table.columns)};
}

// What a test allows the tail method: the walk's default work.
constexpr double kBudget = 510000;

// The limits of a mean hold at any stopping time, even for draws far from
// normal: mostly 0, a few near 1 (as the tail's weights are when theta is
// far off), or many small; the drawing stopped as soon as the limits are
// 1.5 apart, or after 2,560 draws. Over 400 drawings of each, the mean
// lies outside the limits in at most 5 % of them.
TEST(TailP, MeanLimitsHoldWhereverTheDrawingStops) {
  const struct {
    const char* name;
    double hit;    // the chance that a draw is not 0
    double power;  // a draw that is not 0 is U^power, U uniform
  } laws[] = {{"half hits, spread", 0.5, 1}, {"rare large draws", 0.02, 0.2}, {"many small draws", 0.3, 8}};
  std::mt19937_64 random(20261210);
  std::uniform_real_distribution<double> uniform(0, 1);
  for (const auto& law : laws) {
    SCOPED_TRACE(law.name);
    const double mean = law.hit / (law.power + 1);
    int outside = 0, narrow = 0;
    constexpr int kDrawings = 400;
    for (int drawing = 0; drawing < kDrawings; ++drawing) {
      MeanLimits limits;
      for (int look = 0; look < 40; ++look) {
        for (int k = 0; k < 64; ++k) limits.add(uniform(random) < law.hit ? std::pow(uniform(random), law.power) : 0);
        limits.look();
        if (limits.low() > 0 && limits.high() <= 1.5 * limits.low()) {
          ++narrow;
          break;
        }
        limits.plan(std::max(limits.drawsFor(0.18), static_cast<double>(limits.count() + 64)));
      }
      EXPECT_LE(limits.low(), limits.high());
      outside += mean < limits.low() || mean > limits.high() ? 1 : 0;
    }
    EXPECT_LE(outside, kDrawings / 20) << outside << " of " << kDrawings << " outside";
    // Most drawings of the first law stop early, as the tail's do.
    if (law.hit == 0.5) {
      EXPECT_GT(narrow, kDrawings / 2);
    }
  }
}

// The draws are exactly from the tilted law: over 131,072 tables their
// weighted mean lies within 4.5 standard errors of the exact P, for tables
// of two rows and of two columns, near the null and at the very end of the
// tables, by probability and by G. (A drawing from any other law than the
// one the weights assume would be off by many.)
TEST(TailP, TheWeightedDrawsAverageToTheExactP) {
  const Rows tables[] = {{{20, 2}, {3, 19}, {18, 5}, {6, 14}, {15, 7}},
                         {{30, 0, 2, 8, 1}, {1, 20, 9, 3, 12}},
                         {{12, 2}, {2, 12}, {14, 1}, {1, 13}, {11, 3}, {3, 11}},
                         {{40, 0}, {0, 40}, {39, 1}, {2, 38}}};
  ChainWorkspace workspace;
  int seed = 0;
  for (const Rows& rows : tables) {
    for (const Ordering ordering : {Ordering::Probability, Ordering::G}) {
      const CountTable table = tableOf(rows);
      const EnumerationOrder order = orderOf(ordering, table);
      const double exact = enumeratedP<double>(table, order, workspace);
      TiltedTables tilted(table, marginsOf(table), order, workspace);
      ASSERT_TRUE(tilted.tilt(5));
      Ranmar generator = generatorOf(++seed);
      double sum = 0, squares = 0, least = 1, most = 0;
      constexpr int kRounds = 512, kTables = 256;
      {
        Ranmar::Stream draws(generator);
        double x[kTables];
        for (int round = 0; round < kRounds; ++round) {
          tilted.draw(draws, kTables, x);
          for (const double v : x) {
            least = std::min(least, v);
            most = std::max(most, v);
            sum += v;
            squares += v * v;
          }
        }
      }
      EXPECT_GE(least, 0);
      EXPECT_LE(most, 1);
      const double n = kRounds * kTables, mean = sum / n;
      const double scale = std::exp(tilted.lnLargestWeight());
      const double se = scale * std::sqrt((squares / n - mean * mean) / n);
      EXPECT_NEAR(scale * mean, exact, 4.5 * se) << (ordering == Ordering::G ? "by G" : "by probability");
    }
  }
}

// Tables of two rows whose exact P can be listed (2 to 5 columns of 6 to
// 40 genes, the columns' allele frequencies apart), by bins of exact P from
// 1e-2 down: the exact P lies within the tail's limits in at least 95 %
// of the tables of every bin, by probability and by G, each with its tie
// rule; the P is never 0 and lies within its limits; the limits are at
// most 1.5 apart wherever the budget allows.
struct KnownTable {
  Rows rows;
  double p;
};

std::array<std::vector<KnownTable>, 4> knownTailTables(Ordering ordering, std::size_t perBin) {
  std::mt19937 random(20261211);
  std::array<std::vector<KnownTable>, 4> bins;
  ChainWorkspace workspace;
  const auto full = [&] {
    for (const auto& bin : bins) {
      if (bin.size() < perBin) return false;
    }
    return true;
  };
  while (!full()) {
    const int columns = 2 + static_cast<int>(random() % 4);
    const double spread = std::uniform_real_distribution<double>(0, 6)(random);
    Rows table(2, std::vector<int>(static_cast<std::size_t>(columns), 0));
    for (int j = 0; j < columns; ++j) {
      const double logit = spread * std::normal_distribution<double>()(random);
      const double p = 1 / (1 + std::exp(-logit));
      const int genes = 6 + static_cast<int>(random() % 35);
      for (int g = 0; g < genes; ++g) ++table[std::uniform_real_distribution<double>(0, 1)(random) < p ? 0 : 1][static_cast<std::size_t>(j)];
    }
    // Turned half the time: a SNP's populations as rows.
    const bool turned = random() % 2 == 0;
    Rows rows = table;
    if (turned) {
      rows.assign(static_cast<std::size_t>(columns), std::vector<int>(2));
      for (int j = 0; j < columns; ++j) rows[static_cast<std::size_t>(j)] = {table[0][static_cast<std::size_t>(j)], table[1][static_cast<std::size_t>(j)]};
    }
    const CountTable counts = tableOf(rows);
    if (!tailApplies(counts, orderOf(ordering, counts)) || !enumerationIsCheaper(counts, 2000000)) continue;
    const double p = enumeratedP<double>(counts, orderOf(ordering, counts), workspace);
    const int bin = p >= 1e-4 && p < 1e-2 ? 0 : p >= 1e-8 && p < 1e-4 ? 1 : p >= 1e-16 && p < 1e-8 ? 2 : p < 1e-16 ? 3 : -1;
    if (bin >= 0 && bins[static_cast<std::size_t>(bin)].size() < perBin) {
      bins[static_cast<std::size_t>(bin)].push_back({rows, p});
    }
  }
  return bins;
}

TEST(TailP, LimitsHoldInEveryBinOfExactP) {
  const char* names[] = {"1e-4 to 1e-2", "1e-8 to 1e-4", "1e-16 to 1e-8", "below 1e-16"};
  for (const Ordering ordering : {Ordering::Probability, Ordering::G}) {
    SCOPED_TRACE(ordering == Ordering::G ? "by G" : "by probability");
    ChainWorkspace workspace;
    int seed = 0;
    const auto bins = knownTailTables(ordering, 150);
    for (std::size_t bin = 0; bin < bins.size(); ++bin) {
      SCOPED_TRACE(names[bin]);
      int outside = 0;
      for (const KnownTable& known : bins[bin]) {
        const CountTable table = tableOf(known.rows);
        Ranmar generator = generatorOf(++seed);
        const auto p = tailPValue<double>(table, orderOf(ordering, table), kBudget, generator, workspace);
        ASSERT_TRUE(p.has_value());
        EXPECT_GT(p->p, 0);
        EXPECT_LE(p->low, p->p);
        EXPECT_GE(p->high, p->p);
        outside += known.p < p->low || known.p > p->high ? 1 : 0;
        if (p->high > 1.5 * p->low) {
          std::string rows;
          for (const auto& row : known.rows) {
            for (int count : row) rows += std::to_string(count) + " ";
            rows += "| ";
          }
          ADD_FAILURE() << "p_high / p_low above 1.5 for " << rows << "exact P " << known.p << ": " << p->p << " in ["
                        << p->low << ", " << p->high << "] from " << p->drawn << " tables";
        }
      }
      const double tables = static_cast<double>(bins[bin].size());
      EXPECT_LE(outside / tables, 0.05) << outside << " of " << tables << " outside the limits";
    }
  }
}

}  // namespace
}  // namespace ortelan
