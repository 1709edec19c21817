// A whole walk once the walk is set up, for any walk with steps<Counting>.
// Used by the walks only.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "exacttest/chain.h"

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

}  // namespace ortelan
