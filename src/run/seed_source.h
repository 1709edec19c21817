// The general-purpose generator, seeded once per run from the clock, from
// which the table writer draws four seeds per locus for the exact test's
// own generator.
#pragma once

#include <cstdint>
#include <random>

#include "run/edition.h"

namespace ortelan {

class SeedSource {
 public:
  SeedSource(SeedDraw draw, std::uint64_t clockValue)
      : draw_(draw), engine_(static_cast<std::uint32_t>(clockValue ^ (clockValue >> 32))) {}

  int next() {
    const std::uint32_t value = engine_();
    if (draw_ == SeedDraw::TickClock1To166) {
      // A uniform draw from 0..165 (scaled, not reduced), plus 1.
      return static_cast<int>((static_cast<std::uint64_t>(value) * 166u) >> 32) + 1;
    }
    return static_cast<int>(value % 166u) + 2;
  }

 private:
  SeedDraw draw_;
  std::mt19937 engine_;
};

}  // namespace ortelan
