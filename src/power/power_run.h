// The replicates of every target of a power analysis, on the run's
// workers: each replicate simulated and tested on its own (its generators
// keyed by the run seed, the target and its number), and the outcomes
// summed per target in whole numbers, so that the tallies are the same on
// any number of threads, and a run split into ranges of replicates adds up
// to the whole run's.
#pragma once

#include <cstdint>
#include <vector>

#include "power/power_design.h"
#include "power/power_tally.h"
#include "power/replicate_tests.h"
#include "run/run.h"

namespace ortelan {

// What a power analysis found: its design and tests, and the tallies of
// replicates `first` to `last` of `replicates`.
struct PowerResults {
  PowerDesign design;
  PowerTests tests;
  std::int64_t replicates = 0;
  std::int64_t first = 1, last = 0;
  std::vector<TargetTally> tallies;  // per target of the design
};

// The sequential bounds of each level of `tests`, for the most tables any
// locus of `design` may draw.
std::vector<DecisionBounds> decisionBounds(const PowerTests& tests, const PowerDesign& design);

// Replicates `first` to `last` (from 1) of every target of `design`, with
// the run's workers, meter (one unit a replicate) and seeds (their edition's
// seed range) under `runSeed`. Per target of the design, its tally.
template <class Real>
std::vector<TargetTally> runPower(RunContext& run, const PowerDesign& design, const PowerTests& tests,
                                  std::uint64_t runSeed, std::int64_t first, std::int64_t last);

}  // namespace ortelan
