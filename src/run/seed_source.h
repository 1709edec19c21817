// Where the four seeds of each locus's generator come from.
//  - The dialogue's runs: a general-purpose generator, seeded once per run
//    from the clock, from which the table writer draws four seeds per
//    locus in locus order.
//  - Scripted runs: a run seed S; the seeds of a chain depend only on S and
//    on what names the chain (the locus; or the locus and a pair of
//    populations), so a locus gets the same seeds whatever else the run
//    holds, in whatever order or on whatever thread it is walked.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

#include "run/edition.h"

namespace ortelan {

using LocusSeeds = std::array<int, 4>;

// The SplitMix64 output function (Steele, Lea and Flood, "Fast splittable
// pseudorandom number generators", OOPSLA 2014): a bijection of 64-bit
// words in which every input bit changes about half the output bits.
constexpr std::uint64_t mix64(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

inline constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ull;

// A key for one chain from the run seed and the numbers that name it;
// neighbouring seeds and names give unrelated keys.
constexpr std::uint64_t chainKey(std::uint64_t runSeed, std::initializer_list<std::uint64_t> names) {
  std::uint64_t key = mix64(runSeed + kGolden);
  for (std::uint64_t name : names) key = mix64(key ^ mix64(name + kGolden));
  return key;
}

// The four seeds of the chain with this key, in the program's range
// (1..166 or 2..167): seed k from the top 32 bits of mix64(key + k golden
// steps), scaled (the bias is below 166 / 2^32).
constexpr LocusSeeds seedsFromKey(SeedDraw draw, std::uint64_t key) {
  const int lowest = draw == SeedDraw::TickClock1To166 ? 1 : 2;
  LocusSeeds seeds{};
  for (std::uint64_t k = 0; k < 4; ++k) {
    const std::uint64_t word = mix64(key + (k + 1) * kGolden) >> 32;
    seeds[k] = lowest + static_cast<int>((word * 166u) >> 32);
  }
  return seeds;
}

// What a locus's chain is named by in the keyed seeds; pairs of populations
// are told apart by a different first name. A locus of a GENEPOP file is
// named by its number; a site of a VCF file by itself (siteIdentity), so
// that it keeps its seeds in any region, shard or subset of the file.
// The bootstraps over loci of the F-statistics are named apart in the same
// way, and so are the permutation tests over loci (each permutation named
// by its number after the test's names).
enum class ChainKind : std::uint64_t {
  Locus = 0,
  PairAtLocus = 1,
  Site = 2,
  PairAtSite = 3,
  Bootstrap = 4,
  PairBootstrap = 5,
  PermutationAmongPopulations = 6,
  PermutationWithinGroups = 7,
  PermutationAmongGroups = 8,
  PermutationOfPair = 9,
  // A power analysis: the populations and samples of a replicate of a
  // target, and the tables drawn to test each of its loci.
  PowerReplicate = 10,
  PowerLocus = 11
};

// A 64-bit name of a site from its chromosome, position and alleles (REF,
// then each ALT): the same site gets the same name in any file; two sites
// share one by chance only (about 1 in 2^64). FNV-1a over the bytes, each
// text ended by its length, then mixed.
inline std::uint64_t siteIdentity(std::string_view chrom, std::int64_t pos,
                                  std::initializer_list<std::string_view> alleles) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  auto add = [&hash](std::uint64_t byte) { hash = (hash ^ byte) * 0x100000001B3ull; };
  auto addText = [&](std::string_view text) {
    for (unsigned char c : text) add(c);
    for (int shift = 0; shift < 64; shift += 8) add((text.size() >> shift) & 0xFF);
  };
  addText(chrom);
  for (int shift = 0; shift < 64; shift += 8) add((static_cast<std::uint64_t>(pos) >> shift) & 0xFF);
  for (std::string_view allele : alleles) addText(allele);
  return mix64(hash);
}

class SeedSource {
 public:
  // Drawn in order from a generator seeded from the clock.
  SeedSource(SeedDraw draw, std::uint64_t clockValue)
      : draw_(draw), engine_(static_cast<std::uint32_t>(clockValue ^ (clockValue >> 32))) {}

  // Keyed by the run seed; with `sites` (per locus from 1, their
  // siteIdentity), a locus is named by its site instead of its number.
  static SeedSource keyed(SeedDraw draw, std::uint64_t runSeed,
                          std::shared_ptr<const std::vector<std::uint64_t>> sites = nullptr) {
    SeedSource source(draw, 0);
    source.runSeed_ = runSeed;
    source.sites_ = std::move(sites);
    return source;
  }

  std::optional<std::uint64_t> runSeed() const { return runSeed_; }

  // The four seeds of locus `locus`, written in locus order.
  LocusSeeds forLocus(int locus) {
    if (runSeed_) {
      if (sites_) return seedsFromKey(draw_, chainKey(*runSeed_, {std::uint64_t(ChainKind::Site), site(locus)}));
      return seedsFromKey(draw_, chainKey(*runSeed_, {std::uint64_t(ChainKind::Locus), std::uint64_t(locus)}));
    }
    LocusSeeds seeds{};
    for (int& seed : seeds) seed = next();
    return seeds;
  }

  // The four seeds of populations a < b at locus `locus`; keyed seeds only.
  LocusSeeds forPair(int locus, int a, int b) const {
    if (sites_) {
      return seedsFromKey(draw_, chainKey(runSeed_.value(), {std::uint64_t(ChainKind::PairAtSite), site(locus),
                                                             std::uint64_t(a), std::uint64_t(b)}));
    }
    return seedsFromKey(draw_, chainKey(runSeed_.value(), {std::uint64_t(ChainKind::PairAtLocus), std::uint64_t(locus),
                                                           std::uint64_t(a), std::uint64_t(b)}));
  }

  // The next seed drawn from the clock-seeded generator.
  int next() {
    const std::uint32_t value = engine_();
    if (draw_ == SeedDraw::TickClock1To166) {
      // A uniform draw from 0..165 (scaled, not reduced), plus 1.
      return static_cast<int>((static_cast<std::uint64_t>(value) * 166u) >> 32) + 1;
    }
    return static_cast<int>(value % 166u) + 2;
  }

 private:
  std::uint64_t site(int locus) const { return (*sites_)[static_cast<std::size_t>(locus)]; }

  SeedDraw draw_;
  std::mt19937 engine_;
  std::optional<std::uint64_t> runSeed_;
  std::shared_ptr<const std::vector<std::uint64_t>> sites_;
};

}  // namespace ortelan
