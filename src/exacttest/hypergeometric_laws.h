// The hypergeometric laws of a two-column table's drawing, each made once
// and drawn from many times.
//
// A table of two columns (or of two rows, turned) is drawn item by item:
// item k (a row) sends x of its t_k genes to the first column, x
// hypergeometric with t_k draws from the genes of items k.. (a fixed
// number), of which the first column's still undealt are marked. So the
// law of item k depends only on k and on how many genes the first column
// still lacks: a few dozen laws per item are met, again and again, over
// thousands of tables. Each is made on first use: its probabilities from
// the mode outwards (as hypergeometric.h finds them) until they fall below
// 2^-60 of the mode's, summed into a cumulative distribution, with a guide
// table (Chen, H.-C. and Asau, Y. 1974, "On generating random variates from
// an empirical distribution", AIIE Transactions 6: 163-166): the guide's
// g-th entry is the first value whose cumulative probability exceeds g / G,
// so a draw looks up its uniform's entry and steps on a place or two.
// The mass left out, below some 1e-16, is far below anything the drawing
// can show; the laws are normalised over what they keep.
#pragma once

#include <cstdint>
#include <vector>

#include "exacttest/hypergeometric.h"

namespace ortelan {

class HypergeometricLaws {
 public:
  // Items with these totals, in the order they are dealt; `marked` genes
  // of the first column among them all.
  HypergeometricLaws(const std::vector<std::int64_t>& itemTotals, std::int64_t marked, const DrawTables& tables);

  // The genes of item k that go to the first column, when it still lacks
  // `marked` of them; `uniform` in [0, 1).
  std::int64_t draw(std::size_t k, std::int64_t marked, double uniform) {
    std::int32_t& law = lawOf_[k][static_cast<std::size_t>(marked - lowestMarked_[k])];
    if (law < 0) law = make(k, marked);
    const Law& at = laws_[static_cast<std::size_t>(law)];
    const double* cumulative = &cumulative_[at.start];
    std::int32_t place = guide_[at.start + static_cast<std::size_t>(uniform * static_cast<double>(at.size))];
    while (cumulative[place] <= uniform) ++place;
    return at.lowest + place;
  }

  // Whether the laws of these totals are worth keeping: each law's
  // standard deviation small enough that what is kept of it stays short.
  static bool suit(const std::vector<std::int64_t>& itemTotals, std::int64_t marked);

 private:
  struct Law {
    std::int64_t lowest;  // the first value kept
    std::size_t start;    // of its cumulative probabilities and its guide
    std::int32_t size;    // values kept, and places of the guide
  };

  std::int32_t make(std::size_t k, std::int64_t marked);

  DrawTables tables_;
  std::vector<std::int64_t> draws_, totals_;  // per item: its genes, and those of items k..
  std::vector<std::int64_t> lowestMarked_;    // per item: the fewest marked genes it may meet
  std::vector<std::vector<std::int32_t>> lawOf_;  // per item and marked genes: the law, or -1 when not made
  std::vector<Law> laws_;
  std::vector<double> cumulative_;
  std::vector<std::int32_t> guide_;
};

}  // namespace ortelan
