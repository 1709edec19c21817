// A made-up genome scan for tests and benchmarks of the Manhattan plot:
// loci on 22 chromosomes of human lengths, evenly spread, with P uniform
// under the null except near a few peaks, where P falls to 1e-12 and, at
// the very top, to 0.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "report/manhattan_plot.h"

namespace ortelan::testing {

// SplitMix64 to a double in (0, 1): the same numbers on every platform.
class UnitStream {
 public:
  explicit UnitStream(std::uint64_t seed) : state_(seed) {}
  double next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    z ^= z >> 31;
    return (static_cast<double>(z >> 11) + 0.5) / 9007199254740992.0;
  }

 private:
  std::uint64_t state_;
};

// `loci` loci in file order; the chain had `draws` draws (batches x iterations).
inline std::vector<ManhattanPoint> syntheticScan(std::size_t loci, double draws = 500000, std::uint64_t seed = 1) {
  static constexpr double kMegabases[22] = {248, 242, 198, 190, 181, 171, 159, 145, 138, 134, 135,
                                            133, 114, 107, 102, 90,  83,  80,  59,  64,  47,  51};
  double genome = 0;
  for (const double length : kMegabases) genome += length;
  UnitStream random(seed);
  std::vector<ManhattanPoint> points;
  points.reserve(loci);
  for (int c = 0; c < 22; ++c) {
    const std::string chromosome = "chr" + std::to_string(c + 1);
    const double length = kMegabases[c] * 1e6;
    const auto count = static_cast<std::size_t>(std::llround(static_cast<double>(loci) * (kMegabases[c] * 1e6) / (genome * 1e6)));
    const double peak = length * (0.2 + 0.6 * random.next());  // one peak on every third chromosome
    for (std::size_t k = 0; k < count && points.size() < loci; ++k) {
      const double position = (static_cast<double>(k) + random.next()) * length / static_cast<double>(count);
      double p = random.next();
      const double distance = std::abs(position - peak) / 2e6;  // in units of 2 Mb
      if (c % 3 == 0 && distance < 1) {
        const double height = 12 * (1 - distance) * random.next();
        p = std::min(p, std::pow(10.0, -height));
        if (height > 11) p = 0;
      }
      const double se = std::sqrt(std::max(p, 1 / draws) * (1 - p) / draws);
      points.push_back({chromosome, static_cast<std::int64_t>(position), "rs" + std::to_string(points.size() + 1), p, se});
    }
  }
  return points;
}

}  // namespace ortelan::testing
