// The tables and plots of a run's results, as a scripted run writes them
// and as a merge of its tables writes them again: the results table, the
// pairs table and heatmap, the Manhattan plot, the windows table.
#pragma once

#include <optional>
#include <string>

#include "app/analysis.h"
#include "app/outputs.h"
#include "report/results_table.h"

namespace ortelan {

// Where each goes; none where not asked for.
struct ResultPaths {
  std::optional<std::string> table, pairs, pairsPlot, manhattan;
  std::optional<std::string> windows;  // the windows table; needs analysis.windows
  std::optional<std::string> hierarchy;     // the hierarchy table; needs analysis.hierarchy
  std::optional<std::string> permutations;  // the permutation table; needs analysis.permutations, kept whole
};

// Adds the files asked for to `outputs`. `pairsData` names the loci and
// populations of the pairs (a run's own state, or the pairs tables' in a
// merge); the pairs' files need analysis.pairs, or its pass over the pairs
// still to come (analysis.pendingPairs), which they then stream. With
// analysis.outliers the results table has the test's columns and the
// Manhattan plot its outliers; with analysis.windows the plot has the
// windows' panel.
// `hierarchyData` names the hierarchy table's loci where they are not the
// run's (a merge).
template <class Real>
void addResultFiles(Outputs& outputs, const ResultPaths& paths, const TableHeading& heading,
                    const Analysis<Real>& analysis, const DataSummary& pairsData,
                    const DataSummary* hierarchyData = nullptr);

}  // namespace ortelan
