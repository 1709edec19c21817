// A rows x columns table of counts, indexed from 1, stored flat. Row
// rows + 1 and column columns + 1 are there for margins.
#pragma once

#include <cstdint>
#include <vector>

namespace ortelan {

struct CountTable {
  int rows = 0;
  int columns = 0;
  std::vector<std::int32_t> cells;

  void resize(int r, int c) {
    rows = r;
    columns = c;
    cells.assign(static_cast<std::size_t>(r + 2) * static_cast<std::size_t>(c + 2), 0);
  }
  std::int32_t& at(int r, int c) { return cells[index(r, c)]; }
  std::int32_t at(int r, int c) const { return cells[index(r, c)]; }
  int stride() const { return columns + 2; }

 private:
  std::size_t index(int r, int c) const {
    return static_cast<std::size_t>(r) * static_cast<std::size_t>(columns + 2) + static_cast<std::size_t>(c);
  }
};

}  // namespace ortelan
