// SUM_FOR_TOTAL_P: the totals over the tested loci. The chi-square values
// and their degrees of freedom are summed; the exact-test P-values are
// combined by Fisher's method, -2 sum ln P on 2 degrees of freedom per locus.
#pragma once

#include <vector>

#include "chisquare/chi2prob.h"
#include "run/run.h"

namespace ortelan {

// What one tested locus brings to the totals.
template <class Real>
struct TotalTerm {
  Real fisherP;
  Real chi2;
  Real df;
};

template <class Real>
struct Totals {
  Real SUMCHI2 = 0, SUMDFCHI2 = 0, SUMLNP = 0, SUMDFFISHER = 0, TOTCHI2P = 0, TOTFISHERP = 0;
};

// The totals summed term after term, as totalsOver sums them, for terms
// that are not held together (the pairs' loci, as their rows are written).
template <class Real>
class TotalsSum {
 public:
  void add(const TotalTerm<Real>& term);
  bool empty() const { return terms_ == 0; }
  // The sums so far, without the tails.
  const Totals<Real>& sums() const { return sums_; }
  // The sums and both tails (from GAMMQ).
  Totals<Real> result(const PauseFn& pause) const;

 private:
  Totals<Real> sums_;
  long terms_ = 0;
};

// The totals over `terms`, in their order; a P-value of exactly 0 counts
// as 0.00001. Both tail probabilities come from GAMMQ, the chi-square
// total's first, for the report; the tables take theirs from the sums
// (report/table_values.h).
template <class Real>
Totals<Real> totalsOver(const std::vector<TotalTerm<Real>>& terms, const PauseFn& pause);

// With `quietWhenNoneTested`, totals over no locus (a tail of 0 degrees of
// freedom, 1) are taken without GAMMQ's pause: a scripted run over loci
// that are all untested has nothing wrong to tell.
template <class Real>
void SUM_FOR_TOTAL_P(Run<Real>& run, bool quietWhenNoneTested = false);

}  // namespace ortelan
