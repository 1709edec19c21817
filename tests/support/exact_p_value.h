// The exact P-value of the test of homogeneity of a contingency table,
// by listing every table with its margins: the yardstick for the chain's
// estimate.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace ortelan::testing {

// Sums, over all tables with the margins of `observed`, the probabilities
// (proportional to 1 / prod n_ij!) of those no more probable than it, ties
// within a relative 1e-7 of the log-probability included. Given a
// statistic, of those whose statistic is at least the observed one's
// instead, ties within a relative 1e-9 included.
class ExactPValue {
 public:
  using Rows = std::vector<std::vector<int>>;
  using Statistic = std::function<double(const Rows&)>;

  explicit ExactPValue(const Rows& observed, Statistic statistic = {})
      : N_(observed.size()), M_(observed[0].size()), statistic_(std::move(statistic)), table_(observed) {
    if (statistic_) {
      const double value = statistic_(observed);
      atLeast_ = value - 1e-9 * std::max(1.0, std::fabs(value));
    }
    for (std::size_t J = 0; J < M_; ++J) columnsLeft_.push_back(columnTotal(observed, J));
    double logObserved = 0;
    for (const auto& row : observed) {
      for (int count : row) logObserved -= std::lgamma(count + 1.0);
    }
    logObserved_ = logObserved;
    tie_ = 1e-7 * std::max(1.0, std::fabs(logObserved));
    for (std::size_t I = 0; I < N_; ++I) rowTotals_.push_back(total(observed[I]));
    fill(0, 0, rowTotals_[0], 0.0);
  }

  double value() const { return tail_ / all_; }
  long tables() const { return tables_; }

 private:
  static int total(const std::vector<int>& counts) {
    int sum = 0;
    for (int count : counts) sum += count;
    return sum;
  }
  static int columnTotal(const Rows& rows, std::size_t column) {
    int sum = 0;
    for (const auto& row : rows) sum += row[column];
    return sum;
  }

  // Cells [I][J..] on, the table so far in table_.
  void fill(std::size_t I, std::size_t J, int rowLeft, double logP) {
    if (I == N_ - 1) {  // the last row is what the columns leave
      for (int left : columnsLeft_) logP -= std::lgamma(left + 1.0);
      table_[I].assign(columnsLeft_.begin(), columnsLeft_.end());
      const double weight = std::exp(logP - logObserved_);
      all_ += weight;
      const bool counts = statistic_ ? statistic_(table_) >= atLeast_ : logP <= logObserved_ + tie_;
      if (counts) tail_ += weight;
      ++tables_;
      return;
    }
    if (J == M_ - 1) {
      if (rowLeft > columnsLeft_[J]) return;
      columnsLeft_[J] -= rowLeft;
      table_[I][J] = rowLeft;
      fill(I + 1, 0, rowTotals_[I + 1], logP - std::lgamma(rowLeft + 1.0));
      columnsLeft_[J] += rowLeft;
      return;
    }
    for (int count = 0; count <= std::min(rowLeft, columnsLeft_[J]); ++count) {
      columnsLeft_[J] -= count;
      table_[I][J] = count;
      fill(I, J + 1, rowLeft - count, logP - std::lgamma(count + 1.0));
      columnsLeft_[J] += count;
    }
  }

  std::size_t N_, M_;
  Statistic statistic_;
  double atLeast_ = 0;
  Rows table_;
  std::vector<int> rowTotals_, columnsLeft_;
  double logObserved_ = 0, tie_ = 0;
  double all_ = 0, tail_ = 0;
  long tables_ = 0;
};

}  // namespace ortelan::testing
