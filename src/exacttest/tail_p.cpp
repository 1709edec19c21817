#include "exacttest/tail_p.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "exacttest/margin_tables.h"
#include "exacttest/mean_limits.h"
#include "exacttest/tilted_tables.h"

namespace ortelan {
namespace {

// What the work costs, in steps of the walk on the same table
// (bench/tail_bench.cpp, side by side with the walk, where a step takes 15
// to 25 ns): a product of the recursion (some 0.6 ns, in rows the
// processor takes several at a time), a value of a conditional law made
// (some 3 ns), a column of a drawn table (some 12 ns, with its two draws
// of the generator), and a term of the saddle point (some 8 ns, with its
// exponential), for each of its steps of Newton's method, some 8 as a rule.
// Each is set above what was measured.
constexpr double kStepsPerProduct = 0.05;
constexpr double kStepsPerLawValue = 0.25;
constexpr double kStepsPerColumnDrawn = 1.0;
constexpr double kStepsPerSaddleTerm = 0.6 * 8;
// Tables drawn between two looks at the limits.
constexpr std::int64_t kRound = 256;
// The drawing ends once p_high / p_low is at most this: 1.5, less room
// for the widening of the limits by the rounding of w_max.
constexpr double kRatio = 1.49;
// Half the width of the limits, relative to P, that the weights plan for:
// a little under what the ratio allows, (1.5 - 1) / (1.5 + 1).
constexpr double kPlannedWidth = 0.18;

// The saddle point, and the recursions made (each with its scores' sums,
// twice the products).
double setUpSteps(const TiltedTables& tables, const Margins& margins) {
  return 2 * kStepsPerProduct * TiltedTables::recursionWork(margins) * tables.recursions() +
         kStepsPerSaddleTerm * static_cast<double>(margins.total + static_cast<std::int64_t>(tables.columns()));
}

double roundSteps(const TiltedTables& tables) {
  return kStepsPerColumnDrawn * static_cast<double>(kRound) * static_cast<double>(tables.columns());
}

}  // namespace

bool tailApplies(const CountTable& table, const EnumerationOrder& order) {
  if (!order.genotypeColumns.empty()) return false;
  const Margins margins = marginsOf(table);
  if (!TiltedTables::fits(margins)) return false;
  // One line whose total is all the genes leaves a single table.
  return margins.total > std::max(margins.rows.front(), margins.columns.front());
}

double tailLeastSteps(const CountTable& table) {
  const Margins margins = marginsOf(table);
  const auto columns = static_cast<double>(TiltedTables::columnsOf(margins));
  return 2 * kStepsPerProduct * TiltedTables::recursionWork(margins) +
         kStepsPerSaddleTerm * (static_cast<double>(margins.total) + columns) +
         kStepsPerColumnDrawn * static_cast<double>(kRound) * columns;
}

template <class Real>
std::optional<TailP<Real>> tailPValue(const CountTable& table, const EnumerationOrder& order, double budgetSteps,
                                      Ranmar& generator, ChainWorkspace& workspace, const std::atomic<bool>* stop) {
  const Margins margins = marginsOf(table);
  TiltedTables tables(table, margins, order, workspace);
  if (!tables.tilt()) return std::nullopt;
  double spent = setUpSteps(tables, margins);
  MeanLimits limits;
  Ranmar::Stream draws(generator);
  std::int64_t lawWork = 0;
  for (;;) {
    for (std::int64_t k = 0; k < kRound; ++k) limits.add(tables.draw(draws));
    limits.look();
    spent += roundSteps(tables) + kStepsPerLawValue * static_cast<double>(tables.lawWork() - lawWork);
    lawWork = tables.lawWork();
    // The limits as stated: they hold the mean, the P given.
    const double low = std::min(limits.low(), limits.mean()), high = std::max(limits.high(), limits.mean());
    if (low > 0 && high <= kRatio * low) break;
    if (spent + roundSteps(tables) > budgetSteps) break;
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) break;
    // The weights plan for the draws that the limits seem to need, from
    // the draws so far: at least another round, at most what the budget
    // leaves.
    const double most = static_cast<double>(limits.count()) + (budgetSteps - spent) / roundSteps(tables) * kRound;
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
