// `<program> power`: how likely each test is to detect populations that
// differ, with the data file's samples and loci (power_command_line.h for
// its options): the report, the power table and the plot.
#pragma once

#include <string>
#include <vector>

#include "power/power_run.h"
#include "report/power_plot.h"
#include "run/console.h"
#include "run/edition.h"

namespace ortelan {

// `arguments` after "power". Returns the exit status: 0 written, 1 a fault
// of the data or the files, 2 a usage error.
template <class Real>
int runPowerCommand(const Edition& program, const std::vector<std::string>& arguments, Console& console);

// The curves of the tests over loci (fisher_method, summed_chi2), one per
// level, through every target.
template <class Real>
std::vector<PowerCurve> powerCurves(const PowerResults& results);

}  // namespace ortelan
