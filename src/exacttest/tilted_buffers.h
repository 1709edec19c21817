// What the tilted law of the far tail (tilted_tables.h) works in, kept by
// a thread's workspace from one locus to the next, so that it is
// allocated once and not for every table.
#pragma once

#include <cstdint>
#include <vector>

namespace ortelan {

// A cell of a conditional law drawn by Walker's alias method: the share
// of the cell its own value has, in units of 2^-32, and the value that has
// the rest of it.
struct AliasCell {
  std::uint32_t share;
  std::int32_t alias;
};

// Where a law's cells lie, and its first value.
struct AliasLaw {
  std::int64_t at;
  std::int32_t first, size;
};

struct TiltedBuffers {
  std::vector<double> terms;          // per column and count: ln C(n, x), scores
  std::vector<std::int64_t> gScores;  // by G, the scores as whole units
  std::vector<double> phi;            // the tilted factors of the columns
  std::vector<double> z, zScore;      // the recursion, and its scores' sums
  std::vector<AliasLaw> laws;
  std::vector<AliasCell> cells;       // the columns' own laws' cells
  std::vector<double> scratch;
  std::vector<std::int32_t> small, large;
  // A round of tables drawn together: each one's r, value of the column,
  // sums of the scores, and those still waiting for a value.
  std::vector<std::int64_t> r, x, gSums;
  std::vector<double> sums;
  std::vector<std::int32_t> waiting;
};

}  // namespace ortelan
