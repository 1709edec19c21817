// The Manhattan plot of a run: every tested locus of the run, placed by its
// site (VCF data) or its number (GENEPOP data), with its exact-test P; with
// no exact test, its chi-square's P (the accurate tail, raised to the
// smallest normal double where it is smaller, so that it is never 0).
#pragma once

#include <string>
#include <vector>

#include "report/manhattan_plot.h"
#include "run/run_state.h"

namespace ortelan {

template <class Real>
std::vector<ManhattanPoint> manhattanPoints(const RunState<Real>& state, ExactTest test = ExactTest::Genic);

// The plot's title: the test whose P it shows.
std::string manhattanPlotTitle(ExactTest test);

}  // namespace ortelan
