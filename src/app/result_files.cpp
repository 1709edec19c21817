#include "app/result_files.h"

#include <vector>

#include "report/manhattan_points.h"
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
  if (const std::optional<WindowSpec> spec = parseWindowSpec(heading.windows)) {
    layers.windowSize = spec->size;
    layers.windowStep = spec->step;
  }
  for (const WindowFst<Real>& w : *analysis.windows) {
    layers.windows.push_back({w.chrom, w.start, w.end, static_cast<double>(w.fst)});
  }
  layers.overallFst = static_cast<double>(analysis.fstat.total.fst);
  return layers;
}

}  // namespace

template <class Real>
void addResultFiles(Outputs& outputs, const ResultPaths& paths, const TableHeading& heading,
                    const Analysis<Real>& analysis, const DataSummary& pairsData) {
  const OutlierResults<Real>* outliers = analysis.outliers ? &*analysis.outliers : nullptr;
  if (paths.table) outputs.add(*paths.table, formatResultsTable(heading, analysis.state, analysis.fstat, outliers));
  if (paths.pairs) outputs.add(*paths.pairs, formatPairsTable(heading, pairsData, *analysis.pairs, analysis.fstat));
  if (paths.pairsPlot) {
    std::vector<std::string> labels;
    for (int pop = 1; pop <= analysis.pairs->populations; ++pop) labels.push_back(populationLabel(pairsData, pop));
    outputs.add(*paths.pairsPlot, pairsPlotSvg(labels, pairPlotCells(*analysis.pairs, analysis.fstat),
                                               pairsPlotTitle(heading.test), heading.test != ExactTest::None));
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
                                     const DataSummary&);
template void addResultFiles<long double>(Outputs&, const ResultPaths&, const TableHeading&,
                                          const Analysis<long double>&, const DataSummary&);

}  // namespace ortelan
