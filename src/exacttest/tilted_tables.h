// Tables of two rows drawn from a law tilted into the far tail, for the
// P-value of a table too far from the null for tables drawn under it
// (tail_p.h).
//
// A table of two rows (a SNP in K populations, turned so that the two
// alleles are the rows; or two populations at a locus of K alleles) is
// known by its first row x_1..x_K, x_j of the column total n_j, which sum
// to the row total R. Under the null, given the margins, it has the
// probability
//   P(T) = prod_j C(n_j, x_j) / C(N, R),
// one factor per column; and its score, by which the test orders the
// tables, is a sum of one term per column as well: t_j(x) = ln x! +
// ln (n_j - x)! by probability (less probable tables score higher), or
// x ln x + (n_j - x) ln (n_j - x) by G (as exact integers in units of
// 2^-26, chisquare/x_ln_x.h). A table counts, with the tie rules of the
// listing and of the drawing, when its score is at least the observed
// table's less 1e-8 (by probability), or less the tie margin (by G).
//
// The tilted law q(T) = P(T) e^(theta t(T)) / Z draws the tables with a
// high score far more often than P does. It is a product of one factor per
// column under the one constraint sum x_j = R, so Z and every conditional
// law are found by a recursion backwards over (column j, genes of the first
// row still to place r):
//   Z_j(r) = sum_x phi_j(x) Z_{j+1}(r - x),  Z_K(0) = 1,
// phi_j(x) = C(n_j, x) e^(theta t_j(x)); a table is drawn column after
// column, x_j with probability phi_j(x) Z_{j+1}(r - x) / Z_j(r), exactly
// from q (by rejection from the column's own law, or by inversion). Its weight P / q = Z e^(-theta t(T)) / C(N, R)
// is at most
//   w_max = Z e^(-theta t_min) / C(N, R)
// over the tables that count (t >= t_min), for theta >= 0; so the draws
// X = (P / q) / w_max, 0 for a table that does not count, lie in [0, 1]
// and have mean P / w_max exactly, whatever theta is.
//
// theta is chosen so that the tilted law's mean score is the observed
// one's: the draws then fall about the observed table, about half of them
// counting, and the variance of X is about its least. A saddle point of
// the columns taken as independent (their counts tilted by e^(eta x) as
// well, so that they sum to R on average) gives theta in a few dozen
// operations per column; the recursion then gives the tilted law's exact
// mean score (carrying the sums of the scores beside Z), and theta is
// moved until that lies within a third of a standard deviation of the
// observed score. Near the edge of the tables (most populations fixed for
// an allele) the columns are far from independent, and the saddle point
// alone may overshoot by far.
//
// Accuracy: each vector Z_j is scaled by its largest value, and the
// factors phi_j by theirs, in double precision; values that fall below
// 1e-308 of the largest are lost, and with them tables whose tilted
// probability lies that far below the others', which change P by less
// than w_max times their tilted mass. The draws take 48 bits.
#pragma once

#include <cstdint>
#include <vector>

#include "exacttest/chain.h"
#include "exacttest/enumeration.h"
#include "exacttest/margin_tables.h"
#include "exacttest/ranmar.h"
#include "input/tables/count_table.h"

namespace ortelan {

class TiltedTables {
 public:
  // Whether the tables with these margins have two rows or two columns
  // (empty ones left out), and more than one of them: a table the tilted
  // law can draw.
  static bool fits(const Margins& margins);
  // The work of one recursion for tables with these margins (fits): how
  // many products it takes; and the columns a draw goes through.
  static double recursionWork(const Margins& margins);
  static std::size_t columnsOf(const Margins& margins);

  // `table` and its `margins` (fits), ordered by probability or by G
  // (`order`, not the genotypic test). Works in the workspace's buffers.
  TiltedTables(const CountTable& table, const Margins& margins, const EnumerationOrder& order,
               ChainWorkspace& workspace);

  // Chooses theta and makes the recursion, at most `recursions` times to
  // bring the mean score to the observed one. False where the recursion
  // fails (every value lost below the smallest double).
  bool tilt(int recursions);
  double theta() const { return theta_; }
  // The recursions made (each with the sums of the scores).
  int recursions() const { return recursions_; }

  // ln w_max (after tilt()), and how far its rounding may have moved it
  // at most.
  double lnLargestWeight() const { return lnLargestWeight_; }
  double lnLargestWeightRounding() const { return lnLargestWeightRounding_; }

  // Draws `count` tables: for each, (P / q) / w_max where it counts,
  // else 0.
  void draw(Ranmar::Stream& draws, std::size_t count, double* out);

  std::size_t columns() const { return n_.size(); }
  // The work of the draws so far: the values drawn by inversion, and the
  // values they went through; and the proposals from the columns' own laws.
  std::int64_t lawWork() const { return lawWork_; }
  std::int64_t lawDraws() const { return lawDraws_; }
  std::int64_t proposals() const { return proposals_; }

 private:
  void saddlePoint();
  bool recurse();
  std::int32_t makeLaw(const double* weights, std::int64_t first, std::int64_t size);
  std::int64_t drawFrom(const AliasLaw& law, Ranmar::Stream& draws) const;
  std::int64_t drawGiven(std::size_t j, std::int64_t r, Ranmar::Stream& draws);

  TiltedBuffers& b_;
  bool byG_;
  std::vector<std::int64_t> n_;         // column totals
  std::vector<std::int64_t> observed_;  // the observed first row
  std::int64_t R_ = 0, N_ = 0;
  std::vector<std::size_t> offset_;     // column j's values at offset_[j] + x
  std::size_t values_ = 0;              // of all columns
  const double* lnBinomial_ = nullptr;  // ln C(n_j, x)
  const double* score_ = nullptr;       // t_j(x), in nats
  double observedScore_ = 0;            // by probability
  std::int64_t observedGScore_ = 0, tieMargin_ = 0;
  double lnTablesOfR_ = 0;              // ln C(N, R)

  double theta_ = 0, eta_ = 0;
  double saddleVariance_ = 0;  // of the score given sum x = R, as the saddle point has it
  double meanScore_ = 0;       // the tilted law's, from the recursion
  int recursions_ = 0;
  std::vector<std::int64_t> lowest_, highest_;  // r of column j from lowest_[j] to highest_[j]
  std::vector<std::size_t> zAt_;                // Z_j(r) at zAt_[j] + r - lowest_[j]
  std::vector<std::int32_t> columnLaw_;         // column j's own law phi_j
  std::vector<double> keptScale_;               // a(j, r) = keptScale_[j] Z_j(r)
  std::vector<double> zScale_;                  // Z_j's scale: sum_x phi_j(x) Z_{j+1}(r - x) = zScale_[j] Z_j(r)
  double lnLargestWeight_ = 0, lnLargestWeightRounding_ = 0;
  std::int64_t lawWork_ = 0, lawDraws_ = 0, proposals_ = 0;
};

}  // namespace ortelan
