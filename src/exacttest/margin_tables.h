// The tables that share the margins of a table: their margins with the
// empty rows and columns left out (no table with those margins can put a
// count there), and how many such tables there are, which bounds the work
// of listing them all.
#pragma once

#include <cstdint>
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
// operations. Exact up to the rounding of a double: the count is a sum of
// products of whole numbers, taken in the order of a dynamic programme
// over the columns (two rows, or two columns, by a running window over
// the first row's running total; more, over the remaining row totals,
// sorted, since the tables that complete a part depend only on which
// totals remain and not on their order).
double tablesWithMargins(const Margins& margins, std::int64_t workLimit);

}  // namespace ortelan
