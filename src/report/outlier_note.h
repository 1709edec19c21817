// What the outlier test found, in a line: the report's, and with no fit
// the line a run writes on its diagnostic stream.
#pragma once

#include <string>

#include "fstat/do_outliers.h"

namespace ortelan {

// "12 loci stand out from the background at q < 0.05 (F of the background
// 0.02131, df 3.27)"; without a fit, "Only 12 loci are left for the outlier
// fit once trimmed, fewer than 20: no outlier test". No line end.
template <class Real>
std::string outlierLine(const OutlierResults<Real>& outliers);

}  // namespace ortelan
