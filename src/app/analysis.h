// The work of a scripted run, up to its results: the data read (or given),
// the exact test and chi-square of every locus of the run, the totals, the
// F-statistics and, when asked, the pairs of populations. The command line writes the
// results to files; R takes them as data frames.
#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <string>

#include "app/run_settings.h"
#include "fstat/do_fstat.h"
#include "fstat/do_outliers.h"
#include "fstat/windows.h"
#include "input/population_groups.h"
#include "input/tables/given_tables.h"
#include "permutation/do_permutations.h"
#include "pairs/do_pairs.h"
#include "pairs/pair_rows.h"
#include "run/console.h"
#include "run/edition.h"
#include "run/failure.h"
#include "run/run_state.h"
#include "run/work_meter.h"

namespace ortelan {

template <class Real>
struct Analysis {
  RunState<Real> state;
  std::optional<PairResults<Real>> pairs;  // held whole (R, a merge)
  FStatistics<Real> fstat;  // of the loci, and of the pairs with them when held
  std::optional<std::vector<WindowFst<Real>>> windows;  // with --windows
  std::optional<OutlierResults<Real>> outliers;          // with --outliers
  std::optional<PopulationGroups> groups;                // the populations' groups, where given
  std::optional<HierarchyRows<Real>> hierarchy;          // with --hierarchy, or groups
  std::optional<PermutationResults<Real>> permutations;  // with --permutations
  std::uint64_t seed = 0;  // the run seed, drawn from the clock when none was given
  // The pass over the pairs of a run that asked for them, left for when the
  // pairs' files are written: their rows go out as they are made.
  std::optional<PendingPairs> pendingPairs;
};

// The program's edition as a scripted run uses it: no dialogue, no screen
// clearing, no waiting, faults told in one line.
Edition scriptedEdition(const Edition& program);

// Runs the steps with `edition` (a scripted edition). The data file is read
// once, as a stream, and the locus tables counted into memory; nothing is
// written anywhere. Faults throw
// OneLineFault (status 1 for the data, 2 for a locus list beyond the data).
// `meter` (may be null) is told the work to do and the work done. With
// `given`, its tables stand for the data file.
template <class Real>
Analysis<Real> analyse(const Edition& edition, const RunSettings& settings, Console& console, WorkMeter* meter,
                       const GivenData* given = nullptr);

// The data of a run read (or, with `given`, taken), its loci of the run
// marked in `data`, as analyse begins: what a power analysis simulates
// from. VCF data name each locus's seeds by its site under `seed`. Faults
// as analyse's.
DataTables readRunData(RunContext& run, DataSummary& data, const RunSettings& settings, std::uint64_t seed,
                       const GivenData* given = nullptr);

// A run seed from the clock, for a run given none.
std::uint64_t runSeedFrom(const std::optional<std::uint64_t>& seed, Console& console);

// Makes the pass over the pairs left for later, holding its rows in
// analysis.pairs and analysis.fstat (for R, which takes them as data frames).
template <class Real>
void holdPairs(Analysis<Real>& analysis);

// Runs `work`; any way in which it ends a scripted run early comes back as
// the fault to tell (the dialogue's endings, which a scripted edition never
// meets, and memory running out, included). Empty when the work went through.
template <class Work>
std::optional<OneLineFault> faultOf(Work&& work) {
  try {
    work();
    return std::nullopt;
  } catch (const OneLineFault& fault) {
    return fault;
  } catch (const RunTimeError& error) {
    return OneLineFault{"run-time error " + std::to_string(error.number) + " in " + error.where, kFaultStatus};
  } catch (const RunEnded& ended) {
    return OneLineFault{"the run ended early (status " + std::to_string(ended.status) + ")", kFaultStatus};
  } catch (const std::bad_alloc&) {
    return OneLineFault{"out of memory", kFaultStatus};
  }
}

}  // namespace ortelan
