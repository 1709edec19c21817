// P-values from independent tables that reached no hit: no table drawn was
// as extreme as the observed one, so the P is its floor 1 / (B + 1), the
// least that B tables can give, whatever the exact P below it (a locus of
// many cells may be allowed a few hundred tables). Their lower 95 % limit
// is 0 then, and only then. More tables lower the floor; the report, the
// plot and the packages' summaries name such loci and their floors.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace ortelan {

inline bool atSampledFloor(bool sampled, double low) { return sampled && low == 0; }

struct SampledFloors {
  std::size_t loci = 0;
  long long mostTables = 0, fewestTables = 0;  // B: the lowest floor's, the highest's

  // A P at its floor, 1 / (B + 1).
  void add(double p) {
    const long long tables = std::llround(1 / p) - 1;
    mostTables = loci == 0 ? tables : std::max(mostTables, tables);
    fewestTables = loci == 0 ? tables : std::min(fewestTables, tables);
    ++loci;
  }
  static double floorOf(long long tables) { return 1 / (static_cast<double>(tables) + 1); }
  double lowest() const { return floorOf(mostTables); }
  double highest() const { return floorOf(fewestTables); }
  bool oneFloor() const { return mostTables == fewestTables; }
};

}  // namespace ortelan
