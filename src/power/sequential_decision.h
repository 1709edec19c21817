// Whether a locus's exact test rejects at a level alpha, from tables drawn
// independently under the null hypothesis (exacttest/table_sampler.h),
// drawing no more than the decision needs.
//
// Each drawn table counts (is at least as extreme as the observed one)
// with probability P, the exact P-value, independently of the others, and
// the test rejects when P <= alpha. The count H_n of the first n tables is
// binomial (n, P). The drawing looks at it after n_0 = 16, n_1 = 20,
// n_2 = 23, ... tables (n_k = 16 x 2^(k/4), rounded up) and stops at the
// first look where it crosses a bound:
//  - reject when H_n <= r_k, where P(Binomial(n_k, alpha) <= r_k) <= g_k;
//  - accept when H_n >= a_k, where P(Binomial(n_k, alpha) >= a_k) <= g'_k.
// A decision is wrong only where P > alpha and the count crosses the lower
// bound, or P <= alpha and it crosses the upper one. The chance of either
// is largest at P = alpha (a count of larger P lies above one of smaller P,
// draw for draw), so it is at most the chance that the count of P = alpha
// ever crosses that bound at a look. That chance is computed exactly,
// look after look, over the counts that have not crossed yet (a dynamic
// programme over the binomial steps between looks; counts more than 12
// standard deviations from their mean, and steps that unlikely, are left
// out and their whole probability counted as crossing). The levels are
// spent most at the first look where a bound can be crossed at all (a
// count of 0, or of every table, with a chance of at most e) and less at
// each later look, g_k = s / (j + 1) at the j-th, so that a table far from
// alpha settles as soon as it can; the scale s is the largest for
// which the chance of crossing is at most the error rate e. So a decision
// taken at a bound differs from the one the exact P would give with
// probability at most e, whatever P is and whenever it is taken. (Past
// 2^15 tables the looks are counted by the union bound instead: g_k each.)
//
// A drawing not settled when its tables fix the decision a scripted run
// would take stops there, and takes that decision, told apart as unsettled:
// a scripted run's P, hits / m where the hits-th counted table is the m-th
// (else (h + 1) / (most + 1)), is at most alpha exactly when fewer than
// `hits` of the first ceil(hits / alpha) - 1 tables count (or, where the
// most tables are fewer, by them). Its P lies then within a few binomial
// standard errors of alpha.
#pragma once

#include <cstdint>
#include <vector>

namespace ortelan {

// The tables drawn at look k (from 0): 16, 20, 23, 27, 32, 39, 46, 54, 64, ...
std::int64_t tablesAtLook(int k);

enum class Decision : std::uint8_t { Open, Accept, Reject };

// The bounds of one level alpha, for drawings of at most `mostTables`.
class DecisionBounds {
 public:
  DecisionBounds(double alpha, double errorRate, std::int64_t mostTables);

  double alpha() const { return alpha_; }
  // The decision at look k with `counted` of tablesAtLook(k) tables
  // counted: Open where neither bound is crossed (and past the last look).
  Decision at(int look, std::int64_t counted) const {
    if (look >= looks()) return Decision::Open;
    if (counted <= rejectUpTo_[static_cast<std::size_t>(look)]) return Decision::Reject;
    if (counted >= acceptFrom_[static_cast<std::size_t>(look)]) return Decision::Accept;
    return Decision::Open;
  }
  int looks() const { return static_cast<int>(rejectUpTo_.size()); }
  // The count at look k up to which the test rejects (-1: none), and from
  // which it accepts (above the tables: none).
  std::int64_t rejectUpTo(int look) const { return rejectUpTo_[static_cast<std::size_t>(look)]; }
  std::int64_t acceptFrom(int look) const { return acceptFrom_[static_cast<std::size_t>(look)]; }
  // The chance that the count of P = alpha crosses each bound at a look:
  // at most the error rate.
  double rejectCrossing() const { return rejectCrossing_; }
  double acceptCrossing() const { return acceptCrossing_; }

 private:
  double alpha_;
  std::vector<std::int64_t> rejectUpTo_, acceptFrom_;
  double rejectCrossing_ = 0, acceptCrossing_ = 0;
};

}  // namespace ortelan
