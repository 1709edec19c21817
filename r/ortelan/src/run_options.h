// The options of a run that homogeneity_test() and power() share, from the
// list R hands over, into the core's settings.
#pragma once

#include <Rcpp.h>

#include "app/analysis.h"

// The data file, the chain, seed (a string of digits, or NULL), threads,
// loci (or NULL), test, exact, sampler, hits, samples (or NULL), popmap (a
// file name, a list of samples and populations, or NULL) and region (or
// NULL). A seed that is no whole number stops with an R error.
void takeRunOptions(const std::string& file, const Rcpp::List& options, ortelan::RunSettings& settings);
