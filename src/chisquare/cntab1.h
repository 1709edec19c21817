// CNTAB1: Pearson's chi-square of one contingency table.
#pragma once

#include "chisquare/chi2prob.h"
#include "input/tables/count_table.h"

namespace ortelan {

// The chi-square of rows 1..NI and columns 1..NJ of NN and its degrees of
// freedom (empty rows and columns do not count). Cells of empty rows and
// columns add exactly 0 (the expected count gets TINY = 1e-30 in the
// divisor). NN must have a positive total.
template <class Real>
void pearsonChiSquare(const CountTable& NN, int NI, int NJ, Real& CHISQ, Real& DF);

// pearsonChiSquare and the report's upper-tail probability, from GAMMQ.
template <class Real>
void CNTAB1(const CountTable& NN, int NI, int NJ, Real& CHISQ, Real& DF, Real& PROB, const PauseFn& pause);

}  // namespace ortelan
