// DO_FISHER: the exact test of every tested locus, in locus order, with
// the progress line on the console.
#pragma once

#include "input/tables/table_source.h"
#include "run/run.h"

namespace ortelan {

template <class Real>
void DO_FISHER(Run<Real>& run, const LocusTableStore& tables);

}  // namespace ortelan
