#include "run/seed_source.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace ortelan {
namespace {

LocusSeeds keyedSeeds(SeedDraw draw, std::uint64_t runSeed, int locus) {
  return SeedSource::keyed(draw, runSeed).forLocus(locus);
}

TEST(KeyedSeeds, DependOnlyOnTheRunSeedAndTheLocus) {
  for (SeedDraw draw : {SeedDraw::TickClock1To166, SeedDraw::CalendarClock2To167}) {
    SeedSource inOrder = SeedSource::keyed(draw, 42);
    std::map<int, LocusSeeds> first;
    for (int locus = 1; locus <= 50; ++locus) first[locus] = inOrder.forLocus(locus);
    // Asked for in another order, or alone, a locus gets the same seeds.
    for (int locus = 50; locus >= 1; locus -= 7) EXPECT_EQ(keyedSeeds(draw, 42, locus), first[locus]);
  }
}

TEST(KeyedSeeds, StayInRangeAndSpreadOverItForNeighbouringSeedsAndLoci) {
  struct Case {
    SeedDraw draw;
    int lowest, highest;
  };
  for (const Case c : {Case{SeedDraw::TickClock1To166, 1, 166}, Case{SeedDraw::CalendarClock2To167, 2, 167}}) {
    std::map<int, int> counts;
    std::set<LocusSeeds> distinct;
    for (std::uint64_t runSeed : {0ull, 1ull, 2ull, ~0ull}) {
      for (int locus = 1; locus <= 2500; ++locus) {
        const LocusSeeds seeds = keyedSeeds(c.draw, runSeed, locus);
        distinct.insert(seeds);
        for (int seed : seeds) ++counts[seed];
      }
    }
    EXPECT_EQ(counts.begin()->first, c.lowest);
    EXPECT_EQ(counts.rbegin()->first, c.highest);
    EXPECT_EQ(counts.size(), 166u);
    // 40,000 draws over 166 values: about 241 each.
    for (const auto& [seed, count] : counts) EXPECT_NEAR(count, 241, 80) << seed;
    EXPECT_EQ(distinct.size(), 10000u);  // no two chains share their four seeds
  }
}

TEST(KeyedSeeds, PairsOfPopulationsHaveChainsOfTheirOwn) {
  const std::uint64_t locus = chainKey(7, {std::uint64_t(ChainKind::Locus), 3});
  const std::uint64_t pair = chainKey(7, {std::uint64_t(ChainKind::PairAtLocus), 3, 1, 2});
  const std::uint64_t swapped = chainKey(7, {std::uint64_t(ChainKind::PairAtLocus), 3, 2, 1});
  EXPECT_NE(locus, pair);
  EXPECT_NE(pair, swapped);
  EXPECT_NE(seedsFromKey(SeedDraw::TickClock1To166, pair), seedsFromKey(SeedDraw::TickClock1To166, swapped));
}

}  // namespace
}  // namespace ortelan
