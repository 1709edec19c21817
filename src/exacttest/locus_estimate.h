// The exact test's P-value of one locus, or pair of populations at a
// locus: the walk's estimate with its standard error; or from tables drawn
// independently, with its standard error and 95 % limits on the exact P;
// or exact, listed over every table with the observed margins (its
// standard error 0, its limits itself).
#pragma once

#include <limits>

#include "run/run_state.h"

namespace ortelan {

template <class Real>
struct LocusEstimate {
  Real HM = 0;    // P-value
  Real HECA = 0;  // its standard error
  PMethod method = PMethod::Chain;
  // The limits; the chain gives none.
  Real low = std::numeric_limits<Real>::quiet_NaN();
  Real high = std::numeric_limits<Real>::quiet_NaN();
};

}  // namespace ortelan
