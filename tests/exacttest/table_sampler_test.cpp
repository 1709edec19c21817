#include "exacttest/table_sampler.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "chisquare/x_ln_x.h"
#include "exacttest/hypergeometric.h"
#include "exacttest/margin_tables.h"
#include "exacttest/sampled_p.h"
#include "support/count_tables.h"

namespace ortelan {
namespace {

using testing::Rows;

using testing::tableOf;

Ranmar generatorOf(int seed) {
  Ranmar generator;
  generator.MAKE_RANDOM(1 + seed % 166, 1 + (seed / 166) % 166, 7, 11);
  return generator;
}

double lnChoose(std::int64_t n, std::int64_t k) {
  return std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0);
}

// The draws follow the hypergeometric law: over 200,000 draws each value's
// share lies within 5 standard errors of its probability, at the mode, in
// both tails, at the ends of the support and far from the mode.
TEST(TableSampler, HypergeometricDrawsFollowTheirLaw) {
  ChainWorkspace workspace;
  const struct {
    std::int64_t draws, marked, total;
  } laws[] = {{10, 4, 20}, {5, 5, 10}, {1, 1, 2}, {30, 3, 100}, {60, 50, 100}, {1000, 500, 2000}, {3, 40, 41}};
  for (const auto& law : laws) {
    SCOPED_TRACE(std::to_string(law.draws) + " of " + std::to_string(law.total) + ", " + std::to_string(law.marked));
    const DrawTables tables{workspace.lnFactorialDoubles(law.total + 2), workspace.reciprocals(law.total + 2)};
    Ranmar generator = generatorOf(static_cast<int>(law.total));
    std::map<std::int64_t, int> seen;
    constexpr int kDraws = 200000;
    for (int n = 0; n < kDraws; ++n) {
      const auto high = static_cast<std::uint64_t>(generator.GOSUB100()), low = static_cast<std::uint64_t>(generator.GOSUB100());
      ++seen[hypergeometricDraw(law.draws, law.marked, law.total, static_cast<double>((high << 24) | low) * 0x1p-48,
                                tables)];
    }
    const std::int64_t lowest = std::max<std::int64_t>(0, law.draws - (law.total - law.marked));
    const std::int64_t highest = std::min(law.draws, law.marked);
    for (const auto& [value, count] : seen) {
      EXPECT_GE(value, lowest);
      EXPECT_LE(value, highest);
    }
    for (std::int64_t x = lowest; x <= highest; ++x) {
      const double p = std::exp(lnChoose(law.marked, x) + lnChoose(law.total - law.marked, law.draws - x) -
                                lnChoose(law.total, law.draws));
      const double share = seen[x] / static_cast<double>(kDraws);
      // Three draws more or less make room for the far tails, where a
      // value of probability 1e-6 may come once or not at all.
      EXPECT_LE(std::fabs(share - p), 5 * std::sqrt(p * (1 - p) / kDraws) + 3.0 / kDraws) << "at " << x;
    }
  }
}

// Random tables of 2 to 3 rows and 2 to 4 columns, populations of
// different allele frequencies, with their exact P by listing every table
// (enumeratedP, which Enumeration.FishersTestAgreesWithRToOnePartInABillion
// checks against R's fisher.test), by bins of P from 1e-4 to 1.
struct KnownTable {
  Rows rows;
  double p;
};

// The order of the tests: by probability, or by G with the tie margin of
// the table's cells.
EnumerationOrder orderOf(Ordering ordering, const CountTable& table) {
  return {ordering, {}, 0, xLnXTieMargin(std::int64_t{table.rows} * table.columns)};
}

std::array<std::vector<KnownTable>, 4> knownTables(Ordering ordering, std::size_t perBin) {
  std::mt19937 random(20261209);
  std::array<std::vector<KnownTable>, 4> bins;
  ChainWorkspace workspace;
  const auto full = [&] {
    for (const auto& bin : bins) {
      if (bin.size() < perBin) return false;
    }
    return true;
  };
  while (!full()) {
    const int rows = 2 + static_cast<int>(random() % 2), columns = 2 + static_cast<int>(random() % 3);
    const double spread = std::uniform_real_distribution<double>(0, 3)(random);
    Rows table(static_cast<std::size_t>(rows), std::vector<int>(static_cast<std::size_t>(columns), 0));
    for (auto& row : table) {
      std::vector<double> weights;
      for (int j = 0; j < columns; ++j) weights.push_back(std::exp(spread * std::normal_distribution<double>()(random)));
      std::discrete_distribution<int> allele(weights.begin(), weights.end());
      const int genes = 8 + static_cast<int>(random() % 25);
      for (int g = 0; g < genes; ++g) ++row[static_cast<std::size_t>(allele(random))];
    }
    const CountTable counts = tableOf(table);
    const Margins margins = marginsOf(counts);
    if (margins.rows.size() < 2 || margins.columns.size() < 2 || !enumerationIsCheaper(counts, 200000)) continue;
    const double p = enumeratedP<double>(counts, orderOf(ordering, counts), workspace);
    const int bin = p >= 0.1 ? 3 : p >= 0.01 ? 2 : p >= 0.001 ? 1 : p >= 0.0001 ? 0 : -1;
    if (bin >= 0 && bins[static_cast<std::size_t>(bin)].size() < perBin) {
      bins[static_cast<std::size_t>(bin)].push_back({table, p});
    }
  }
  return bins;
}

// Forced to sampling, tables whose exact P is known: in every bin of exact
// P from 1e-4 to 1, at most 5 % of the exact P lie outside the 95 % limits
// and at most 2 % more than 3 SE from the sampled P; the sampled P is
// never 0. By probability and by G, each with its tie rule.
// Why 2 %: with few hits the binomial SE is no normal one. Near P = 1e-3,
// at about 10 hits in 10,000 tables, the exact P lies beyond 3 SE some
// 1.0 % of the time (summing the binomial law over h); elsewhere 0.2 to
// 0.7 %. At 1 % the bound sat within a standard deviation of what 1,000
// tables count, and a change in the last bit of exp() crossed it. An SE
// half as large as it should be misses some 13 % of the time.
TEST(TableSampler, LimitsAndStandardErrorsHoldInEveryBinOfExactP) {
  const char* names[] = {"1e-4 to 1e-3", "1e-3 to 1e-2", "1e-2 to 0.1", "0.1 to 1"};
  // Up to 10,000 tables, a tenth of what the default allows such small
  // tables (their walk costs as much as some 100,000 of them).
  const SamplingLimits limits{100, 10000};
  for (const Ordering ordering : {Ordering::Probability, Ordering::G}) {
    SCOPED_TRACE(ordering == Ordering::G ? "by G" : "by probability");
    ChainWorkspace workspace;
    int seed = 0;
    const auto bins = knownTables(ordering, 1000);
    for (std::size_t bin = 0; bin < bins.size(); ++bin) {
      SCOPED_TRACE(names[bin]);
      int outside = 0, beyond3SE = 0;
      for (const KnownTable& known : bins[bin]) {
        const CountTable table = tableOf(known.rows);
        Ranmar generator = generatorOf(++seed);
        const SampledP<double> p =
            sampledPValue<double>(sampleTables(table, orderOf(ordering, table), limits, generator, workspace));
        EXPECT_GT(p.p, 0);
        EXPECT_LE(p.low, p.p);
        EXPECT_GE(p.high, p.p);
        outside += known.p < p.low || known.p > p.high ? 1 : 0;
        beyond3SE += std::fabs(p.p - known.p) > 3 * p.se ? 1 : 0;
      }
      const double tables = static_cast<double>(bins[bin].size());
      EXPECT_LE(outside / tables, 0.05) << outside << " of " << tables << " outside the limits";
      EXPECT_LE(beyond3SE / tables, 0.02) << beyond3SE << " of " << tables << " beyond 3 SE";
    }
  }
}

}  // namespace
}  // namespace ortelan

namespace ortelan {
namespace {

// Each way of drawing gives the same P-values: by probability, by G and by
// the G of the allele table a genotype table implies, against the listing
// of every table, where two draws at 20,000 tables each lie within 4.5
// binomial standard errors of the exact P. Tables of two columns, of two
// rows, and of more of both.
TEST(TableSampler, EveryWayOfDrawingGivesTheExactP) {
  const std::vector<GenotypeAlleles> genotypes = {{1, 1}, {1, 2}, {2, 2}, {1, 3}, {2, 3}};
  const struct {
    const char* name;
    Rows rows;
    bool genotypic;
  } tables[] = {{"5 x 2", {{9, 3}, {4, 8}, {6, 6}, {2, 9}, {7, 7}}, false},
                {"2 x 4", {{5, 1, 4, 0}, {1, 6, 2, 5}}, false},
                {"3 x 4", {{4, 1, 3, 0}, {1, 5, 0, 4}, {3, 3, 2, 2}}, false},
                {"genotypes 3 x 5", {{3, 1, 0, 2, 0}, {0, 2, 3, 0, 2}, {1, 2, 1, 1, 1}}, true},
                {"genotypes 2 x 5", {{3, 2, 0, 2, 0}, {0, 2, 4, 0, 2}}, true}};
  ChainWorkspace workspace;
  int seed = 0;
  for (const auto& t : tables) {
    const CountTable table = tableOf(t.rows);
    for (const Ordering ordering : {Ordering::Probability, Ordering::G}) {
      if (t.genotypic && ordering == Ordering::Probability) continue;
      const EnumerationOrder order =
          t.genotypic ? EnumerationOrder{Ordering::G, genotypes, 3, xLnXTieMargin(std::int64_t{table.rows} * 3)}
                      : orderOf(ordering, table);
      const double exact = enumeratedP<double>(table, order, workspace);
      for (const DrawMethod method : {DrawMethod::TwoColumns, DrawMethod::CellByCell, DrawMethod::Dealing}) {
        SCOPED_TRACE(std::string(t.name) + (ordering == Ordering::G ? " by G" : "") + " drawn " +
                     std::to_string(static_cast<int>(method)));
        Ranmar generator = generatorOf(++seed);
        const SampledCount count =
            sampleTables(table, order, {1 << 30, 20000}, generator, workspace, nullptr, method);
        EXPECT_EQ(count.drawn, 20000);
        EXPECT_FALSE(count.stopped);
        const double share = static_cast<double>(count.counted) / 20000;
        EXPECT_LE(std::fabs(share - exact), 4.5 * std::sqrt(exact * (1 - exact) / 20000) + 1e-9) << exact;
      }
    }
  }
}

// The drawing stops at its hits: P = hits / tables drawn, and within its
// limits; none counted of B gives 1 / (B + 1) and limits 0 to
// 1 - 0.025^(1 / B); all counted gives 1, limits 0.025^(1 / B) to 1.
TEST(TableSampler, StopsAtItsHitsAndNeverGivesZero) {
  ChainWorkspace workspace;
  const CountTable even = tableOf({{10, 10}, {10, 10}, {10, 10}});
  Ranmar generator = generatorOf(5);
  const SampledCount stopped = sampleTables(even, orderOf(Ordering::Probability, even), {50, 100000}, generator, workspace);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.counted, 50);
  EXPECT_LT(stopped.drawn, 100);  // P is near 1
  const SampledP<long double> p = sampledPValue<long double>(stopped);
  EXPECT_EQ(p.p, 50.0L / static_cast<long double>(stopped.drawn));
  EXPECT_LE(p.low, p.p);
  EXPECT_GE(p.high, p.p);

  const SampledP<long double> none = sampledPValue<long double>({999, 0, false});
  EXPECT_EQ(none.p, 0.001L);
  EXPECT_EQ(none.low, 0);
  EXPECT_NEAR(static_cast<double>(none.high), 1 - std::pow(0.025, 1.0 / 999), 1e-15);
  EXPECT_NEAR(static_cast<double>(none.se), std::sqrt(0.001 * 0.999 / 999), 1e-18);
  const SampledP<double> all = sampledPValue<double>({400, 400, false});
  EXPECT_EQ(all.p, 1);
  EXPECT_NEAR(all.low, std::pow(0.025, 1.0 / 400), 1e-15);
  EXPECT_EQ(all.high, 1);
  // Far from the null, every draw misses: P is 1 / (B + 1), not 0.
  const CountTable apart = tableOf({{40, 0}, {0, 40}, {20, 20}});
  const SampledCount missed = sampleTables(apart, orderOf(Ordering::Probability, apart), {100, 3000}, generator, workspace);
  EXPECT_EQ(missed.counted, 0);
  EXPECT_EQ(sampledPValue<double>(missed).p, 1.0 / 3001);
}

}  // namespace
}  // namespace ortelan
