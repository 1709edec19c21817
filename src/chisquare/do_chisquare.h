// DO_CHISQUARE: the chi-square of every tested locus, from its table data.
#pragma once

#include "run/run.h"

namespace ortelan {

template <class Real>
void DO_CHISQUARE(Run<Real>& run);

}  // namespace ortelan
