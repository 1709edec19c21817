// 95 % limits on the mean of independent draws that lie in [0, 1], which
// hold however the draws are distributed and whenever the drawing stops.
//
// The limits are the predictable plug-in empirical Bernstein confidence
// sequence of Waudby-Smith, I. and Ramdas, A. (2024, "Estimating means of
// bounded random variables by betting", J. R. Statist. Soc. B 86: 1-27,
// Theorem 2). After draws X_1..X_t with mean mu:
//   [ sum l_i X_i / sum l_i  -+  (ln(2 / a) + sum v_i psi(l_i)) / sum l_i ],
//   v_i = 4 (X_i - m_{i-1})^2,  psi(l) = (-ln(1 - l) - l) / 4,
// with m_i = (1/2 + X_1 + ... + X_i) / (i + 1) and any weights l_i in
// (0, 1) fixed before X_i is seen. The chance that mu ever leaves the
// limits, at any t, is at most a, so they hold at the time the drawing
// stops, even when that time depends on the draws (a drawing that stops
// once its limits are narrow enough). They hold at a rate of at least
// 95 %, most often well above it: they are not a normal interval, whose
// rate depends on the law of the draws and fails in heavy tails.
//
// The weights: l_i = min(sqrt(2 ln(2 / a) / (s_{i-1}^2 n_i)), 1/2), with
// s_i^2 = (1/4 + sum_{k <= i} (X_k - m_k)^2) / (i + 1) the running
// variance and n_i the number of draws the drawing plans for, itself taken
// from the draws before X_i. With n_i the final number the limits are
// about sqrt(2 ln(2 / a)) = 2.72 standard errors either side, where a
// normal interval would be 1.96: some twice the draws for the same width.
// The limits kept are the narrowest met: the intersection of those at
// every look, which hold as well.
#pragma once

#include <cstdint>

namespace ortelan {

class MeanLimits {
 public:
  // With a chance of at most `miss` that the mean lies outside.
  explicit MeanLimits(double miss = 0.05);

  // Sets the draws the weights plan for, from the draws so far only.
  void plan(double draws);
  // The next draw, in [0, 1].
  void add(double x);
  // Looks at the limits now: they narrow to their intersection with
  // those of this time.
  void look();

  std::int64_t count() const { return count_; }
  double mean() const { return count_ > 0 ? sum_ / static_cast<double>(count_) : 0; }
  // The draws' variance (divisor count - 1).
  double variance() const;
  double low() const { return low_; }
  double high() const { return high_; }
  // The number of draws that would make the limits about `width` wide
  // either side of the mean, from the draws so far.
  double drawsFor(double width) const;

 private:
  double lnTwoOverMiss_;
  std::int64_t count_ = 0;
  double sum_ = 0, sumOfSquares_ = 0;  // of the draws
  double runningSquares_ = 0;          // sum (X_k - m_k)^2
  double weights_ = 0, weightedSum_ = 0, penalty_ = 0;
  double planned_ = 1000;
  double low_ = 0, high_ = 1;
};

}  // namespace ortelan
