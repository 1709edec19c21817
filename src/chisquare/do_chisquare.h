// DO_CHISQUARE: the chi-square of every tested locus, from its table data;
// for the tests ordered by G, its G (asymptotic_test.h) in the same places.
#pragma once

#include "input/tables/table_source.h"
#include "run/run.h"

namespace ortelan {

template <class Real>
void DO_CHISQUARE(Run<Real>& run, const LocusTableStore& tables);

}  // namespace ortelan
