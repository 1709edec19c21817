// The tables that share the margins of a table: their margins with the
// empty rows and columns left out (no table with those margins can put a
// count there), and how many such tables there are, which bounds the work
// of listing them all.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "input/tables/count_table.h"

namespace ortelan {

// The non-zero row and column totals of cells [1..rows, 1..columns], and
// which rows and columns (from 1) they belong to.
struct Margins {
  std::vector<std::int64_t> rows, columns;
  std::vector<int> rowIndex, columnIndex;
  std::int64_t total = 0;

  std::int64_t freeCells() const {
    return rows.empty() || columns.empty() ? 0
                                           : static_cast<std::int64_t>(rows.size() - 1) *
                                                 static_cast<std::int64_t>(columns.size() - 1);
  }
  bool twoByTwo() const { return rows.size() == 2 && columns.size() == 2; }
};

Margins marginsOf(const CountTable& table);

// The number of tables with these margins, as a real (it may be huge), or
// infinity when counting them would take more than about `workLimit`
// operations (steps of a two-row count; a part counted over more rows
// weighs a hundred). Exact up to the rounding of a double: the count is a sum of
// products of whole numbers, taken in the order of a dynamic programme
// over the columns (two rows, or two columns, by a running window over
// the first row's running total; more, over the remaining row totals,
// sorted, since the tables that complete a part depend only on which
// totals remain and not on their order).
// Above `ceiling` the count stops: infinity, as for too much work.
double tablesWithMargins(const Margins& margins, std::int64_t workLimit,
                         double ceiling = std::numeric_limits<double>::infinity());

// At most the number of tables with the margins of `table` (its margins
// `margins`), found with little work: the tables that refill each pair of
// rows, rows 1 and 2, 3 and 4 ..., with the pair's own totals and the sums
// of its two cells in each column, the other rows kept, are tables with the
// margins, and the pairs refill independently, so the product of their
// counts bounds the count from below; so it does with pairs of columns, and
// the larger of the two is taken. Infinity above `ceiling` or when a pair
// would take more than about `workLimit` operations; each pair's count is a
// two-row count, at most its smaller total times its columns.
double fewestTablesWithMargins(const CountTable& table, const Margins& margins, std::int64_t workLimit,
                               double ceiling);

}  // namespace ortelan
