// S = Σ k ln k over the cells of a count table, as an exact integer: each
// term is rounded once to a multiple of 2^-26, so that a sum does not
// depend on the order it was taken in, and tables holding the same counts
// (in any places) have the same S to the last bit. With fixed margins G
// grows with S alone (G = 2 (S - Σ R ln R - Σ C ln C + T ln T)), so the
// walks order tables by G through S.
//
// Range: for k < 2^31, k ln k < 2^35.5, and Σ k ln k <= T ln T over a
// table of total T; with T < 2^31 every sum is below 2^61.5 units, and
// the difference of two sums fits in an int64 as well.
// Precision: a term is k ln k rounded to the nearest unit (2^-26, about
// 1.5e-8) from a long double logarithm: within half a unit, plus that
// arithmetic's own error, below half a unit where long double has a
// 64-bit significand or more (x86, aarch64); with a 53-bit one, below half
// a unit for k < 2^18 and some 2^-52 of k ln k beyond. So a term is within
// a unit of k ln k, S within a unit per cell, and G within two.
#pragma once

#include <cmath>
#include <cstdint>

#include "input/tables/count_table.h"

namespace ortelan {

inline constexpr int kXLnXFractionBits = 26;

// k ln k in units of 2^-26; 0 for k = 0 and k = 1.
inline std::int64_t xLnXFixed(std::int64_t k) {
  if (k <= 1) return 0;
  const long double x = static_cast<long double>(k);
  return std::llround(x * std::log(x) * static_cast<long double>(std::int64_t{1} << kXLnXFractionBits));
}

// S of the cells [1..rows, 1..columns] of `table`, in units of 2^-26.
inline std::int64_t sumXLnXFixed(const CountTable& table) {
  std::int64_t S = 0;
  for (int I = 1; I <= table.rows; ++I) {
    for (int J = 1; J <= table.columns; ++J) S += xLnXFixed(table.at(I, J));
  }
  return S;
}

// How far below the observed S a table's S may lie and still be taken as
// tied with it: the rounding the two sums can carry, up to a unit per cell
// of a table of `cells` cells. Besides tables holding the same counts,
// whose sums are equal anyway, this counts the true ties between
// different counts that rounding would split: 4 ln 4 + 4 (1 ln 1) is
// 4 (2 ln 2), so the cells 4 1 1 1 1 tie with 2 2 2 2 0.
inline std::int64_t xLnXTieMargin(std::int64_t cells) { return 2 * cells; }

}  // namespace ortelan
