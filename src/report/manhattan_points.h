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

// With `outlierQ` (per locus from 1), each point carries its locus's q of
// the outlier test.
template <class Real>
std::vector<ManhattanPoint> manhattanPoints(const RunState<Real>& state, ExactTest test = ExactTest::Genic,
                                            const std::vector<Real>* outlierQ = nullptr);

// The plot's title: the test whose P it shows.
std::string manhattanPlotTitle(ExactTest test);

}  // namespace ortelan
