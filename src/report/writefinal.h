// WRITEFINAL: the results file "Ortelan.out": header, counts, the chain
// settings, one row per locus and the totals row, in the program's layout.
#pragma once

#include <string>

#include "run/console.h"
#include "run/edition.h"
#include "run/run.h"

namespace ortelan {

inline constexpr const char* kReportFile = "Ortelan.out";
// The report is written here first and renamed when complete, so a failed
// run never leaves a truncated report or destroys the previous one.
inline constexpr const char* kReportPartFile = "~Ortelan.out.tmp";

// The whole report text, CRLF line ends. A test other than the genic one
// is named in the settings paragraph, and its columns are headed P(exact),
// SE(P), G, df and P(G). Where P-values are exact (scripted runs), a line
// under the table says how many.
template <class Real>
std::string formatReport(const Edition& edition, const RunState<Real>& state, const CivilDate& date,
                         ExactTest test = ExactTest::Genic);

template <class Real>
void WRITEFINAL(Run<Real>& run);

}  // namespace ortelan
