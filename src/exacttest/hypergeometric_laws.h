// The hypergeometric laws of a two-column table's drawing, each made once
// and drawn from many times.
//
// A table of two columns (or of two rows, turned) is drawn by splitting its
// items (rows) in halves, again and again (table_sampler.cpp): a split of
// a group of items sends x of the first column's genes the group holds to
// its first half, x hypergeometric with the first half's genes as draws
// from the group's genes, of which the first column's are marked. So the
// law of a split depends only on the split and on how many of the first
// column's genes its group holds: a few dozen laws per split are met,
// again and again, over thousands of tables. A law met often enough is
// made: its probabilities from the mode outwards (as hypergeometric.h
// finds them) until they fall below 2^-60 of the mode's, summed into a
// cumulative distribution, with a guide table (Chen, H.-C. and Asau, Y.
// 1974, "On generating random variates from an empirical distribution",
// AIIE Transactions 6: 163-166): the guide's g-th entry is the first value
// whose cumulative probability exceeds g / G, so a draw looks up its
// uniform's entry and steps on a place or two. The mass left out, below
// some 1e-16, is far below anything the drawing can show; the laws are
// normalised over what they keep. Until then, and for a split whose laws
// are too wide to keep, a draw is made afresh (hypergeometric.h), from the
// same law.
#pragma once

#include <cstdint>
#include <vector>

#include "exacttest/hypergeometric.h"

namespace ortelan {

// One split: `draws` genes of its first half among the `total` of its
// group, which holds from `lowest` to `highest` genes of the first column.
struct Split {
  std::int64_t draws, total, lowest, highest;
};

class HypergeometricLaws {
 public:
  HypergeometricLaws(const std::vector<Split>& splits, const DrawTables& tables);
  // The laws of other splits from now on, none made yet, as new laws
  // would be, keeping the room of the old.
  void reset(const std::vector<Split>& splits, const DrawTables& tables);

  // The first column's genes that go to the first half of split k, when
  // its group holds `marked` of them; `uniform` in [0, 1).
  std::int64_t draw(std::size_t k, std::int64_t marked, double uniform) {
    const Split& split = splits_[k];
    if (firstPlace_[k] < 0) return hypergeometricDraw(split.draws, marked, split.total, uniform, tables_);
    std::int32_t& law = lawAt_[static_cast<std::size_t>(firstPlace_[k] + marked - split.lowest)];
    if (law < 0) {
      // Drawn afresh until met often enough to be worth making.
      if (--law > -kUsesBeforeMade || pool_.size() > kLargestPool) {
        return hypergeometricDraw(split.draws, marked, split.total, uniform, tables_);
      }
      law = make(split, marked);
    }
    // The law's first value and size, then its cumulative probabilities;
    // its guide at the same places of guide_.
    const double* at = &pool_[static_cast<std::size_t>(law)];
    const std::int32_t* guide = &guide_[static_cast<std::size_t>(law) + 2];
    const double* cumulative = at + 2;
    std::int32_t place = guide[static_cast<std::size_t>(uniform * at[1])];
    // Most draws step on once or not at all: that step without a branch,
    // so that the rare further ones are all the branch sees.
    place += cumulative[place] <= uniform ? 1 : 0;
    while (cumulative[place] <= uniform) ++place;
    return static_cast<std::int64_t>(at[0]) + place;
  }

 private:
  // A law costs some ten draws to make: it is made on its eighth use, so
  // that a locus settled in a few hundred tables makes few.
  static constexpr std::int32_t kUsesBeforeMade = 8;
  // Laws are made while the pool holds fewer probabilities than this (its
  // places are 32-bit); the rest are drawn afresh.
  static constexpr std::size_t kLargestPool = std::size_t{1} << 28;

  std::int32_t make(const Split& split, std::int64_t marked);

  DrawTables tables_;
  std::vector<Split> splits_;
  // Per split and marked genes, at firstPlace_[k] + marked - lowest: the
  // law's place in the pool, or minus one and its uses so far. A split
  // whose laws are too wide to keep has firstPlace_ -1.
  std::vector<std::int64_t> firstPlace_;
  std::vector<std::int32_t> lawAt_;
  // Each law: its first value, its size and its cumulative probabilities;
  // its guide in guide_ at the places of its probabilities.
  std::vector<double> pool_;
  std::vector<std::int32_t> guide_;
  std::vector<double> below_, above_;  // a law's probabilities as it is made
};

}  // namespace ortelan
