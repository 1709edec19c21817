// The exact test's P-value far in the tail, for a table of two rows or two
// columns (a SNP in any number of populations, a pair of populations at
// any locus): importance sampling from the tilted law of tilted_tables.h,
// with 95 % limits that hold at their nominal rate (mean_limits.h).
//
// The draws X_i = w_i / w_max (0 for a table that does not count) are
// independent, in [0, 1], with mean P / w_max exactly. So
//  - the P-value is w_max times their mean: unbiased, never 0;
//  - its standard error w_max times their standard deviation over sqrt(B);
//  - p_low and p_high w_max times the limits of their mean, which hold with
//    a chance of at least 95 % whatever the law of the weights and
//    whenever the drawing stops (not a normal interval on the weights,
//    whose tails are heavy when theta is far off).
// The drawing stops once p_high / p_low is at most 1.5, or when it has
// cost what its budget allows, or at `stop`.
//
// A P below the smallest normal number of Real is given as that number,
// as the listing gives it (so are its limits); the logarithms are carried
// in double precision, so that P may lie below the smallest double in the
// 80-bit programs.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "exacttest/chain.h"
#include "exacttest/enumeration.h"
#include "exacttest/ranmar.h"
#include "input/tables/count_table.h"

namespace ortelan {

template <class Real>
struct TailP {
  Real p = 0, se = 0, low = 0, high = 0;
  std::int64_t drawn = 0;  // tables drawn from the tilted law
};

// Whether the tilted law applies to `table` ordered by `order`: two rows
// or two columns, empty ones left out, more than one table; by probability
// or by G, not the genotypic test.
bool tailApplies(const CountTable& table, const EnumerationOrder& order);

// What the tail method costs at the least (the recursion, and the first
// round of draws), in steps of the walk on the same table: a locus whose
// budget is below it is left to the tables drawn under the null.
double tailLeastSteps(const CountTable& table);

// The tail P of `table` (tailApplies), drawing from `generator` for at
// most `budgetSteps` steps' worth of work. Nothing where the recursion
// fails or no drawn table counts; then the caller keeps what it had.
template <class Real>
std::optional<TailP<Real>> tailPValue(const CountTable& table, const EnumerationOrder& order, double budgetSteps,
                                      Ranmar& generator, ChainWorkspace& workspace,
                                      const std::atomic<bool>* stop = nullptr);

}  // namespace ortelan
