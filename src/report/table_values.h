// The numbers of a row of the results or pairs table, as the tables print
// them and R receives them. The P-values of the chi-square and of the
// totals are the accurate tail (chiSquareUpperTail), computed here from the
// chi-square and its degrees of freedom; the report keeps GAMMQ's
// five-decimal figures (CHI2PPERLOCUS, TOTCHI2P, TOTFISHERP).
#pragma once

#include "chisquare/totals.h"
#include "pairs/do_pairs.h"
#include "run/run_state.h"

namespace ortelan {

// In the order of the tables' columns.
template <class Real>
struct LocusValues {
  Real pFisher, seFisher, pLow, pHigh, chi2, df, pChi2;
  PMethod method = PMethod::Chain;  // where pFisher comes from: the method column
};

template <class Real>
struct TotalValues {
  Real pFisher, chi2, df, pChi2;
};

// A tested locus of the run, or a tested pair-locus. With no exact test
// (ExactTest::None) its P, SE and limits are NaN: no value; so are the
// limits of a chain's estimate.
template <class Real>
LocusValues<Real> locusValues(const RunState<Real>& state, int locus, ExactTest test = ExactTest::Genic);
template <class Real>
LocusValues<Real> locusValues(const PairLocusResult<Real>& result, ExactTest test = ExactTest::Genic);

// Totals over one or more tested loci: Fisher's method (its P from SUMLNP
// on SUMDFFISHER degrees of freedom, a P of 0 having counted as 0.00001)
// and the summed chi-square (SUMCHI2 on SUMDFCHI2). With no exact test,
// Fisher's P is NaN.
template <class Real>
TotalValues<Real> totalValues(const RunState<Real>& state, ExactTest test = ExactTest::Genic);
template <class Real>
TotalValues<Real> totalValues(const Totals<Real>& totals, ExactTest test = ExactTest::Genic);

}  // namespace ortelan
