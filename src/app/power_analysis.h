// The work of a power analysis, up to its results: the data read (or
// given), the design made of it, and the replicates of every target
// simulated and tested. The command line writes the results to files; R
// and Python take them as data frames.
#pragma once

#include <cstdint>

#include "app/power_settings.h"
#include "input/tables/given_tables.h"
#include "power/power_run.h"
#include "report/power_table.h"
#include "run/console.h"
#include "run/edition.h"
#include "run/work_meter.h"

namespace ortelan {

struct PowerAnalysis {
  DataSummary data;
  PowerResults results;
  std::uint64_t seed = 0;  // the run seed, drawn from the clock when none was given
};

// Runs the analysis with `edition` (a scripted edition); with `given`, its
// tables stand for the data file. Nothing is written anywhere; the loci
// left out are told on the diagnostic stream. Faults throw OneLineFault
// (status 1 for the data, 2 for settings that do not fit them).
template <class Real>
PowerAnalysis analysePower(const Edition& edition, const PowerSettings& settings, Console& console, WorkMeter* meter,
                           const GivenData* given = nullptr);

// What the power table's first line records of the run.
PowerHeading powerHeading(const Edition& edition, const PowerSettings& settings, const PowerAnalysis& analysis);

}  // namespace ortelan
