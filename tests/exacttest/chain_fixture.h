// Small tables for the tests of the walk.
#pragma once

#include <vector>

#include "input/tables/count_table.h"

namespace ortelan {

inline CountTable countTable(const std::vector<std::vector<int>>& rows) {
  CountTable table;
  table.resize(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
  for (int I = 1; I <= table.rows; ++I) {
    for (int J = 1; J <= table.columns; ++J) table.at(I, J) = rows[I - 1][J - 1];
  }
  return table;
}

inline int rowTotal(const std::vector<std::vector<int>>& rows, std::size_t row) {
  int total = 0;
  for (int count : rows[row]) total += count;
  return total;
}

inline int columnTotal(const std::vector<std::vector<int>>& rows, std::size_t column) {
  int total = 0;
  for (const auto& row : rows) total += row[column];
  return total;
}

}  // namespace ortelan
