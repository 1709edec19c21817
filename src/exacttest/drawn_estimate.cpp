#include "exacttest/drawn_estimate.h"

#include <algorithm>

#include "exacttest/margin_tables.h"
#include "exacttest/sampled_p.h"
#include "exacttest/table_sampler.h"
#include "exacttest/tail_p.h"

namespace ortelan {

SamplingLimits samplingLimitsFor(const LoadedTable& table) {
  const bool genotypic = !table.genotypeColumns.empty();
  return {table.sampling.hits,
          table.sampling.samples.value_or(tablesCostingSteps(table.MM, genotypic, table.chainSteps()))};
}

template <class Real>
LocusEstimate<Real> drawnEstimate(const LoadedTable& table, Ranmar& generator, ChainWorkspace& workspace,
                                  const std::atomic<bool>* stop) {
  const EnumerationOrder order = table.enumerationOrder();
  const SamplingLimits limits = samplingLimitsFor(table);
  const bool tail = table.mayEnumerate && tailApplies(table.MM, order);
  SampledCount count;
  if (tail) {
    count = sampleTables(table.MM, order, {limits.hits, std::min(kTailLook, limits.samples)}, generator, workspace,
                         stop);
    const bool few = !count.stopped && count.counted < std::min(kFewHits, limits.hits);
    if (few && !(stop != nullptr && stop->load(std::memory_order_relaxed))) {
      const double drawn = cheapestDrawing(marginsOf(table.MM), false).steps * static_cast<double>(count.drawn);
      const double budget = static_cast<double>(table.chainSteps()) - drawn;
      if (budget >= tailLeastSteps(table.MM)) {
        if (const auto P = tailPValue<Real>(table.MM, order, budget, generator, workspace, stop)) {
          return {P->p, P->se, PMethod::Tail, P->low, P->high};
        }
      }
    }
  }
  // Drawing under the null, or on from where the first look ended.
  if (!count.stopped && count.drawn < limits.samples) {
    const SampledCount more = sampleTables(table.MM, order, {limits.hits - count.counted, limits.samples - count.drawn},
                                           generator, workspace, stop);
    count = {count.drawn + more.drawn, count.counted + more.counted, more.stopped};
  }
  const SampledP<Real> P = sampledPValue<Real>(count);
  return {P.p, P.se, PMethod::Sampled, P.low, P.high};
}

template LocusEstimate<double> drawnEstimate<double>(const LoadedTable&, Ranmar&, ChainWorkspace&,
                                                     const std::atomic<bool>*);
template LocusEstimate<long double> drawnEstimate<long double>(const LoadedTable&, Ranmar&, ChainWorkspace&,
                                                               const std::atomic<bool>*);

}  // namespace ortelan
