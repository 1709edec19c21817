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

// The whole report text, CRLF line ends.
template <class Real>
std::string formatReport(const Edition& edition, const RunState<Real>& state, const CivilDate& date);

template <class Real>
void WRITEFINAL(Run<Real>& run);

}  // namespace ortelan
