// The windows table of a run with --windows: F_ST in windows along the
// genome (fstat/windows.h), tab-separated with CRLF line ends, under the
// results table's first line:
//   chrom start end sites fst fst_num fst_den mean_fst
#pragma once

#include <string>
#include <vector>

#include "fstat/windows.h"
#include "report/results_table.h"

namespace ortelan {

inline constexpr const char* kWindowColumnNames[] = {"chrom",   "start",   "end",     "sites",
                                                     "fst",     "fst_num", "fst_den", "mean_fst"};

template <class Real>
std::string formatWindowsTable(const TableHeading& heading, const std::vector<WindowFst<Real>>& windows);

}  // namespace ortelan
