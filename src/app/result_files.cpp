#include "app/result_files.h"

#include <vector>

#include "report/manhattan_points.h"
#include "report/pairs_plot.h"
#include "report/pairs_table.h"

namespace ortelan {

template <class Real>
void addResultFiles(Outputs& outputs, const ResultPaths& paths, const TableHeading& heading,
                    const Analysis<Real>& analysis, const DataSummary& pairsData) {
  if (paths.table) outputs.add(*paths.table, formatResultsTable(heading, analysis.state, analysis.fstat));
  if (paths.pairs) outputs.add(*paths.pairs, formatPairsTable(heading, pairsData, *analysis.pairs, analysis.fstat));
  if (paths.pairsPlot) {
    std::vector<std::string> labels;
    for (int pop = 1; pop <= analysis.pairs->populations; ++pop) labels.push_back(populationLabel(pairsData, pop));
    outputs.add(*paths.pairsPlot, pairsPlotSvg(labels, pairPlotCells(*analysis.pairs, analysis.fstat),
                                               pairsPlotTitle(heading.test), heading.test != ExactTest::None));
  }
  if (paths.manhattan) {
    outputs.add(*paths.manhattan, manhattanPlotSvg(manhattanPoints(analysis.state, heading.test), heading.chain.batches,
                                                   heading.chain.iterationsPerBatch, manhattanPlotTitle(heading.test)));
  }
}

template void addResultFiles<double>(Outputs&, const ResultPaths&, const TableHeading&, const Analysis<double>&,
                                     const DataSummary&);
template void addResultFiles<long double>(Outputs&, const ResultPaths&, const TableHeading&,
                                          const Analysis<long double>&, const DataSummary&);

}  // namespace ortelan
