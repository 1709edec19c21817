// One hypergeometric draw, for the independent tables of table_sampler.h:
// the number of marked genes among `draws` genes taken without
// replacement from `total`, of which `marked` are marked.
//
// By inversion from the mode (Kemp 1986, "A modal method for generating
// binomial variables", Commun. Statist. Theor. Meth. 15: 805-813; the same
// search suits the hypergeometric law): the probability of the mode
//   P(x) = C(marked, x) C(total - marked, draws - x) / C(total, draws)
// from a table of ln k!, then the values beside it, up and down in turn,
// each from its neighbour by the ratio of successive probabilities, until
// their sum exceeds the uniform draw. The search takes a few steps more than the
// distance of the value from the mode, so about the law's standard
// deviation on average, with one exponential a draw.
//
// Accuracy: ln P(mode) is a sum of nine terms ln k! in double precision,
// within some 1e-15 relative of each term, so P(mode) is within about
// 1e-15 * ln(total!) relative (1e-9 at 10^6 genes); each neighbour adds a
// rounding of its ratio. The uniform draw has 48 bits. The law drawn is
// thus the hypergeometric to within about 1e-9 of each probability,
// far below anything a P-value of at most 10^8 tables can show.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ortelan {

// ln k! and 1 / k for k = 0..total + 2 of the largest law to draw (1 / 0
// is never used).
struct DrawTables {
  const double* lnFactorial;
  const double* reciprocal;
};

// Visits the law's values in the order the draw searches them: the mode,
// then one above and one below it in turn while both sides last, then the
// side that lasts; `visit(value, probability, cumulative)` gets each with
// the sum of the probabilities visited so far, and returns true to stop
// there. Returns the value it stopped at, or the mode where the whole
// support was visited (what is left of a uniform is then rounding).
// hypergeometricDraw and the laws made once (hypergeometric_laws.h) both
// search so, with the same arithmetic, so that a law gives for each
// uniform the value a draw afresh gives, to the last bit. Needs
// 0 <= draws <= total and 0 <= marked <= total.
template <class Visit>
inline std::int64_t modalSearch(std::int64_t draws, std::int64_t marked, std::int64_t total,
                                const DrawTables& tables, Visit&& visit) {
  const std::int64_t unmarked = total - marked;
  const std::int64_t lowest = std::max<std::int64_t>(0, draws - unmarked);
  const std::int64_t highest = std::min(draws, marked);
  const double* lnFactorial = tables.lnFactorial;
  const double* reciprocal = tables.reciprocal;
  // The mode, floor((draws + 1)(marked + 1) / (total + 2)), within the
  // support (rounding may put it one off, which only lengthens the search).
  const auto mode = std::clamp<std::int64_t>(
      static_cast<std::int64_t>(static_cast<double>((draws + 1) * (marked + 1)) * reciprocal[total + 2]), lowest,
      highest);
  if (lowest == highest) {
    visit(mode, 1.0, 1.0);
    return mode;
  }
  const double lnMode = (lnFactorial[marked] - lnFactorial[mode] - lnFactorial[marked - mode]) +
                        (lnFactorial[unmarked] - lnFactorial[draws - mode] - lnFactorial[unmarked - draws + mode]) -
                        (lnFactorial[total] - lnFactorial[draws] - lnFactorial[total - draws]);
  const double atMode = std::exp(lnMode);
  double cumulative = atMode;
  if (visit(mode, atMode, cumulative)) return mode;
  // P(x + 1) / P(x) = (marked - x)(draws - x) / ((x + 1)(unmarked - draws + x + 1)),
  // P(x - 1) / P(x) = x (unmarked - draws + x) / ((marked - x + 1)(draws - x + 1)).
  const std::int64_t gap = unmarked - draws;
  std::int64_t up = mode, down = mode;
  double upP = atMode, downP = atMode;
  for (;;) {
    const bool canUp = up < highest, canDown = down > lowest;
    if (canUp) {
      upP *= static_cast<double>((marked - up) * (draws - up)) * (reciprocal[up + 1] * reciprocal[gap + up + 1]);
      ++up;
      cumulative += upP;
      if (visit(up, upP, cumulative)) return up;
    }
    if (canDown) {
      downP *= static_cast<double>(down * (gap + down)) *
               (reciprocal[marked - down + 1] * reciprocal[draws - down + 1]);
      --down;
      cumulative += downP;
      if (visit(down, downP, cumulative)) return down;
    }
    if (!canUp && !canDown) return mode;
  }
}

// `uniform` is in [0, 1): the first value of the search whose cumulative
// probability exceeds it.
inline std::int64_t hypergeometricDraw(std::int64_t draws, std::int64_t marked, std::int64_t total, double uniform,
                                       const DrawTables& tables) {
  return modalSearch(draws, marked, total, tables,
                     [uniform](std::int64_t, double, double cumulative) { return uniform < cumulative; });
}

}  // namespace ortelan
