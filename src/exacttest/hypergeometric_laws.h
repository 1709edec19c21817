// The hypergeometric laws of two-column tables' drawing, each made once and
// drawn from many times, by all the tables a thread draws.
//
// A table of two columns (or of two rows, turned) is drawn by splitting its
// items (rows) in halves, again and again (table_sampler.cpp): a split of
// a group of items sends x of the first column's genes the group holds to
// its first half, x hypergeometric with the first half's genes as draws
// from the group's genes, of which the first column's are marked. So the
// law of a split depends only on its draws, its genes and how many of the
// first column's genes its group holds: a few dozen laws per split are
// met, again and again, over thousands of tables, and the loci of a panel
// whose samples have the same sizes share their splits. A law met often
// enough is made: the cumulative probabilities of its values in the order
// a draw afresh searches them (hypergeometric.h, from the mode outwards,
// with the same arithmetic), until they fall below 2^-24 of the mode's on
// both sides, with a guide table (Chen, H.-C. and Asau, Y. 1974, "On
// generating random variates from an empirical distribution", AIIE
// Transactions 6: 163-166) of four entries a value: the guide's g-th
// entry gives the value of every uniform in [g / G, (g + 1) / G) where
// one value does, as for most; else a place at or before the first whose
// cumulative probability exceeds g / G, from which a draw steps on a
// place or two. A uniform beyond what the law keeps (some 1e-8 of them)
// is drawn afresh. So a
// made law gives for every uniform the value a draw afresh gives, to the
// last bit: what a drawing finds never depends on which laws were made
// before, by which locus or in which order, and the laws are kept for as
// long as there is room.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "exacttest/hypergeometric.h"

namespace ortelan {

class HypergeometricLaws {
 public:
  // Where the laws of a split that draws `draws` of `total` genes are kept
  // (found, or given room), for draw(); -1 where they are too wide to keep.
  // A place holds until the laws are forgotten (generation()).
  std::int64_t placeOf(std::int64_t draws, std::int64_t total);
  // Changes whenever the laws are forgotten, making the places found
  // before stale.
  std::uint64_t generation() const { return generation_; }
  // Forgets every law if they have grown beyond their room: only between
  // drawings, which then find their places again.
  void trim();

  // The first column's genes that go to the first half of the split at
  // `lawsPlace` (placeOf(draws, total)), when its group holds `marked` of
  // them; `uniform` in [0, 1); `tables` for ln k! and 1 / k up to total + 2.
  std::int64_t draw(std::int64_t lawsPlace, std::int64_t draws, std::int64_t total, std::int64_t marked, double uniform,
                    const DrawTables& tables) {
    if (lawsPlace < 0) return hypergeometricDraw(draws, marked, total, uniform, tables);
    std::int32_t& at = lawAt_[static_cast<std::size_t>(lawsPlace + marked)];
    if (at < 0) {
      // Drawn afresh until met often enough to be worth making.
      if (--at > -kUsesBeforeMade || guide_.size() > kLargestPool) {
        return hypergeometricDraw(draws, marked, total, uniform, tables);
      }
      at = make(draws, total, marked, tables);
    }
    const std::int32_t* law = &guide_[static_cast<std::size_t>(at)];
    const std::int32_t entry = law[kHeader + static_cast<std::size_t>(uniform * law[kGuides])];
    // Most of the guide's entries lie within one value: that value.
    if (entry >= 0) return valueAt(law, entry);
    // Else the search from the entry's place, the cumulative probabilities
    // ending in an infinite one.
    const double* cumulative = &pool_[static_cast<std::size_t>(law[kPool])];
    std::int32_t place = -entry - 1;
    while (cumulative[place] <= uniform) ++place;
    if (place == law[kSize]) return hypergeometricDraw(draws, marked, total, uniform, tables);
    return valueAt(law, place);
  }

 private:
  // A law costs some ten draws to make: it is made on its eighth use, so
  // that a locus settled in a few hundred tables makes few.
  static constexpr std::int32_t kUsesBeforeMade = 8;
  // Laws are made while their guides hold fewer entries than this; the
  // rest are drawn afresh until the laws are forgotten (trim).
  static constexpr std::size_t kLargestPool = std::size_t{1} << 19;
  // Each law in guide_: its header, then its guide's entries.
  static constexpr std::size_t kGuides = 0, kPool = 1, kSize = 2, kMode = 3, kPairs = 4, kSide = 5, kHeader = 6;

  std::int32_t make(std::int64_t draws, std::int64_t total, std::int64_t marked, const DrawTables& tables);
  // The value at a place of the search's order: the mode, then above and
  // below in turn for `pairs` values each, then on the side that lasts.
  static std::int64_t valueAt(const std::int32_t* law, std::int32_t place) {
    const std::int32_t mode = law[kMode], pairs = law[kPairs];
    // Without a branch on which side, which no predictor can foresee:
    // +h at odd places, -h at even ones.
    const std::int32_t half = (place + 1) >> 1, even = (place & 1) - 1;
    const std::int32_t paired = mode + ((half ^ even) - even);
    const std::int32_t beyond = mode + law[kSide] * (place - pairs);
    return place <= 2 * pairs ? paired : beyond;
  }

  // The place of each split's laws, by draws and genes.
  std::unordered_map<std::uint64_t, std::int64_t> places_;
  // Per split and marked genes, at its place + marked: the law's place in
  // guide_, or minus its uses so far.
  std::vector<std::int32_t> lawAt_;
  // Each law: its guide's entries G, where its cumulative probabilities
  // begin in pool_, their number, its mode, the values searched in pairs
  // and the side (+1 above, -1 below) searched after them; then the
  // guide's G entries, each the place that answers every uniform in
  // [g / G, (g + 1) / G), or, where the place is not one, -1 - the place
  // a search begins at.
  std::vector<std::int32_t> guide_;
  std::vector<double> pool_;
  std::uint64_t generation_ = 0;
};

}  // namespace ortelan
