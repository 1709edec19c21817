// SplitMix64 (Steele, Lea and Flood, "Fast splittable pseudorandom number
// generators", OOPSLA 2014: state += 0x9E3779B97F4A7C15, output
// mix64(state)), with an exact uniform draw below a bound: the high word of
// the 128-bit product of an output and the bound, an output that would
// favour some values being drawn again (Lemire 2019, "Fast random integer
// generation in an interval", ACM TOMACS 29: 3). Whole-number arithmetic
// throughout, so the draws are the same on every platform.
#pragma once

#include <cstdint>

#include "run/seed_source.h"

namespace ortelan {

class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t state) : state_(state) {}

  std::uint64_t next() {
    state_ += kGolden;
    return mix64(state_);
  }

  // Uniform on 0 .. m - 1 (m > 0), exactly.
  std::uint64_t below(std::uint64_t m) {
    std::uint64_t low = 0, high = product(next(), m, low);
    if (low < m) {
      const std::uint64_t threshold = (0 - m) % m;  // 2^64 mod m
      while (low < threshold) high = product(next(), m, low);
    }
    return high;
  }

 private:
  // The high word of x * y; the low word into `low`.
  static std::uint64_t product(std::uint64_t x, std::uint64_t y, std::uint64_t& low) {
    const std::uint64_t x0 = x & 0xFFFFFFFFu, x1 = x >> 32, y0 = y & 0xFFFFFFFFu, y1 = y >> 32;
    const std::uint64_t p00 = x0 * y0, p01 = x0 * y1, p10 = x1 * y0, p11 = x1 * y1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
    low = (middle << 32) | (p00 & 0xFFFFFFFFu);
    return p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
  }

  std::uint64_t state_;
};

}  // namespace ortelan
