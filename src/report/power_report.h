// The report of a power analysis, for a person to read (CR LF line ends):
// the design (populations and their samples, loci and their alleles, the
// model of drift and the tests), then the power of each test combined over
// loci against F_ST, then how often each test rejects at F_ST = 0, where
// every rejection is a false positive: its real level.
#pragma once

#include <string>

#include "power/power_run.h"
#include "report/power_table.h"
#include "run/console.h"
#include "run/edition.h"
#include "run/run_state.h"

namespace ortelan {

template <class Real>
std::string formatPowerReport(const Edition& edition, const PowerHeading& heading, const PowerResults& results,
                              const DataSummary& data, const CivilDate& date);

}  // namespace ortelan
