// The work of a scripted run, up to its results: the data read (or given),
// the exact test and chi-square of every locus of the run, the totals and,
// when asked, the pairs of populations. The command line writes the
// results to files; R takes them as data frames.
#pragma once

#include <cstdint>
#include <optional>

#include "app/run_settings.h"
#include "input/given_tables.h"
#include "pairs/do_pairs.h"
#include "run/console.h"
#include "run/edition.h"
#include "run/run_state.h"
#include "run/work_meter.h"

namespace ortelan {

template <class Real>
struct Analysis {
  RunState<Real> state;
  std::optional<PairResults<Real>> pairs;
  std::uint64_t seed = 0;  // the run seed, drawn from the clock when none was given
};

// The program's edition as a scripted run uses it: no dialogue, no screen
// clearing, no waiting, faults told in one line.
Edition scriptedEdition(const Edition& program);

// Runs the steps with `edition` (a scripted edition). The table data live
// in a private directory, removed whatever happens. Faults throw
// OneLineFault (status 1 for the data, 2 for a locus list beyond the data).
// `meter` (may be null) is told the work to do and the work done. With
// `given`, its tables stand for the data file.
template <class Real>
Analysis<Real> analyse(const Edition& edition, const RunSettings& settings, Console& console, WorkMeter* meter,
                       const GivenData* given = nullptr);

}  // namespace ortelan
