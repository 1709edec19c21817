#include "exacttest/enumeration.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "chisquare/x_ln_x.h"
#include "exacttest/margin_tables.h"

namespace ortelan {
namespace {

// Terms this far below the largest counted one are left out. The terms
// relative to the largest, in (e^-100, 1], are taken in double precision,
// 1e-16 of each, far inside the accuracy of the sum.
constexpr long double kNegligible = -100;
// The walk's tie tolerance on ln P(T) - ln P(O).
constexpr long double kProbabilityTie = 1e-8L;
// Deciding whether to list: the count's work is at most the walk's steps
// over this (a step of the count costs about as much as a step of the
// walk, so some 3 % of it; 2 % of a part over more rows), and at least
// this many steps (some 100 microseconds).
constexpr std::int64_t kWalkStepsPerCountStep = 32;
constexpr std::int64_t kLeastCountWork = 100000;

enum class Kind { Probability, G, ImpliedG };

// Per thread: ln k! and k ln k from the workspace's tables, or anew beyond them.
class Terms {
 public:
  // ln k! for k up to `total`; with `xLnXTotal`, k ln k up to it.
  Terms(ChainWorkspace& workspace, std::int64_t total, std::int64_t xLnXTotal)
      : lnFactorials_(workspace.lnFactorials(total)),
        factorialsKept_(std::min(total + 1, ChainWorkspace::kMaxFactorials)),
        xLnX_(xLnXTotal > 0 ? workspace.xLnX(xLnXTotal) : nullptr),
        xLnXKept_(xLnXTotal > 0 ? std::min(xLnXTotal + 3, ChainWorkspace::kMaxCounts) : 0) {}

  long double lnFactorial(std::int64_t k) const {
    return k < factorialsKept_ ? lnFactorials_[k] : std::lgamma(static_cast<long double>(k) + 1);
  }
  std::int64_t xLnX(std::int64_t k) const { return k < xLnXKept_ ? xLnX_[k] : xLnXFixed(k); }

 private:
  const long double* lnFactorials_;
  std::int64_t factorialsKept_;
  const std::int64_t* xLnX_;
  std::int64_t xLnXKept_;
};

// The sum of exp(x) over the counted tables' x = -sum ln T_ij!, kept as
// exp(reference) * sum with the largest x as the reference.
struct LogSum {
  long double reference;
  long double sum = 0;

  void add(long double x) {
    if (x > reference) {
      sum = sum * std::exp(static_cast<double>(reference - x)) + 1;
      reference = x;
    } else if (x - reference > kNegligible) {
      sum += std::exp(static_cast<double>(x - reference));
    }
  }
  long double log() const { return reference + std::log(sum); }
};

// Every table with the margins of the reduced table `cells` (n rows of m),
// in the order the header describes; those that count go into the sum.
template <Kind K>
class Lister {
 public:
  Lister(std::vector<std::vector<std::int64_t>> cells, const EnumerationOrder& order,
         const std::vector<int>& columnIndex, const Terms& terms)
      : n_(cells.size()), m_(cells[0].size()), terms_(terms), margin_(order.tieMargin) {
    rowLeft_.assign(n_, 0);
    for (std::size_t i = 0; i < n_; ++i) {
      for (std::size_t j = 0; j < m_; ++j) rowLeft_[i] += cells[i][j];
    }
    columns_.assign(m_, 0);
    for (std::size_t j = 0; j < m_; ++j) {
      for (std::size_t i = 0; i < n_; ++i) columns_[j] += cells[i][j];
    }
    below_.assign(m_ * (n_ + 1), 0);
    if constexpr (K == Kind::ImpliedG) {
      alleles_ = static_cast<std::size_t>(order.alleleColumns);
      for (std::size_t j = 0; j < m_; ++j) {
        const GenotypeAlleles g = order.genotypeColumns[static_cast<std::size_t>(columnIndex[j] - 1)];
        genotypeAlleles_.push_back({static_cast<std::size_t>(g.a - 1), static_cast<std::size_t>(g.b - 1)});
      }
      implied_.assign(n_ * alleles_, 0);
    }
    // The observed table's x and score, summed as the listing sums them.
    long double x = 0;
    std::int64_t score = 0;
    for (std::size_t j = 0; j < m_; ++j) {
      for (std::size_t i = 0; i < n_; ++i) {
        x -= terms_.lnFactorial(cells[i][j]);
        if constexpr (K == Kind::G) score += terms_.xLnX(cells[i][j]);
        if constexpr (K == Kind::ImpliedG) place(i, j, cells[i][j]);
      }
    }
    if constexpr (K == Kind::ImpliedG) {
      score = impliedScore();
      std::fill(implied_.begin(), implied_.end(), 0);
    }
    observedX_ = x;
    observedScore_ = score;
    sum_.reference = x;
  }

  // ln of the sum of exp(-sum ln T_ij!) over the counted tables.
  long double run() {
    column(0, 0, 0);
    return sum_.log();
  }

 private:
  void column(std::size_t j, long double x, std::int64_t score) {
    if (j + 1 == m_) {
      leaf(x, score);
      return;
    }
    std::int64_t* below = &below_[j * (n_ + 1)];
    for (std::size_t i = n_; i-- > 0;) below[i] = below[i + 1] + rowLeft_[i];
    cell(0, j, columns_[j], x, score);
  }

  void cell(std::size_t i, std::size_t j, std::int64_t needed, long double x, std::int64_t score) {
    if (i + 1 == n_) {
      take(i, j, needed, x, score);
      column(j + 1, x, score);
      give(i, j, needed);
      return;
    }
    const std::int64_t lowest = std::max<std::int64_t>(0, needed - below_[j * (n_ + 1) + i + 1]);
    const std::int64_t highest = std::min(rowLeft_[i], needed);
    for (std::int64_t v = lowest; v <= highest; ++v) {
      long double cellX = x;
      std::int64_t cellScore = score;
      take(i, j, v, cellX, cellScore);
      cell(i + 1, j, needed - v, cellX, cellScore);
      give(i, j, v);
    }
  }

  // The last column takes what each row has left.
  void leaf(long double x, std::int64_t score) {
    const std::size_t j = m_ - 1;
    for (std::size_t i = 0; i < n_; ++i) {
      x -= terms_.lnFactorial(rowLeft_[i]);
      if constexpr (K == Kind::G) score += terms_.xLnX(rowLeft_[i]);
      if constexpr (K == Kind::ImpliedG) place(i, j, rowLeft_[i]);
    }
    bool counts;
    if constexpr (K == Kind::Probability) {
      counts = x - observedX_ < kProbabilityTie;
    } else if constexpr (K == Kind::G) {
      counts = score - observedScore_ + margin_ >= 0;
    } else {
      counts = impliedScore() - observedScore_ + margin_ >= 0;
      for (std::size_t i = 0; i < n_; ++i) place(i, j, -rowLeft_[i]);
    }
    if (counts) sum_.add(x);
  }

  void take(std::size_t i, std::size_t j, std::int64_t v, long double& x, std::int64_t& score) {
    rowLeft_[i] -= v;
    x -= terms_.lnFactorial(v);
    if constexpr (K == Kind::G) score += terms_.xLnX(v);
    if constexpr (K == Kind::ImpliedG) place(i, j, v);
  }
  void give(std::size_t i, std::size_t j, std::int64_t v) {
    rowLeft_[i] += v;
    if constexpr (K == Kind::ImpliedG) place(i, j, -v);
  }

  // v individuals of column j's genotype in row i: 2 v genes to the
  // allele table (v to each allele of a heterozygote).
  void place(std::size_t i, std::size_t j, std::int64_t v) {
    const auto [a, b] = genotypeAlleles_[j];
    implied_[i * alleles_ + a] += v;
    implied_[i * alleles_ + b] += v;
  }
  std::int64_t impliedScore() const {
    std::int64_t S = 0;
    for (std::int64_t count : implied_) S += terms_.xLnX(count);
    return S;
  }

  std::size_t n_, m_;
  const Terms& terms_;
  std::int64_t margin_;
  std::vector<std::int64_t> rowLeft_, columns_;
  std::vector<std::int64_t> below_;  // per column j at [j (n + 1) + i]: what rows i.. have left as it starts
  std::size_t alleles_ = 0;
  std::vector<std::pair<std::size_t, std::size_t>> genotypeAlleles_;
  std::vector<std::int64_t> implied_;
  long double observedX_ = 0;
  std::int64_t observedScore_ = 0;
  LogSum sum_{0};
};

// A 2 x 2 table has one free cell x, from `lowest` to `highest`: the
// cells x, R1 - x, C1 - x, R2 - C1 + x. One pass finds the counted tables
// and the largest counted term, a second sums them relative to it; the
// same terms and tests as the listing of any table.
template <Kind K>
long double lnCountedSumTwoByTwo(const std::vector<std::vector<std::int64_t>>& cells, std::int64_t margin,
                                 const Terms& terms) {
  const std::int64_t R1 = cells[0][0] + cells[0][1], R2 = cells[1][0] + cells[1][1], C1 = cells[0][0] + cells[1][0];
  const std::int64_t lowest = std::max<std::int64_t>(0, C1 - R2), highest = std::min(R1, C1);
  const auto x = [&](std::int64_t v) {
    return -(((terms.lnFactorial(v) + terms.lnFactorial(R1 - v)) + terms.lnFactorial(C1 - v)) +
             terms.lnFactorial(R2 - C1 + v));
  };
  const auto score = [&](std::int64_t v) {
    return terms.xLnX(v) + terms.xLnX(R1 - v) + terms.xLnX(C1 - v) + terms.xLnX(R2 - C1 + v);
  };
  const long double observedX = x(cells[0][0]);
  const std::int64_t observedScore = K == Kind::G ? score(cells[0][0]) : 0;
  const auto counts = [&](std::int64_t v, long double xv) {
    if constexpr (K == Kind::G) {
      return score(v) - observedScore + margin >= 0;
    } else {
      return xv - observedX < kProbabilityTie;
    }
  };
  long double reference = observedX;
  for (std::int64_t v = lowest; v <= highest; ++v) {
    const long double xv = x(v);
    if (xv > reference && counts(v, xv)) reference = xv;
  }
  // Along a run of counted tables each term is the last times the ratio
  // of neighbouring tables, (R1 - v)(C1 - v) / ((v + 1)(R2 - C1 + v + 1)),
  // instead of an exponential of its own: a few units of the last place
  // over the longest runs.
  long double sum = 0, term = 0;
  bool inRun = false;
  for (std::int64_t v = lowest; v <= highest; ++v) {
    const long double xv = x(v);
    const long double relative = xv - reference;
    if (relative <= kNegligible || !counts(v, xv)) {
      inRun = false;
      continue;
    }
    const auto u = static_cast<long double>(v - 1);
    term = inRun ? term * ((static_cast<long double>(R1) - u) * (static_cast<long double>(C1) - u)) /
                       ((u + 1) * (static_cast<long double>(R2 - C1) + u + 1))
                 : std::exp(relative);
    inRun = true;
    sum += term;
  }
  return reference + std::log(sum);
}

template <Kind K>
long double lnCountedSum(std::vector<std::vector<std::int64_t>> cells, const EnumerationOrder& order,
                         const std::vector<int>& columnIndex, const Terms& terms) {
  return Lister<K>(std::move(cells), order, columnIndex, terms).run();
}

}  // namespace

bool enumerationIsCheaper(const CountTable& table, std::int64_t chainSteps) {
  const Margins margins = marginsOf(table);
  if (margins.twoByTwo()) return true;
  // The most tables worth listing, and the work the count may take: a
  // small share of the walk's (or of the drawing that replaces it), or a
  // few microseconds' where the walk is short. A table with more tables
  // than a listing takes is told by the bound from below at once, most
  // often, and otherwise by the count, which stops there.
  const double most =
      static_cast<double>(chainSteps) / static_cast<double>(std::max<std::int64_t>(margins.freeCells(), 1));
  const std::int64_t work = std::max<std::int64_t>(kLeastCountWork, chainSteps / kWalkStepsPerCountStep);
  if (fewestTablesWithMargins(table, margins, work, most) > most) return false;
  return tablesWithMargins(margins, work, most) <= most;
}

template <class Real>
Real enumeratedP(const CountTable& table, const EnumerationOrder& order, ChainWorkspace& workspace) {
  const Margins margins = marginsOf(table);
  const bool implied = !order.genotypeColumns.empty();
  // The tables of a table and of its transpose are as probable and have
  // the same S; fewer rows make a shallower listing. A genotype table keeps
  // its columns, which name the alleles.
  const bool transpose = !implied && margins.rows.size() > margins.columns.size();
  const std::size_t n = transpose ? margins.columns.size() : margins.rows.size();
  const std::size_t m = transpose ? margins.rows.size() : margins.columns.size();
  if (n < 2 || m < 2) return 1;  // a single table: the observed one
  std::vector<std::vector<std::int64_t>> cells(n, std::vector<std::int64_t>(m, 0));
  for (std::size_t i = 0; i < margins.rows.size(); ++i) {
    for (std::size_t j = 0; j < margins.columns.size(); ++j) {
      const std::int64_t count = table.at(margins.rowIndex[i], margins.columnIndex[j]);
      (transpose ? cells[j][i] : cells[i][j]) = count;
    }
  }
  // Allele counts of the implied table reach twice the individuals.
  const Terms terms(workspace, margins.total,
                    order.ordering == Ordering::G ? (implied ? 2 * margins.total : margins.total) : 0);
  long double lnSum;
  if (!implied && n == 2 && m == 2) {
    lnSum = order.ordering == Ordering::G ? lnCountedSumTwoByTwo<Kind::G>(cells, order.tieMargin, terms)
                                          : lnCountedSumTwoByTwo<Kind::Probability>(cells, 0, terms);
  } else if (implied) {
    lnSum = lnCountedSum<Kind::ImpliedG>(std::move(cells), order, margins.columnIndex, terms);
  } else if (order.ordering == Ordering::G) {
    lnSum = lnCountedSum<Kind::G>(std::move(cells), order, margins.columnIndex, terms);
  } else {
    lnSum = lnCountedSum<Kind::Probability>(std::move(cells), order, margins.columnIndex, terms);
  }
  // ln P(T) = ln C + x(T), ln C = sum ln R_i! + sum ln C_j! - ln N!.
  long double lnC = -terms.lnFactorial(margins.total);
  for (std::int64_t R : margins.rows) lnC += terms.lnFactorial(R);
  for (std::int64_t C : margins.columns) lnC += terms.lnFactorial(C);
  const long double P = std::exp(lnC + lnSum);
  return std::clamp(static_cast<Real>(P), std::numeric_limits<Real>::min(), Real(1));
}

template double enumeratedP<double>(const CountTable&, const EnumerationOrder&, ChainWorkspace&);
template long double enumeratedP<long double>(const CountTable&, const EnumerationOrder&, ChainWorkspace&);

}  // namespace ortelan
