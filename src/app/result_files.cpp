#include "app/result_files.h"

#include <memory>
#include <optional>
#include <vector>

#include "report/hierarchy_table.h"
#include "report/manhattan_points.h"
#include "report/permutation_table.h"
#include "report/pairs_plot.h"
#include "report/pairs_table.h"
#include "report/windows_table.h"

namespace ortelan {
namespace {

// The windows' panel and the outliers' legend of the Manhattan plot.
template <class Real>
ManhattanLayers manhattanLayers(const TableHeading& heading, const Analysis<Real>& analysis) {
  ManhattanLayers layers;
  layers.outliers = analysis.outliers.has_value();
  if (!analysis.windows) return layers;
  if (const std::optional<WindowLayout> layout = parseWindowLayout(heading.windows)) {
    layers.windowSize = layout->size;
    layers.windowStep = layout->step;
  }
  for (const WindowFst<Real>& w : *analysis.windows) {
    layers.windows.push_back({w.chrom, w.start, w.end, static_cast<double>(w.fst)});
  }
  layers.overallFst = static_cast<double>(analysis.fstat.total.fst);
  return layers;
}

}  // namespace

namespace {

// The pairs' files of a run whose pass over the pairs is still to come: the
// table streamed as its rows are made, the heatmap from the cells that pass
// gathers (or from a pass of its own, without the table).
template <class Real>
void addStreamedPairs(Outputs& outputs, const ResultPaths& paths, const TableHeading& heading,
                      const PendingPairs& pending, const DataSummary& data,
                      const PermutationResults<Real>* permutations) {
  auto cells = std::make_shared<std::optional<std::vector<PairPlotCell>>>();
  if (paths.pairs) {
    // Rows that go to standard output go with no progress line beside them.
    PendingPairs pass = pending;
    if (*paths.pairs == "-") pass.meter = nullptr;
    outputs.addStreamed(*paths.pairs, [heading, cells, pass, &data, permutations](const Outputs::Blocks& blocks) {
      blocks(pairsTableHeader(heading, data));
      PairsTableRows<Real> rows(heading.test, data, blocks);
      if (heading.permutations > 0) rows.permuted(permutations);
      passPairs(pass, data, rows);
      *cells = rows.cells();
    });
  }
  if (paths.pairsPlot) {
    outputs.addStreamed(*paths.pairsPlot, [heading, cells, &pending, &data](const Outputs::Blocks& blocks) {
      if (!*cells) {
        PairsTableRows<Real> rows(heading.test, data, nullptr);
        passPairs(pending, data, rows);
        *cells = rows.cells();
      }
      std::vector<std::string> labels;
      for (int pop = 1; pop <= data.NUMBPOPS; ++pop) labels.push_back(populationLabel(data, pop));
      blocks(pairsPlotSvg(labels, **cells, pairsPlotTitle(heading.test), heading.test != ExactTest::None));
    });
  }
}

}  // namespace

template <class Real>
void addResultFiles(Outputs& outputs, const ResultPaths& paths, const TableHeading& heading,
                    const Analysis<Real>& analysis, const DataSummary& pairsData, const DataSummary* hierarchyData) {
  const OutlierResults<Real>* outliers = analysis.outliers ? &*analysis.outliers : nullptr;
  const PermutationResults<Real>* permutations = analysis.permutations ? &*analysis.permutations : nullptr;
  if (paths.table) {
    outputs.add(*paths.table, formatResultsTable(heading, analysis.state, analysis.fstat, outliers, permutations));
  }
  if (paths.hierarchy) {
    outputs.add(*paths.hierarchy,
                formatHierarchyTable(heading, hierarchyData != nullptr ? *hierarchyData : analysis.state,
                                     analysis.hierarchy->rows, permutations));
  }
  if (paths.permutations) outputs.add(*paths.permutations, formatPermutationTable(heading, *analysis.permutations));
  if (!analysis.pairs && analysis.pendingPairs) {
    addStreamedPairs<Real>(outputs, paths, heading, *analysis.pendingPairs, pairsData, permutations);
  } else {
    if (paths.pairs) {
      outputs.add(*paths.pairs, formatPairsTable(heading, pairsData, *analysis.pairs, analysis.fstat, permutations));
    }
    if (paths.pairsPlot) {
      std::vector<std::string> labels;
      for (int pop = 1; pop <= analysis.pairs->populations; ++pop) labels.push_back(populationLabel(pairsData, pop));
      outputs.add(*paths.pairsPlot, pairsPlotSvg(labels, pairPlotCells(*analysis.pairs, analysis.fstat),
                                                 pairsPlotTitle(heading.test), heading.test != ExactTest::None));
    }
  }
  if (paths.manhattan) {
    outputs.add(*paths.manhattan,
                manhattanPlotSvg(manhattanPoints(analysis.state, heading.test, outliers ? &outliers->q : nullptr),
                                 heading.chain.batches, heading.chain.iterationsPerBatch,
                                 manhattanPlotTitle(heading.test), manhattanLayers(heading, analysis)));
  }
  if (paths.windows) outputs.add(*paths.windows, formatWindowsTable(heading, *analysis.windows));
}

template void addResultFiles<double>(Outputs&, const ResultPaths&, const TableHeading&, const Analysis<double>&,
                                     const DataSummary&, const DataSummary*);
template void addResultFiles<long double>(Outputs&, const ResultPaths&, const TableHeading&,
                                          const Analysis<long double>&, const DataSummary&, const DataSummary*);

}  // namespace ortelan
