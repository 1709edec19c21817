#include "exacttest/margin_tables.h"

#include <algorithm>
#include <limits>
#include <map>
#include <utility>

namespace ortelan {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// A part of a table counted over many rows (a vector of remaining totals
// sorted and looked up) costs about this many steps of a two-row count.
constexpr std::int64_t kOperationsPerPart = 100;

// Counts at or below 2^52 are held exactly, and so is the sum of two.
// Every part counted below completes to at least one table, and different
// parts to different tables, so a part's count above this means more
// tables than that.
constexpr double kExactCounts = 4503599627370496.0;  // 2^52

// Two rows (the smaller total R first): f(s) is the number of ways to fill
// the columns so far with s genes in the first row, for the s from which
// the columns still to come can reach R. A column of total c takes 0..c
// of them: a window of c + 1 over f.
double twoRows(std::int64_t R, const std::vector<std::int64_t>& columns, std::int64_t workLimit, double ceiling) {
  const std::size_t last = columns.size() - 1;
  if (last == 1) return static_cast<double>(std::min(columns[0], R) - std::max<std::int64_t>(0, R - columns[1]) + 1);
  if (static_cast<double>(R + 1) * static_cast<double>(last) > static_cast<double>(workLimit)) return kInfinity;
  std::vector<std::int64_t> after(columns.size() + 1, 0);  // totals of the columns from j on
  for (std::size_t j = columns.size(); j-- > 0;) after[j] = after[j + 1] + columns[j];
  std::vector<double> f(static_cast<std::size_t>(R) + 1, 0.0), g(f.size(), 0.0);
  f[0] = 1;
  std::int64_t lowest = 0, highest = 0;  // the range of s where f may be non-zero
  for (std::size_t j = 0; j < last; ++j) {
    const std::int64_t c = columns[j];
    const std::int64_t nextLowest = std::max<std::int64_t>(lowest, R - after[j + 1]);
    const std::int64_t nextHighest = std::min(highest + c, R);
    // window: the sum of f over [s - c, s] as s goes up.
    double window = 0;
    for (std::int64_t t = std::max(lowest, nextLowest - c); t < nextLowest && t <= highest; ++t) {
      window += f[static_cast<std::size_t>(t)];
    }
    for (std::int64_t s = nextLowest; s <= nextHighest; ++s) {
      if (s <= highest) window += f[static_cast<std::size_t>(s)];
      // Each way to fill the columns so far completes to at least one table.
      if (window > ceiling) return kInfinity;
      g[static_cast<std::size_t>(s)] = window;
      const std::int64_t leaving = s - c;
      if (leaving >= lowest && leaving <= highest) window -= f[static_cast<std::size_t>(leaving)];
    }
    for (std::int64_t s = lowest; s <= highest; ++s) f[static_cast<std::size_t>(s)] = 0;
    for (std::int64_t s = nextLowest; s <= nextHighest; ++s) std::swap(f[static_cast<std::size_t>(s)], g[static_cast<std::size_t>(s)]);
    lowest = nextLowest;
    highest = nextHighest;
  }
  double count = 0;
  for (std::int64_t s = std::max(lowest, R - columns[last]); s <= highest; ++s) count += f[static_cast<std::size_t>(s)];
  return count > ceiling ? kInfinity : count;
}

// More rows: the remaining row totals, sorted, with the number of ways to
// reach them, column after column, the smallest columns first. The last
// column takes what remains, so the one before it needs no states: each
// state's ways to fill it are counted at once (compositions of its total
// bounded by the rows' totals left). `workLimit` is in steps of a two-row
// count; a part of a column built and looked up weighs kOperationsPerPart.
class ManyRows {
 public:
  ManyRows(std::int64_t workLimit, double ceiling) : workLimit_(workLimit), ceiling_(ceiling) {}

  double count(const std::vector<std::int64_t>& rows, std::vector<std::int64_t> columns) {
    std::sort(columns.begin(), columns.end());
    std::vector<std::int64_t> start = rows;
    std::sort(start.begin(), start.end());
    std::map<std::vector<std::int64_t>, double> states{{start, 1.0}};
    for (std::size_t j = 0; j + 2 < columns.size(); ++j) {
      std::map<std::vector<std::int64_t>, double> next;
      for (const auto& [left, ways] : states) {
        left_ = left;
        below_.assign(left.size() + 1, 0);
        for (std::size_t i = left.size(); i-- > 0;) below_[i] = below_[i + 1] + left[i];
        if (!fill(0, columns[j], ways, next)) return kInfinity;
      }
      states = std::move(next);
      counted_ = 0;
    }
    const std::int64_t c = columns[columns.size() - 2];
    double total = 0;
    for (const auto& [left, ways] : states) {
      work_ += static_cast<std::int64_t>(left.size()) * (c + 1);
      if (work_ > workLimit_) return kInfinity;
      total += ways * boundedCompositions(left, c);
      if (total > ceiling_) return kInfinity;
    }
    return total;
  }

 private:
  // The ways to write c as v_1 + ... + v_n with 0 <= v_i <= left[i]: f(s),
  // the ways for the rows so far to take s, each row a window over f.
  double boundedCompositions(const std::vector<std::int64_t>& left, std::int64_t c) {
    f_.assign(static_cast<std::size_t>(c) + 1, 0.0);
    f_[0] = 1;
    for (const std::int64_t most : left) {
      g_.assign(f_.size(), 0.0);
      double window = 0;
      for (std::int64_t s = 0; s <= c; ++s) {
        window += f_[static_cast<std::size_t>(s)];
        if (s - most - 1 >= 0) window -= f_[static_cast<std::size_t>(s - most - 1)];
        g_[static_cast<std::size_t>(s)] = window;
      }
      std::swap(f_, g_);
    }
    return f_[static_cast<std::size_t>(c)];
  }

  // Row i of the column takes 0..min(left_[i], remaining), leaving the rows
  // below enough to take the rest.
  bool fill(std::size_t i, std::int64_t remaining, double ways, std::map<std::vector<std::int64_t>, double>& next) {
    if (i + 1 == left_.size()) {
      work_ += kOperationsPerPart;
      if (work_ > workLimit_) return false;
      std::vector<std::int64_t> key = left_;
      key[i] -= remaining;
      std::sort(key.begin(), key.end());
      double& slot = next[key];
      slot += ways;
      // Every part counted completes to a table of its own: the parts so
      // far are at most as many as the tables.
      counted_ += ways;
      return counted_ <= ceiling_;
    }
    const std::int64_t lowest = std::max<std::int64_t>(0, remaining - below_[i + 1]);
    const std::int64_t highest = std::min(left_[i], remaining);
    for (std::int64_t v = lowest; v <= highest; ++v) {
      left_[i] -= v;
      const bool fine = fill(i + 1, remaining - v, ways, next);
      left_[i] += v;
      if (!fine) return false;
    }
    return true;
  }

  std::int64_t workLimit_;
  double ceiling_;
  std::int64_t work_ = 0;
  double counted_ = 0;  // the ways of the column's parts so far
  std::vector<std::int64_t> left_, below_;
  std::vector<double> f_, g_;
};

}  // namespace

Margins marginsOf(const CountTable& table) {
  Margins m;
  for (int I = 1; I <= table.rows; ++I) {
    std::int64_t total = 0;
    for (int J = 1; J <= table.columns; ++J) total += table.at(I, J);
    if (total == 0) continue;
    m.rows.push_back(total);
    m.rowIndex.push_back(I);
    m.total += total;
  }
  for (int J = 1; J <= table.columns; ++J) {
    std::int64_t total = 0;
    for (int I = 1; I <= table.rows; ++I) total += table.at(I, J);
    if (total == 0) continue;
    m.columns.push_back(total);
    m.columnIndex.push_back(J);
  }
  return m;
}

double tablesWithMargins(const Margins& margins, std::int64_t workLimit, double ceiling) {
  ceiling = std::min(ceiling, kExactCounts);
  // The tables of a table and of its transpose are as many.
  const bool transpose = margins.rows.size() > margins.columns.size();
  const std::vector<std::int64_t>& rows = transpose ? margins.columns : margins.rows;
  const std::vector<std::int64_t>& columns = transpose ? margins.rows : margins.columns;
  if (rows.size() <= 1) return rows.empty() ? 0 : 1;
  if (rows.size() == 2) return twoRows(std::min(rows[0], rows[1]), columns, workLimit, ceiling);
  return ManyRows(workLimit, ceiling).count(rows, columns);
}

double fewestTablesWithMargins(const CountTable& table, const Margins& margins, std::int64_t workLimit,
                               double ceiling) {
  ceiling = std::min(ceiling, kExactCounts);
  // Pairs of rows (or of columns) in turn: each pair's two-row tables with
  // its own totals and the sums of its cells, the rest of the table kept.
  const auto pairsOf = [&](bool rowPairs) {
    const std::vector<int>& lines = rowPairs ? margins.rowIndex : margins.columnIndex;
    const std::vector<int>& across = rowPairs ? margins.columnIndex : margins.rowIndex;
    const std::vector<std::int64_t>& totals = rowPairs ? margins.rows : margins.columns;
    double product = 1;
    for (std::size_t k = 0; k + 1 < lines.size(); k += 2) {
      std::vector<std::int64_t> sums;
      for (int other : across) {
        const std::int64_t sum = rowPairs ? std::int64_t{table.at(lines[k], other)} + table.at(lines[k + 1], other)
                                          : std::int64_t{table.at(other, lines[k])} + table.at(other, lines[k + 1]);
        if (sum > 0) sums.push_back(sum);
      }
      if (sums.size() < 2) continue;
      const double ways = twoRows(std::min(totals[k], totals[k + 1]), sums, workLimit, kExactCounts);
      if (ways == kInfinity) return kInfinity;
      product *= ways;
      if (product > ceiling) return kInfinity;
    }
    return product;
  };
  return std::max(pairsOf(true), pairsOf(false));
}

}  // namespace ortelan
