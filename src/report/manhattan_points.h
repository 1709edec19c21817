// The Manhattan plot of a run: every tested locus of the run, placed by its
// site (VCF data) or its number (GENEPOP data), with its exact-test P.
#pragma once

#include <string>
#include <vector>

#include "report/manhattan_plot.h"
#include "run/run_state.h"

namespace ortelan {

template <class Real>
std::vector<ManhattanPoint> manhattanPoints(const RunState<Real>& state);

// The plot's title: the test whose P it shows.
std::string manhattanPlotTitle(ExactTest test);

}  // namespace ortelan
