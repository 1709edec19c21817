// Designs and runs of power analyses for the tests, made without data files.
#pragma once

#include <cstdint>
#include <vector>

#include "apps/editions.h"
#include "power/power_run.h"
#include "run/run.h"
#include "support/scripted_console.h"

namespace ortelan::testing {

// `loci` loci with base frequencies `base`, `populations` populations of
// `individuals` each, drifting in populations of `ne`, to `targets`.
inline PowerDesign designOf(int loci, const std::vector<double>& base, int populations, std::int64_t individuals,
                            std::int64_t ne, const std::vector<double>& targets) {
  PowerDesign design;
  design.populations = populations;
  design.ne = ne;
  design.targets = powerTargets(targets, ne);
  for (int locus = 1; locus <= loci; ++locus) {
    PowerLocus l;
    l.locus = locus;
    l.base = base;
    l.sizes.assign(static_cast<std::size_t>(populations), individuals);
    design.loci.push_back(l);
  }
  return design;
}

inline PowerTests testsOf(ExactTest test, ExactMode exact, std::vector<double> alphas = {0.05}) {
  PowerTests tests;
  tests.test = test;
  tests.exact = exact;
  tests.alphas = std::move(alphas);
  return tests;
}

// Replicates `first` to `last` of every target, on `workers` threads.
template <class Real>
std::vector<TargetTally> tallied(const PowerDesign& design, const PowerTests& tests, std::uint64_t seed,
                                 std::int64_t first, std::int64_t last, int workers = 1) {
  ScriptedConsole console;
  const Edition& edition = std::is_same_v<Real, double> ? editionC() : edition3d();
  RunContext run(edition, console);
  run.workers = workers;
  return runPower<Real>(run, design, tests, seed, first, last);
}

// The share of `replicates` that a count makes.
inline double share(std::int64_t count, std::int64_t replicates) {
  return static_cast<double>(count) / static_cast<double>(replicates);
}

}  // namespace ortelan::testing
