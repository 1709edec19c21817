#include "exacttest/tail_p.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "exacttest/margin_tables.h"
#include "exacttest/mean_limits.h"
#include "exacttest/tilted_tables.h"

namespace ortelan {
namespace {

// What the work costs, in steps of the walk on the same table, as
// bench/tail_bench.cpp measures them side by side with the walk (a step
// some 12 to 16 ns on a busy machine): a product of the recursion, with
// the scores' sums beside it (about 1 ns; a recursion takes two a value),
// a term of the saddle point (some 10 ns with its exponential, for each of
// its steps of Newton's method, 8 as a rule), a proposal for a column
// (some 20 ns), a value drawn by inversion (some 25 ns, and 2 ns for each
// value it goes through), and each drawn table's sums and weight (some
// 30 ns, and 3 ns a column). Each is set above what was
// measured: a locus that spends its budget costs no more than its walk.
// The same counts give the same cost on every machine, so that the
// drawing stops at the same table wherever it runs.
constexpr double kStepsPerProduct = 0.1;
constexpr double kStepsPerSaddleTerm = 8;
constexpr double kStepsPerProposal = 1.6;
constexpr double kStepsPerLawDraw = 2;
constexpr double kStepsPerLawValue = 0.25;
constexpr double kStepsPerTable = 2;
constexpr double kStepsPerColumnSummed = 0.2;
// The most recursions theta may take to meet the exact mean.
constexpr int kMostRecursions = 8;
// Tables drawn between two looks at the limits.
constexpr std::int64_t kRound = 256;
// The drawing ends once p_high / p_low is at most this: 1.5, less room
// for the widening of the limits by the rounding of w_max.
constexpr double kRatio = 1.49;
// Half the width of the limits, relative to P, that the weights plan for:
// a little under what the ratio allows, (1.5 - 1) / (1.5 + 1).
constexpr double kPlannedWidth = 0.18;

double recursionSteps(const Margins& margins) {
  return 2 * kStepsPerProduct * TiltedTables::recursionWork(margins);
}

double saddleSteps(const Margins& margins) {
  return kStepsPerSaddleTerm * static_cast<double>(margins.total + static_cast<std::int64_t>(TiltedTables::columnsOf(margins)));
}

// A round of tables at the least: one proposal a column.
double leastRoundSteps(const Margins& margins) {
  const auto columns = static_cast<double>(TiltedTables::columnsOf(margins));
  return static_cast<double>(kRound) * (kStepsPerTable + (kStepsPerColumnSummed + kStepsPerProposal) * columns);
}

// The work of the draws so far.
double drawingSteps(const TiltedTables& tables, std::int64_t drawn) {
  return kStepsPerProposal * static_cast<double>(tables.proposals()) +
         kStepsPerLawDraw * static_cast<double>(tables.lawDraws()) +
         kStepsPerLawValue * static_cast<double>(tables.lawWork()) +
         static_cast<double>(drawn) * (kStepsPerTable + kStepsPerColumnSummed * static_cast<double>(tables.columns()));
}

}  // namespace

bool tailApplies(const CountTable& table, const EnumerationOrder& order) {
  return order.genotypeColumns.empty() && TiltedTables::fits(marginsOf(table));
}

double tailLeastSteps(const CountTable& table) {
  const Margins margins = marginsOf(table);
  return recursionSteps(margins) + saddleSteps(margins) + leastRoundSteps(margins);
}

template <class Real>
std::optional<TailP<Real>> tailPValue(const CountTable& table, const EnumerationOrder& order, double budgetSteps,
                                      Ranmar& generator, ChainWorkspace& workspace, const std::atomic<bool>* stop) {
  const Margins margins = marginsOf(table);
  TiltedTables tables(table, margins, order, workspace);
  // As many recursions as leave the budget a round of draws.
  const double recursion = recursionSteps(margins);
  const double room = budgetSteps - saddleSteps(margins) - leastRoundSteps(margins);
  const int recursions = std::clamp(static_cast<int>(room / std::max(recursion, 1.0)), 1, kMostRecursions);
  if (!tables.tilt(recursions)) return std::nullopt;
  const double setUp = saddleSteps(margins) + recursion * tables.recursions();
  MeanLimits limits;
  Ranmar::Stream draws(generator);
  double spent = setUp, round = 0;
  for (;;) {
    double drawn[kRound];
    tables.draw(draws, kRound, drawn);
    for (const double x : drawn) limits.add(x);
    limits.look();
    const double now = setUp + drawingSteps(tables, limits.count());
    round = now - spent;
    spent = now;
    // The limits as stated: they hold the mean, the P given.
    const double low = std::min(limits.low(), limits.mean()), high = std::max(limits.high(), limits.mean());
    if (low > 0 && high <= kRatio * low) break;
    if (spent + round > budgetSteps) break;
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) break;
    // The weights plan for the draws that the limits seem to need, from
    // the draws so far: at least another round, at most what the budget
    // leaves.
    const double most = static_cast<double>(limits.count()) + (budgetSteps - spent) / round * kRound;
    const double needed = limits.drawsFor(kPlannedWidth);
    limits.plan(std::clamp(needed, static_cast<double>(limits.count() + kRound), std::max(most, 1.0)));
  }
  if (!(limits.mean() > 0)) return std::nullopt;

  // P = w_max mean, and so its standard error and limits; the limits
  // widened by what rounding may have done to w_max.
  const Real lnLargest = static_cast<Real>(tables.lnLargestWeight());
  const auto scaled = [&](double x, double shift = 0) {
    return x > 0 ? std::exp(lnLargest + static_cast<Real>(shift) + std::log(static_cast<Real>(x))) : Real(0);
  };
  const double rounding = tables.lnLargestWeightRounding();
  const Real least = std::numeric_limits<Real>::min();
  TailP<Real> out;
  out.drawn = limits.count();
  out.p = std::clamp(scaled(limits.mean()), least, Real(1));
  out.se = scaled(std::sqrt(limits.variance() / static_cast<double>(limits.count())));
  out.high = std::clamp(scaled(limits.high(), rounding), out.p, Real(1));
  const Real low = std::min(scaled(std::max(limits.low(), 0.0), -rounding), out.p);
  // A limit below the smallest normal number is not stated as that number,
  // which may lie above the exact P: it is 0.
  out.low = low < least ? Real(0) : low;
  return out;
}

template std::optional<TailP<double>> tailPValue<double>(const CountTable&, const EnumerationOrder&, double, Ranmar&,
                                                         ChainWorkspace&, const std::atomic<bool>*);
template std::optional<TailP<long double>> tailPValue<long double>(const CountTable&, const EnumerationOrder&, double,
                                                                   Ranmar&, ChainWorkspace&,
                                                                   const std::atomic<bool>*);

}  // namespace ortelan
