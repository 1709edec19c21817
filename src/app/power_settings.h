// What a power analysis is asked to do, as `<program> power` takes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/run_settings.h"

namespace ortelan {

struct PowerSettings {
  // The data file, the tests and their settings, the seed, threads and
  // quiet, as a scripted run takes them; its outputs are not used.
  RunSettings run;
  std::vector<double> fst{0, 0.001, 0.0025, 0.005, 0.01, 0.02};  // F_ST targets, 0 <= F < 1
  std::int64_t ne = 1000;                                        // effective size of each population
  // Individuals sampled: one size for every population, or one per
  // population; as the data file has them typed at each locus when none.
  std::optional<std::vector<std::int64_t>> sizes;
  std::vector<double> alphas{0.05};
  std::int64_t replicates = 1000;
  std::optional<std::pair<std::int64_t, std::int64_t>> range;  // the replicates this run makes, from 1
  double decisionError = 0.001;  // of a decision from independent tables
  std::string reportPath = "Ortelan-power.out";  // "-": standard output
  std::optional<std::string> tablePath;          // the power table; "-": standard output
  std::optional<std::string> plotPath;           // power against F_ST (SVG)
};

}  // namespace ortelan
