#include "exacttest/chain.h"

#include <algorithm>
#include <cmath>

#include "chisquare/x_ln_x.h"
#include "exacttest/walk_batches.h"
#include "exacttest/walk_order.h"

namespace ortelan {

const double* ChainWorkspace::lnCounts(std::int64_t total) {
  const auto needed = static_cast<std::size_t>(std::min(total + 2, kMaxCounts));
  for (std::size_t k = lnCounts_.size(); k < needed; ++k) lnCounts_.push_back(std::log(static_cast<double>(k)));
  return lnCounts_.data();
}

const std::int64_t* ChainWorkspace::xLnX(std::int64_t total) {
  const auto needed = static_cast<std::size_t>(std::min(total + 3, kMaxCounts)) + 2;
  for (std::size_t place = xLnX_.size(); place < needed; ++place) {
    xLnX_.push_back(xLnXFixed(static_cast<std::int64_t>(place) - 2));
  }
  return xLnX_.data() + 2;
}

const std::int64_t* ChainWorkspace::xLnXSteps(std::int64_t total) {
  const std::int64_t* terms = xLnX(total);
  const auto needed = static_cast<std::size_t>(std::min(total + 2, kMaxCounts));
  for (std::size_t k = xLnXSteps_.size(); k < needed; ++k) xLnXSteps_.push_back(terms[k] - terms[k - 1]);
  return xLnXSteps_.data();
}

const std::int64_t* ChainWorkspace::xLnXChanges(std::int64_t total) {
  const std::int64_t* terms = xLnX(total);
  const auto needed = static_cast<std::size_t>(std::min(total + 1, kMaxChangeCounts)) * 5;
  for (std::size_t place = xLnXChanges_.size(); place < needed; ++place) {
    const auto k = static_cast<std::int64_t>(place / 5), n = static_cast<std::int64_t>(place % 5) - 2;
    xLnXChanges_.push_back(terms[k + n] - terms[k]);
  }
  return xLnXChanges_.data();
}

const long double* ChainWorkspace::lnFactorials(std::int64_t total) {
  const auto needed = static_cast<std::size_t>(std::min(total + 1, kMaxFactorials));
  for (std::size_t k = lnFactorials_.size(); k < needed; ++k) {
    lnFactorials_.push_back(std::lgamma(static_cast<long double>(k) + 1));
  }
  return lnFactorials_.data();
}

const double* ChainWorkspace::lnFactorialDoubles(std::int64_t total) {
  const auto needed = static_cast<std::size_t>(std::min(total + 1, kMaxFactorials));
  for (std::size_t k = lnFactorialDoubles_.size(); k < needed; ++k) {
    lnFactorialDoubles_.push_back(std::lgamma(static_cast<double>(k) + 1));
  }
  return lnFactorialDoubles_.data();
}

const double* ChainWorkspace::reciprocals(std::int64_t total) {
  const auto needed = static_cast<std::size_t>(std::min(total + 1, kMaxFactorials));
  for (std::size_t k = reciprocals_.size(); k < needed; ++k) reciprocals_.push_back(1.0 / static_cast<double>(k));
  return reciprocals_.data();
}

template <class Real>
ChainEstimate<Real> CHAINE(CountTable& MM, std::int32_t MEM, std::int32_t B, std::int32_t C, Ranmar& generator,
                           ChainWorkspace* workspace, const std::atomic<bool>* stop, Ordering ordering) {
  ChainWorkspace own;
  if (workspace == nullptr) workspace = &own;
  // No cell ever exceeds the table total. Otherwise (`AllInTable` false)
  // larger counts take their terms anew.
  std::int64_t total = 0;
  for (int I = 1; I <= MM.rows; ++I) {
    for (int J = 1; J <= MM.columns; ++J) total += MM.at(I, J);
  }
  const bool allInTable = total + 2 <= ChainWorkspace::kMaxCounts;
  if (ordering == Ordering::G) {
    const std::int64_t* steps = workspace->xLnXSteps(total);
    const std::int64_t margin = xLnXTieMargin(std::int64_t{MM.rows} * MM.columns);
    if (allInTable) return walkTable<Real>(MM, generator, walk_order::ByG<true>{steps, margin}, MEM, B, C, stop);
    return walkTable<Real>(MM, generator, walk_order::ByG<false>{steps, margin}, MEM, B, C, stop);
  }
  const double* ln = workspace->lnCounts(total);
  if (allInTable) return walkTable<Real>(MM, generator, walk_order::ByProbability<true>{ln}, MEM, B, C, stop);
  return walkTable<Real>(MM, generator, walk_order::ByProbability<false>{ln}, MEM, B, C, stop);
}

template ChainEstimate<double> CHAINE<double>(CountTable&, std::int32_t, std::int32_t, std::int32_t, Ranmar&,
                                              ChainWorkspace*, const std::atomic<bool>*, Ordering);
template ChainEstimate<long double> CHAINE<long double>(CountTable&, std::int32_t, std::int32_t, std::int32_t,
                                                        Ranmar&, ChainWorkspace*, const std::atomic<bool>*,
                                                        Ordering);

}  // namespace ortelan
