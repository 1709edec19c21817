// SUM_FOR_TOTAL_P: the totals over the tested loci. The chi-square values
// and their degrees of freedom are summed; the exact-test P-values are
// combined by Fisher's method, -2 sum ln P on 2 degrees of freedom per locus.
#pragma once

#include "run/run.h"

namespace ortelan {

template <class Real>
void SUM_FOR_TOTAL_P(Run<Real>& run);

}  // namespace ortelan
