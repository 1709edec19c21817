// A whole walk once its ordering is set up: the walk for the table's
// shape, its dememorization and its batches. Used by the walks only.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "exacttest/chain.h"
#include "exacttest/table_walk.h"
#include "exacttest/two_row_walk.h"
#include "input/tables/count_table.h"

namespace ortelan {

// DEMEMORIZATION: MEM steps, nothing counted, in pieces between which a
// stop is seen. Then B batches of C steps, each step followed by the
// count; the estimate from the batch proportions.
template <class Real, class Walker>
ChainEstimate<Real> walkBatches(Walker& walk, std::int32_t MEM, std::int32_t B, std::int32_t C,
                                const std::atomic<bool>* stop) {
  for (std::int32_t done = 0; done < MEM;) {
    const std::int32_t steps = std::min<std::int32_t>(MEM - done, 1 << 16);
    walk.template steps<false>(steps);
    done += steps;
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return {};
  }
  Real HM = 0;
  Real HECA = 0;
  for (std::int32_t K = 1; K <= B; ++K) {
    const Real p = static_cast<Real>(walk.template steps<true>(C)) / static_cast<Real>(C);
    HM = HM + p;
    HECA = HECA + p * p;
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return {};
  }
  return batchEstimate(HM, HECA, B);
}

// The walk for the table's shape: two rows take TwoRowWalk, which makes
// the same steps, and two columns a TableWalk of their own.
template <class Real, class Order>
ChainEstimate<Real> walkTable(CountTable& MM, Ranmar& generator, const Order& order, std::int32_t MEM,
                              std::int32_t B, std::int32_t C, const std::atomic<bool>* stop) {
  if (MM.rows == 2 && MM.columns == 2) {
    TwoRowWalk<Real, Order, true> walk(MM, generator, order);
    return walkBatches<Real>(walk, MEM, B, C, stop);
  }
  if (MM.rows == 2) {
    TwoRowWalk<Real, Order, false> walk(MM, generator, order);
    return walkBatches<Real>(walk, MEM, B, C, stop);
  }
  if (MM.columns == 2) {
    TableWalk<Real, Order, true> walk(MM, generator, order);
    return walkBatches<Real>(walk, MEM, B, C, stop);
  }
  TableWalk<Real, Order, false> walk(MM, generator, order);
  return walkBatches<Real>(walk, MEM, B, C, stop);
}

}  // namespace ortelan
