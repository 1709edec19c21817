// The Metropolis walk over the tables with the margins of one locus table
// (CHAINE), and its estimate of the exact test's P-value: the share of
// visited tables that are no more probable than the observed one.
#pragma once

#include <cstdint>

#include "exacttest/ranmar.h"
#include "input/count_table.h"

namespace ortelan {

template <class Real>
struct ChainEstimate {
  Real HM = 0;    // P-value: mean of the batch proportions
  Real HECA = 0;  // its standard error
};

// Walks MM (cells [1..N, 1..M], N >= 2, M >= 2, positive total) in place:
// MEM dememorization steps, then B >= 2 batches of C >= 1 steps. Each step
// proposes a random 2 x 2 switch that keeps every margin and accepts it
// with the probability ratio of the two tables; RHO, the log of that ratio
// to the observed table, decides whether a visited table is counted.
template <class Real>
ChainEstimate<Real> CHAINE(CountTable& MM, std::int32_t MEM, std::int32_t B, std::int32_t C, Ranmar& generator);

}  // namespace ortelan
