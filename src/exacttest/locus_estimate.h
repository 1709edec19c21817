// The exact test's P-value of one locus, or pair of populations at a
// locus: the walk's estimate with its standard error, or exact, listed
// over every table with the observed margins (its standard error 0).
#pragma once

namespace ortelan {

template <class Real>
struct LocusEstimate {
  Real HM = 0;    // P-value
  Real HECA = 0;  // its standard error
  bool exact = false;
};

}  // namespace ortelan
