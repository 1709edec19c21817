#include "exacttest/table_sampler.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "chisquare/x_ln_x.h"
#include "exacttest/hypergeometric.h"
#include "exacttest/hypergeometric_laws.h"
#include "exacttest/margin_tables.h"

namespace ortelan {
namespace {

// The walk's tie tolerance on ln P(T) - ln P(O).
constexpr double kProbabilityTie = 1e-8;
// Drawn tables between two looks at the stop flag.
constexpr std::int64_t kTablesBetweenStops = 1024;
// What drawing a table costs, in steps of the walk on the same table
// (bench/sampler_bench.cpp, its tables and walks side by side, where a
// step takes 11 to 25 ns): per item of a two-column table (some 12 ns
// each with its split), per cell drawn by Patefield's algorithm (some
// 40 ns), per gene (individual) dealt (some 2 ns since the shuffle draws
// by Lemire's method: 1.7 ns against a step of 11 ns on a 10 x 10 table
// of 686 genes), and per cell of the table for its ordering. Each is set
// above what was measured, so that a locus drawing what its walk would
// cost takes no longer than the walk.
constexpr double kStepsPerItem = 1.3;
constexpr double kStepsPerCellDrawn = 3.2;
constexpr double kStepsPerGeneDealt = 0.2;
constexpr double kStepsPerCell = 0.15;

enum class Kind { Probability, G, ImpliedG };

// The three ways to draw a table with the margins, all from the same law:
//  - TwoColumns: a table of two columns (or rows) by halving its items
//    (rows) again and again, each split a hypergeometric draw from laws
//    made once (hypergeometric_laws.h), or drawn afresh where the laws are
//    too wide to keep;
//  - CellByCell: Patefield's algorithm, each cell a hypergeometric draw
//    given the cells before it (hypergeometric.h);
//  - Dealing: the genes (the individuals, for a genotype table) shuffled
//    by Fisher and Yates' shuffle and dealt to the rows in turn: the first
//    R_1 to row 1, the next R_2 to row 2 ..., one draw per gene; cheaper
//    where the cells outnumber the genes.

// A uniform in [0, 1) of 48 bits from two draws of the generator.
double uniform48(Ranmar::Stream& draws) {
  const auto high = static_cast<std::uint64_t>(draws.GOSUB100());
  const auto low = static_cast<std::uint64_t>(draws.GOSUB100());
  return static_cast<double>((high << 24) | low) * 0x1p-48;
}

// An integer in [0, n), n <= 2^24, each with probability 1 / n exactly,
// from draws of 24 bits (Lemire, D. 2019, "Fast random integer generation
// in an interval", ACM Trans. Model. Comput. Simul. 29: 3): the top bits of
// n times a draw, the draw taken again in the rare case its low bits fall
// below 2^24 mod n.
std::int64_t below(std::uint32_t n, Ranmar::Stream& draws) {
  constexpr std::uint64_t kLowBits = Ranmar::kOne - 1;
  std::uint64_t product = static_cast<std::uint64_t>(draws.GOSUB100()) * n;
  if ((product & kLowBits) < n) {
    const std::uint64_t threshold = (Ranmar::kOne - n) % n;
    while ((product & kLowBits) < threshold) product = static_cast<std::uint64_t>(draws.GOSUB100()) * n;
  }
  return static_cast<std::int64_t>(product >> 24);
}

// The reduced table (empty rows and columns left out) and its drawing.
class Sampler {
 public:
  Sampler(const CountTable& table, const Margins& margins, const EnumerationOrder& order, ChainWorkspace& workspace,
          DrawMethod method) {
    reset(table, margins, order, workspace, method);
  }

  // Draws tables with the margins of another table from now on, as a new
  // Sampler would, keeping the room of its vectors.
  void reset(const CountTable& table, const Margins& margins, const EnumerationOrder& order,
             ChainWorkspace& workspace, DrawMethod method) {
    n_ = margins.rows.size();
    m_ = margins.columns.size();
    rows_ = margins.rows;
    columns_ = margins.columns;
    total_ = margins.total;
    margin_ = order.tieMargin;
    // The laws drawn have at most total_ genes, and their modes look 1 / k
    // up at k = total_ + 2.
    ownLnFactorials_.clear();
    ownReciprocals_.clear();
    if (total_ + 3 <= ChainWorkspace::kMaxFactorials) {
      tables_ = {workspace.lnFactorialDoubles(total_ + 2), workspace.reciprocals(total_ + 2)};
    } else {
      for (std::int64_t k = 0; k <= total_ + 2; ++k) {
        ownLnFactorials_.push_back(std::lgamma(static_cast<double>(k) + 1));
        ownReciprocals_.push_back(k == 0 ? 0.0 : 1.0 / static_cast<double>(k));
      }
      tables_ = {ownLnFactorials_.data(), ownReciprocals_.data()};
    }
    // Laws made from other tables of ln k! might differ in the last bit.
    if (ownLnFactorials_.empty()) {
      laws_ = &workspace.hypergeometricLaws();
      ownLaws_.reset();
    } else {
      laws_ = &ownLaws_.emplace();
    }
    kind_ = !order.genotypeColumns.empty()            ? Kind::ImpliedG
            : order.ordering == Ordering::Probability ? Kind::Probability
                                                      : Kind::G;
    xLnX_ = nullptr;
    xLnXKept_ = 0;
    if (kind_ != Kind::Probability) {
      // Allele counts never exceed the genes: twice the individuals of a
      // genotype table.
      const std::int64_t most = kind_ == Kind::ImpliedG ? 2 * total_ : total_;
      xLnX_ = workspace.xLnX(most);
      xLnXKept_ = std::min(most + 3, ChainWorkspace::kMaxCounts);
    }
    alleles_ = 0;
    genotypeAlleles_.clear();
    implied_.clear();
    if (kind_ == Kind::ImpliedG) {
      alleles_ = static_cast<std::size_t>(order.alleleColumns);
      for (int column : margins.columnIndex) {
        const GenotypeAlleles g = order.genotypeColumns[static_cast<std::size_t>(column - 1)];
        genotypeAlleles_.push_back({static_cast<std::size_t>(g.a - 1), static_cast<std::size_t>(g.b - 1)});
      }
      implied_.assign(n_ * alleles_, 0);
    }
    cells_.assign(n_ * m_, 0);
    for (std::size_t i = 0; i < n_; ++i) {
      for (std::size_t j = 0; j < m_; ++j) cells_[i * m_ + j] = table.at(margins.rowIndex[i], margins.columnIndex[j]);
    }
    observedLnFactorials_ = sumLnFactorials();
    if (kind_ == Kind::ImpliedG) fillImplied();
    observedScore_ = kind_ == Kind::Probability ? 0 : score();
    start(method);
  }

  // Goes on drawing after other drawings of the thread may have drawn.
  void resume() { findLaws(false); }

  // Draws one table; whether it counts.
  bool drawCounts(Ranmar::Stream& draws) {
    switch (method_) {
      case DrawMethod::Cheapest:
      case DrawMethod::TwoColumns:
        drawTwoColumns(draws);
        break;
      case DrawMethod::CellByCell:
        drawCellByCell(draws);
        break;
      case DrawMethod::Dealing:
        deal(draws);
        break;
    }
    if (kind_ == Kind::Probability) return observedLnFactorials_ - sumLnFactorials() < kProbabilityTie;
    if (kind_ == Kind::ImpliedG && method_ != DrawMethod::Dealing) fillImplied();
    return score() - observedScore_ + margin_ >= 0;
  }

 private:
  // Sets up `method`, or the cheapest for the table.
  void start(DrawMethod method) {
    if (method == DrawMethod::Cheapest) method = cheapestDrawing(margins(), genotypic()).method;
    method_ = method;
    splits_.clear();
    splitGroup_.clear();
    splitFirstHalf_.clear();
    genes_.clear();
    if (method == DrawMethod::TwoColumns) {
      // Items are the rows of a two-column table, else the columns.
      itemsAreRows_ = m_ == 2;
      items_ = itemsAreRows_ ? rows_ : columns_;
      splitItems();
      return;
    }
    if (method == DrawMethod::CellByCell) {
      columnLeft_.assign(m_, 0);
      return;
    }
    for (std::size_t j = 0; j < m_; ++j) genes_.insert(genes_.end(), static_cast<std::size_t>(columns_[j]), static_cast<std::int32_t>(j));
  }

  // The groups of items, halved again and again: group 0 holds them all;
  // a group of two or more items is split at its middle into two groups
  // (in the order of the splits, each after the group it splits, so that
  // the splits of one depth are independent of each other and a processor
  // may make them at once); a group of one item is that item's. Each split
  // has its law (hypergeometric_laws.h).
  void splitItems() {
    const std::int64_t marked = itemsAreRows_ ? columns_[0] : rows_[0];
    groupFirst_.assign(1, 0);
    groupEnd_.assign(1, items_.size());
    std::vector<std::int64_t> before(items_.size() + 1, 0);  // genes of the items before item k
    for (std::size_t k = 0; k < items_.size(); ++k) before[k + 1] = before[k] + items_[k];
    splits_.clear();
    for (std::size_t group = 0; group < groupFirst_.size(); ++group) {
      const std::size_t first = groupFirst_[group], end = groupEnd_[group];
      if (end - first < 2) continue;
      const std::size_t middle = (first + end) / 2;
      splits_.push_back({before[middle] - before[first], before[end] - before[first]});
      splitGroup_.push_back(group);
      splitFirstHalf_.push_back(groupFirst_.size());
      for (const auto& [a, b] : {std::pair{first, middle}, std::pair{middle, end}}) {
        groupFirst_.push_back(a);
        groupEnd_.push_back(b);
      }
    }
    findLaws(true);
    groupMarked_.assign(groupFirst_.size(), 0);
    groupMarked_[0] = marked;
  }

  // The places of the splits' laws, found again where the laws were
  // forgotten since (and, at a new table, forgotten first if they have
  // outgrown their room).
  void findLaws(bool newTable) {
    if (splits_.empty()) return;
    if (newTable) laws_->trim();
    if (!newTable && lawsGeneration_ == laws_->generation()) return;
    lawPlaces_.clear();
    for (const Split& split : splits_) lawPlaces_.push_back(laws_->placeOf(split.draws, split.total));
    lawsGeneration_ = laws_->generation();
  }

  void drawTwoColumns(Ranmar::Stream& draws) {
    for (std::size_t k = 0; k < splits_.size(); ++k) {
      const std::int64_t held = groupMarked_[splitGroup_[k]];
      const Split& split = splits_[k];
      const std::int64_t x = laws_->draw(lawPlaces_[k], split.draws, split.total, held, uniform48(draws), tables_);
      groupMarked_[splitFirstHalf_[k]] = x;
      groupMarked_[splitFirstHalf_[k] + 1] = held - x;
    }
    for (std::size_t group = 0; group < groupFirst_.size(); ++group) {
      if (groupEnd_[group] - groupFirst_[group] != 1) continue;
      const std::size_t k = groupFirst_[group];
      const std::int64_t x = groupMarked_[group];
      if (itemsAreRows_) {
        cells_[2 * k] = x;
        cells_[2 * k + 1] = items_[k] - x;
      } else {
        cells_[k] = x;
        cells_[m_ + k] = items_[k] - x;
      }
    }
  }

  void drawCellByCell(Ranmar::Stream& draws) {
    std::copy(columns_.begin(), columns_.end(), columnLeft_.begin());
    std::int64_t undealt = total_;  // genes of the rows still to deal
    for (std::size_t i = 0; i + 1 < n_; ++i) {
      std::int64_t* row = &cells_[i * m_];
      std::int64_t need = rows_[i];
      std::int64_t pool = undealt;  // the undealt genes of columns j..
      for (std::size_t j = 0; j + 1 < m_; ++j) {
        std::int64_t x = 0;
        if (need > 0) x = hypergeometricDraw(need, columnLeft_[j], pool, uniform48(draws), tables_);
        row[j] = x;
        pool -= columnLeft_[j];
        columnLeft_[j] -= x;
        need -= x;
      }
      row[m_ - 1] = need;
      columnLeft_[m_ - 1] -= need;
      undealt -= rows_[i];
    }
    std::copy(columnLeft_.begin(), columnLeft_.end(), cells_.begin() + static_cast<std::ptrdiff_t>((n_ - 1) * m_));
  }

  // Shuffles the genes but the last row's (which take the places left)
  // and counts each row's into its cells, or, for a genotype table,
  // straight into the allele table it implies.
  void deal(Ranmar::Stream& draws) {
    const auto genes = static_cast<std::int64_t>(genes_.size());
    const std::int64_t shuffled = genes - rows_[n_ - 1];
    for (std::int64_t k = 0; k < shuffled; ++k) {
      const std::int64_t choices = genes - k;
      const std::int64_t pick =
          k + (choices <= Ranmar::kOne ? below(static_cast<std::uint32_t>(choices), draws)
                                       : std::min(static_cast<std::int64_t>(uniform48(draws) * static_cast<double>(choices)),
                                                  choices - 1));
      std::swap(genes_[static_cast<std::size_t>(k)], genes_[static_cast<std::size_t>(pick)]);
    }
    std::vector<std::int64_t>& counts = kind_ == Kind::ImpliedG ? implied_ : cells_;
    std::fill(counts.begin(), counts.end(), 0);
    std::size_t place = 0;
    for (std::size_t i = 0; i < n_; ++i) {
      const std::size_t end = place + static_cast<std::size_t>(rows_[i]);
      if (kind_ == Kind::ImpliedG) {
        std::int64_t* alleles = &implied_[i * alleles_];
        for (; place < end; ++place) {
          const auto& [a, b] = genotypeAlleles_[static_cast<std::size_t>(genes_[place])];
          ++alleles[a];
          ++alleles[b];
        }
      } else {
        std::int64_t* row = &cells_[i * m_];
        for (; place < end; ++place) ++row[genes_[place]];
      }
    }
  }

  Margins margins() const { return {rows_, columns_, {}, {}, total_}; }
  bool genotypic() const { return kind_ == Kind::ImpliedG; }

  // sum ln T_ij!: ln P(T) is a constant less it.
  // Four sums, interleaved, then added in a fixed order: the same sum for
  // the same cells, without the wait of one long chain of additions.
  double sumLnFactorials() const {
    const double* lnFactorial = tables_.lnFactorial;
    double sums[4] = {0, 0, 0, 0};
    const std::size_t cells = cells_.size();
    std::size_t i = 0;
    for (; i + 4 <= cells; i += 4) {
      for (std::size_t k = 0; k < 4; ++k) sums[k] += lnFactorial[cells_[i + k]];
    }
    for (; i < cells; ++i) sums[i % 4] += lnFactorial[cells_[i]];
    return (sums[0] + sums[1]) + (sums[2] + sums[3]);
  }
  std::int64_t xLnX(std::int64_t k) const { return k < xLnXKept_ ? xLnX_[k] : xLnXFixed(k); }
  // The allele table a genotype table implies.
  void fillImplied() {
    std::fill(implied_.begin(), implied_.end(), 0);
    for (std::size_t i = 0; i < n_; ++i) {
      std::int64_t* alleles = &implied_[i * alleles_];
      for (std::size_t j = 0; j < m_; ++j) {
        const std::int64_t v = cells_[i * m_ + j];
        alleles[genotypeAlleles_[j].first] += v;
        alleles[genotypeAlleles_[j].second] += v;
      }
    }
  }
  // S = sum k ln k of the table, or of the allele table a genotype table
  // implies, in units of 2^-26.
  std::int64_t score() const {
    std::int64_t S = 0;
    for (std::int64_t count : kind_ == Kind::ImpliedG ? implied_ : cells_) S += xLnX(count);
    return S;
  }

  std::size_t n_ = 0, m_ = 0;
  std::vector<std::int64_t> rows_, columns_;
  std::int64_t total_ = 0;
  DrawTables tables_{};
  std::vector<double> ownLnFactorials_, ownReciprocals_;  // for tables beyond the workspace's
  std::int64_t margin_ = 0;
  Kind kind_ = Kind::Probability;
  const std::int64_t* xLnX_ = nullptr;
  std::int64_t xLnXKept_ = 0;
  std::vector<std::int64_t> cells_;
  std::size_t alleles_ = 0;
  std::vector<std::pair<std::size_t, std::size_t>> genotypeAlleles_;
  std::vector<std::int64_t> implied_;
  double observedLnFactorials_ = 0;
  std::int64_t observedScore_ = 0;

  DrawMethod method_ = DrawMethod::CellByCell;
  // TwoColumns: the items' totals; the groups of items (their first and
  // end) and how many of the first column's genes each holds; each split's
  // group and the first of its halves; and their laws.
  bool itemsAreRows_ = true;
  std::vector<std::int64_t> items_;
  std::vector<std::size_t> groupFirst_, groupEnd_;
  std::vector<std::int64_t> groupMarked_;
  // A split's draws (the genes of its first half) and its group's genes.
  struct Split {
    std::int64_t draws, total;
  };
  std::vector<Split> splits_;
  std::vector<std::size_t> splitGroup_, splitFirstHalf_;
  // The thread's laws, or this table's own where its ln k! are its own.
  HypergeometricLaws* laws_ = nullptr;
  std::optional<HypergeometricLaws> ownLaws_;
  std::vector<std::int64_t> lawPlaces_;
  std::uint64_t lawsGeneration_ = 0;
  // CellByCell: each column's genes still undealt.
  std::vector<std::int64_t> columnLeft_;
  // Dealing: each gene's (individual's) column, in the order of the last shuffle.
  std::vector<std::int32_t> genes_;
};

}  // namespace

Drawing cheapestDrawing(const Margins& margins, bool genotypic) {
  const auto n = static_cast<double>(margins.rows.size()), m = static_cast<double>(margins.columns.size());
  // A genotype table's ordering looks at the allele table it implies too.
  const double ordering = kStepsPerCell * n * m * (genotypic ? 2 : 1);
  if (n == 2 || m == 2) return {DrawMethod::TwoColumns, kStepsPerItem * std::max(n, m) + ordering};
  const double cellByCell = kStepsPerCellDrawn * (n - 1) * (m - 1);
  const double dealing = kStepsPerGeneDealt * static_cast<double>(margins.total);
  if (cellByCell <= dealing) return {DrawMethod::CellByCell, cellByCell + ordering};
  return {DrawMethod::Dealing, dealing + ordering};
}

std::int64_t tablesCostingSteps(const CountTable& table, bool genotypic, std::int64_t steps) {
  const Margins margins = marginsOf(table);
  const double tables = static_cast<double>(steps) / cheapestDrawing(margins, genotypic).steps;
  return std::max<std::int64_t>(1, static_cast<std::int64_t>(std::min(tables, 1e15)));
}

struct TableDraws::State {
  State(const CountTable& table, const Margins& margins, const EnumerationOrder& order, ChainWorkspace& workspace)
      : sampler(table, margins, order, workspace, DrawMethod::Cheapest) {}
  Sampler sampler;
};

TableDraws::TableDraws(const CountTable& table, const EnumerationOrder& order, ChainWorkspace& workspace) {
  reset(table, order, workspace);
}

void TableDraws::reset(const CountTable& table, const EnumerationOrder& order, ChainWorkspace& workspace) {
  count_ = {};
  hitPlaces_.clear();
  const Margins margins = marginsOf(table);
  if (margins.rows.size() < 2 || margins.columns.size() < 2) {
    count_ = {1, 1, false};
    single_ = true;
    return;
  }
  single_ = false;
  if (state_) {
    state_->sampler.reset(table, margins, order, workspace, DrawMethod::Cheapest);
  } else {
    state_ = std::make_unique<State>(table, margins, order, workspace);
  }
}

TableDraws::~TableDraws() = default;
TableDraws::TableDraws(TableDraws&&) noexcept = default;
TableDraws& TableDraws::operator=(TableDraws&&) noexcept = default;

void TableDraws::drawUntil(std::int64_t drawn, std::int64_t hits, Ranmar& generator) {
  if (single_) return;
  state_->sampler.resume();
  Ranmar::Stream draws(generator);
  while (count_.drawn < drawn) {
    ++count_.drawn;
    if (state_->sampler.drawCounts(draws)) {
      ++count_.counted;
      if (hitPlaces_.size() < keptHits_) hitPlaces_.push_back(count_.drawn);
    }
    if (count_.counted >= hits) {
      count_.stopped = true;
      return;
    }
  }
}

void reserveTableDraws(ChainWorkspace& workspace, std::int64_t genes) {
  workspace.lnFactorialDoubles(genes + 2);
  workspace.reciprocals(genes + 2);
  // A genotype table's ordering counts the genes of the allele table it implies.
  workspace.xLnX(2 * genes);
}

SampledCount sampleTables(const CountTable& table, const EnumerationOrder& order, const SamplingLimits& limits,
                          Ranmar& generator, ChainWorkspace& workspace, const std::atomic<bool>* stop,
                          DrawMethod method) {
  const Margins margins = marginsOf(table);
  if (margins.rows.size() < 2 || margins.columns.size() < 2) return {1, 1, false};
  if (method == DrawMethod::TwoColumns && margins.rows.size() != 2 && margins.columns.size() != 2) {
    method = DrawMethod::CellByCell;
  }
  Sampler sampler(table, margins, order, workspace, method);
  SampledCount count;
  Ranmar::Stream draws(generator);
  while (count.drawn < limits.samples) {
    count.counted += sampler.drawCounts(draws) ? 1 : 0;
    ++count.drawn;
    if (count.counted >= limits.hits) {
      count.stopped = true;
      break;
    }
    if (stop != nullptr && count.drawn % kTablesBetweenStops == 0 && stop->load(std::memory_order_relaxed)) break;
  }
  return count;
}

}  // namespace ortelan
