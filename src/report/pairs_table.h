// The pairs table of a scripted run: tab-separated, for each pair of
// populations in order (1,2), (1,3) ... (2,3) ... one row per locus of the
// run and a row of the pair's totals; numbers at full precision, the
// F-statistics of the pair at the end of each row.
#pragma once

#include <string>
#include <vector>

#include "pairs/do_pairs.h"
#include "report/pairs_plot.h"
#include "report/results_table.h"

namespace ortelan {

// A population's label as a table field (its last individual's name).
std::string populationLabel(const DataSummary& data, int population);

template <class Real>
std::string formatPairsTable(const TableHeading& heading, const DataSummary& data, const PairResults<Real>& pairs,
                             const FStatistics<Real>& f);

// The heatmap's title: what its triangles show.
std::string pairsPlotTitle(ExactTest test);

// The heatmap's cells: each pair's combined P (Fisher's method over its
// tested loci), the accurate tail as the pairs table prints it, and its
// multilocus theta with the bootstrap's limits.
template <class Real>
std::vector<PairPlotCell> pairPlotCells(const PairResults<Real>& pairs, const FStatistics<Real>& f);

}  // namespace ortelan
