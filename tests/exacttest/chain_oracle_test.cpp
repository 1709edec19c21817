// The walk's estimate against the exact P-value, found by listing every
// table with the observed margins.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "exacttest/chain.h"
#include "exacttest/chain_fixture.h"

namespace ortelan {
namespace {

using Rows = std::vector<std::vector<int>>;

// Sums, over all tables with the margins of `observed`, the probabilities
// (proportional to 1 / prod n_ij!) of those no more probable than it, ties
// within a relative 1e-7 of the log-probability included.
class ExactPValue {
 public:
  explicit ExactPValue(const Rows& observed)
      : N_(observed.size()), M_(observed[0].size()) {
    for (std::size_t J = 0; J < M_; ++J) columnsLeft_.push_back(columnTotal(observed, J));
    double logObserved = 0;
    for (const auto& row : observed) {
      for (int count : row) logObserved -= std::lgamma(count + 1.0);
    }
    logObserved_ = logObserved;
    tie_ = 1e-7 * std::max(1.0, std::fabs(logObserved));
    for (std::size_t I = 0; I < N_; ++I) rowTotals_.push_back(rowTotal(observed, I));
    fill(0, 0, rowTotals_[0], 0.0);
  }

  double value() const { return tail_ / all_; }
  long tables() const { return tables_; }

 private:
  void fill(std::size_t I, std::size_t J, int rowLeft, double logP) {
    if (I == N_ - 1) {  // the last row is what the columns leave
      for (int left : columnsLeft_) logP -= std::lgamma(left + 1.0);
      const double weight = std::exp(logP - logObserved_);
      all_ += weight;
      if (logP <= logObserved_ + tie_) tail_ += weight;
      ++tables_;
      return;
    }
    if (J == M_ - 1) {
      if (rowLeft > columnsLeft_[J]) return;
      columnsLeft_[J] -= rowLeft;
      fill(I + 1, 0, rowTotals_[I + 1], logP - std::lgamma(rowLeft + 1.0));
      columnsLeft_[J] += rowLeft;
      return;
    }
    for (int count = 0; count <= std::min(rowLeft, columnsLeft_[J]); ++count) {
      columnsLeft_[J] -= count;
      fill(I, J + 1, rowLeft - count, logP - std::lgamma(count + 1.0));
      columnsLeft_[J] += count;
    }
  }

  std::size_t N_, M_;
  std::vector<int> rowTotals_, columnsLeft_;
  double logObserved_ = 0, tie_ = 0;
  double all_ = 0, tail_ = 0;
  long tables_ = 0;
};

TEST(ChainOracle, ListingAgreesWithKnownPValues) {
  // Fisher's test of 3 1 / 1 3: the tables 4 0, 3 1, 2 2, 1 3, 0 4 weigh
  // 1, 16, 36, 16, 1 (out of 70); all but 2 2 are no more probable.
  EXPECT_NEAR(ExactPValue({{3, 1}, {1, 3}}).value(), 34.0 / 70, 1e-12);
  EXPECT_NEAR(ExactPValue({{4, 0}, {0, 4}}).value(), 2.0 / 70, 1e-12);
  EXPECT_NEAR(ExactPValue({{1, 1}, {1, 1}}).value(), 1.0, 1e-12);
  EXPECT_EQ(ExactPValue({{2, 1, 0}, {1, 1, 1}, {0, 2, 3}}).tables(), 75);
}

template <class Real>
class ChainOracle : public ::testing::Test {};
using RealTypes = ::testing::Types<double, long double>;
TYPED_TEST_SUITE(ChainOracle, RealTypes);

TYPED_TEST(ChainOracle, EstimateLiesWithinItsStandardErrorOfTheExactPValue) {
  const std::vector<Rows> tables{
      {{3, 1}, {1, 3}},
      {{9, 0}, {0, 8}},
      {{1, 1}, {1, 1}},
      {{5, 0, 1}, {0, 4, 2}},
      {{2, 1, 0}, {1, 2, 1}, {0, 1, 3}},
      {{6, 2, 3}, {4, 5, 2}, {3, 3, 6}},
      {{0, 3, 0, 1}, {2, 0, 0, 0}, {0, 1, 4, 0}},
      {{2, 0, 1, 0}, {0, 0, 1, 3}, {1, 2, 0, 0}, {0, 1, 1, 1}},
      {{1, 2, 0, 1, 1}, {0, 1, 2, 1, 0}, {2, 0, 1, 0, 1}, {1, 1, 0, 2, 1}},
      {{4, 0, 0, 1, 0}, {0, 3, 0, 0, 2}, {0, 0, 4, 1, 0}},
  };
  for (const Rows& rows : tables) {
    const ExactPValue exact(rows);
    for (const auto& seeds : {std::vector<int>{12, 34, 56, 78}, {1, 1, 1, 1}, {150, 7, 99, 168}}) {
      CountTable MM = countTable(rows);
      Ranmar generator;
      generator.MAKE_RANDOM(seeds[0], seeds[1], seeds[2], seeds[3]);
      const auto estimate = CHAINE<TypeParam>(MM, 10000, 100, 5000, generator);
      const double P = static_cast<double>(estimate.HM), SE = static_cast<double>(estimate.HECA);
      EXPECT_NEAR(P, exact.value(), 4 * SE + (SE == 0 ? 0.002 : 0.0))
          << "table " << ::testing::PrintToString(rows) << " seeds " << seeds[0] << " SE " << SE;
    }
  }
}

}  // namespace
}  // namespace ortelan
