// What the outlier test found, in a line: the report's, and with no fit
// the line a run writes on its diagnostic stream; the report with it.
#pragma once

#include <string>

#include "fstat/do_outliers.h"
#include "fstat/hierarchy.h"
#include "input/population_groups.h"
#include "permutation/do_permutations.h"
#include "run/console.h"
#include "run/edition.h"
#include "run/run_state.h"

namespace ortelan {

// "12 loci stand out from the background at q < 0.05 (F of the background
// 0.02131, df 3.27)"; without a fit, "Only 12 loci are left for the outlier
// fit once trimmed, fewer than 20: no outlier test". No line end.
template <class Real>
std::string outlierLine(const OutlierResults<Real>& outliers);

// The report of a scripted run (formatReport), and with `outliers` the
// line under its table; with `permutations` the permutation test's lines,
// and with `hierarchy` (rows per locus from 1) the analysis of molecular
// variance after them (report/hierarchy_report.h).
template <class Real>
std::string scriptedReport(const Edition& edition, const RunState<Real>& state, const CivilDate& date, ExactTest test,
                           const OutlierResults<Real>* outliers,
                           const PermutationResults<Real>* permutations = nullptr,
                           const std::vector<HierarchyRow<Real>>* hierarchy = nullptr,
                           const PopulationGroups* groups = nullptr);

}  // namespace ortelan
