// The exact P-value of a locus table by complete enumeration of the tables
// with its margins, for tables where that is cheaper than the walk.
//
// Why it is exact. Under the null hypothesis a table T with row totals R,
// column totals C and total N has probability
//   P(T) = (prod R_i! prod C_j!) / (N! prod T_ij!),
// the same law the walk samples from (its switches move between
// neighbouring tables in the ratio of these probabilities). The P-value is
// the sum of P(T) over the tables T with these margins that the test's
// ordering puts at least as far from the null as the observed table O,
// ties included. The enumeration visits every such table once: column by
// column, each cell of a column but its last row takes every count from
//   max(0, what the column still needs - what the rows below can take)
// to min(what its row has left, what the column still needs), and the last
// row takes the rest of the column, so every partial table it builds
// completes to at least one table (with equal totals, any rows left over
// fill the remaining columns, as the north-west corner rule shows), and
// every table with the margins is built by exactly one sequence of choices.
// The last column takes what each row has left. Empty rows and columns are
// left out first: every table holds zeros there.
//
// The orderings are the walks' own, with their tie rules, so that a table
// the walk counts is counted here:
//  - by probability: T counts when ln P(T) - ln P(O) < 1e-8 (the walk's RHO
//    within 1e-8 of 0 is taken as 0, and RHO <= 0 counts);
//  - by G: T counts when S(T) - S(O) + margin >= 0, S = sum k ln k in whole
//    units of 2^-26 (chisquare/x_ln_x.h), with the walk's margin;
//  - genotypic: the same with S of the allele table each genotype table
//    implies.
//
// Accuracy. ln k! comes from lgammal (within a few units of the last place
// of an 80-bit real), and ln P(T) - ln P(O) is a sum of a few such terms,
// within about 1e-13 of its value for tables of up to 10^6 genes, far
// inside the tie tolerance. The sum is taken relative to the largest
// counted term, sum exp(ln P(T) - ln P(max)), with the logarithm of the
// largest kept apart, so that no term overflows or underflows however
// small P is: P = exp(ln P(max) + ln sum), with a relative error of some
// 1e-15 or better. Terms below e^-100 of the largest are left out, which
// changes the sum by less than its rounding for any number of tables that
// can be listed. A P below the smallest normal number of the real type is
// given as that number, an upper bound: the observed table always counts,
// so an exact P is never 0.
#pragma once

#include <cstdint>
#include <span>

#include "chisquare/g_statistic.h"
#include "exacttest/chain.h"
#include "input/tables/count_table.h"

namespace ortelan {

// How the tables are ordered, as the walk orders them (table_loader.h).
struct EnumerationOrder {
  Ordering ordering = Ordering::Probability;
  // The genotypic test: the allele columns (from 1, in an allele table of
  // `alleleColumns` columns) of each column of the table, a genotype table.
  std::span<const GenotypeAlleles> genotypeColumns{};
  int alleleColumns = 0;
  // By G: the tie margin of the walk (xLnXTieMargin of its table's cells).
  std::int64_t tieMargin = 0;
};

// Whether the enumeration takes less work than a walk of `chainSteps`
// steps: the number of tables with the margins of `table` (cells
// [1..rows, 1..columns]), times the free cells of one ((rows - 1) x
// (columns - 1), empty rows and columns left out), is at most
// `chainSteps`. A 2 x 2 table always qualifies: it has at most N / 2 + 1
// tables of N genes. The count stops as soon as it passes what a listing
// may take, and it takes a few percent of the walk's work at most (a
// table whose count would take more is not listed): a bound from below
// settles most large tables at once.
bool enumerationIsCheaper(const CountTable& table, std::int64_t chainSteps);

// The exact P-value of `table` by `order`: in (0, 1], at least the smallest
// normal number of Real. `workspace` holds the logarithms of factorials
// and the terms k ln k of the thread; it may be shared by the tables a
// thread lists.
template <class Real>
Real enumeratedP(const CountTable& table, const EnumerationOrder& order, ChainWorkspace& workspace);

}  // namespace ortelan
