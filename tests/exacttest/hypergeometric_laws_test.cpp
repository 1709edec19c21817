#include "exacttest/hypergeometric_laws.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "exacttest/chain.h"
#include "exacttest/table_sampler.h"
#include "support/count_tables.h"

namespace ortelan {
namespace {

// The uniforms where a law's answer may turn: each cumulative probability
// of the search and its neighbours, every g / G a guide of up to 400
// entries (two a value kept) may split at and its neighbours, the ends, and
// random ones.
std::vector<double> turningUniforms(std::int64_t draws, std::int64_t marked, std::int64_t total,
                                    const DrawTables& tables) {
  std::vector<double> uniforms{0.0, std::nextafter(1.0, 0.0), 1 - 0x1p-48};
  auto around = [&](double u) {
    for (double v : {std::nextafter(u, 0.0), u, std::nextafter(u, 1.0)}) {
      if (v >= 0 && v < 1) uniforms.push_back(v);
    }
  };
  modalSearch(draws, marked, total, tables, [&](std::int64_t, double, double cumulative) {
    around(cumulative);
    return false;
  });
  for (int guides = 2; guides <= 400; guides += 2) {
    for (int g = 1; g < guides; ++g) around(static_cast<double>(g) / guides);
  }
  std::mt19937_64 random(static_cast<std::uint64_t>(total * 131 + marked));
  for (int k = 0; k < 20000; ++k) uniforms.push_back(static_cast<double>(random() >> 16) * 0x1p-48);
  return uniforms;
}

// A law, once made, gives every uniform the value a draw afresh gives, to
// the last bit: at the turning points of its cumulative probabilities and
// of its guide, in its far tails (drawn afresh beyond what it keeps), for
// laws of one value, at the ends of their support, skewed and wide.
TEST(HypergeometricLaws, MadeLawsAnswerAsDrawsAfresh) {
  ChainWorkspace workspace;
  const struct {
    std::int64_t draws, marked, total;
  } laws[] = {{10, 4, 20},  {5, 5, 10},     {1, 1, 2},      {30, 3, 100},  {60, 50, 100}, {3, 40, 41},
              {50, 0, 100}, {50, 100, 100}, {500, 37, 1000}, {500, 500, 1000}, {250, 990, 1000}, {2, 1, 400}};
  for (const auto& law : laws) {
    SCOPED_TRACE(std::to_string(law.draws) + " of " + std::to_string(law.total) + ", " + std::to_string(law.marked));
    const DrawTables tables{workspace.lnFactorialDoubles(law.total + 2), workspace.reciprocals(law.total + 2)};
    HypergeometricLaws laws;
    const std::int64_t place = laws.placeOf(law.draws, law.total);
    ASSERT_GE(place, 0);
    const std::vector<double> uniforms = turningUniforms(law.draws, law.marked, law.total, tables);
    // The first few uses are drawn afresh, the law made at one of them.
    for (int pass = 0; pass < 2; ++pass) {
      int differing = 0;
      for (const double u : uniforms) {
        const std::int64_t fresh = hypergeometricDraw(law.draws, law.marked, law.total, u, tables);
        differing += laws.draw(place, law.draws, law.total, law.marked, u, tables) != fresh ? 1 : 0;
      }
      EXPECT_EQ(differing, 0) << "pass " << pass << " of " << uniforms.size() << " uniforms";
    }
  }
}

// Which laws a thread has made, for which tables and when they were
// forgotten, never changes what a drawing finds: a locus's count is the
// same, table for table, from a workspace of its own as from one that drew
// other loci between its draws and forgot its laws on the way.
TEST(HypergeometricLaws, DrawingsAreTheSameWhateverWasDrawnBefore) {
  using testing::tableOf;
  const CountTable locus = tableOf({{25, 25}, {22, 28}, {27, 23}, {24, 26}, {26, 24}, {21, 29}});
  const std::vector<CountTable> others = {tableOf({{26, 24}, {22, 28}, {27, 23}, {24, 26}, {26, 24}, {21, 29}}),
                                          tableOf({{3, 47}, {2, 48}, {5, 45}, {4, 46}, {1, 49}, {6, 44}}),
                                          tableOf({{60, 40}, {12, 88}, {55, 45}}), tableOf({{7, 3, 5}, {2, 8, 5}})};
  const EnumerationOrder order{};
  auto generator = [] {
    Ranmar g;
    g.MAKE_RANDOM(12, 34, 56, 78);
    return g;
  };
  // Alone, in one go.
  ChainWorkspace alone;
  reserveTableDraws(alone, 400);
  TableDraws expected(locus, order, alone);
  expected.keepHitPlaces(3000);
  Ranmar aloneDraws = generator();
  expected.drawUntil(3000, 100000, aloneDraws);

  // Beside others, in steps, the laws forgotten as it goes.
  ChainWorkspace shared;
  reserveTableDraws(shared, 400);
  TableDraws draws(locus, order, shared);
  draws.keepHitPlaces(3000);
  Ranmar locusDraws = generator();
  std::vector<TableDraws> otherDraws;
  std::vector<Ranmar> otherGenerators;
  for (const CountTable& other : others) {
    otherDraws.emplace_back(other, order, shared);
    otherGenerators.push_back(generator());
  }
  for (std::int64_t step = 1; step <= 30; ++step) {
    draws.drawUntil(100 * step, 100000, locusDraws);
    const std::size_t k = static_cast<std::size_t>(step) % others.size();
    otherDraws[k].drawUntil(200 * step, 100000, otherGenerators[k]);
    if (step % 7 == 0) {
      // A new table forgets the laws where they have outgrown their room;
      // here, by filling it with the laws of many splits.
      const std::uint64_t before = shared.hypergeometricLaws().generation();
      for (std::int64_t total = 4; shared.hypergeometricLaws().generation() == before; total += 2) {
        shared.hypergeometricLaws().placeOf(total / 2, total);
        shared.hypergeometricLaws().trim();
      }
    }
  }
  EXPECT_EQ(draws.count().drawn, 3000);
  EXPECT_EQ(shared.hypergeometricLaws().generation(), 4);
  EXPECT_EQ(draws.hitPlaces(), expected.hitPlaces());
}

}  // namespace
}  // namespace ortelan
