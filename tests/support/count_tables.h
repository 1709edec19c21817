// Count tables of the tests, written row by row.
#pragma once

#include <vector>

#include "input/tables/count_table.h"

namespace ortelan::testing {

using Rows = std::vector<std::vector<int>>;

// The table whose cells [1..rows, 1..columns] are `rows`.
inline CountTable tableOf(const Rows& rows) {
  CountTable table;
  table.resize(static_cast<int>(rows.size()), static_cast<int>(rows.front().size()));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      table.at(static_cast<int>(r) + 1, static_cast<int>(c) + 1) = rows[r][c];
    }
  }
  return table;
}

}  // namespace ortelan::testing
