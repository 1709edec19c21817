// The pairs table of a scripted run: tab-separated, for each pair of
// populations in order (1,2), (1,3) ... (2,3) ... one row per locus of the
// run and a row of the pair's totals; numbers at full precision, the
// F-statistics of the pair at the end of each row.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pairs/do_pairs.h"
#include "pairs/pair_rows.h"
#include "report/pairs_plot.h"
#include "report/results_table.h"

namespace ortelan {

// A population's label as a table field (its last individual's name).
std::string populationLabel(const DataSummary& data, int population);

// The table's first two lines, CRLF.
std::string pairsTableHeader(const TableHeading& heading, const DataSummary& data);

// What begins each row of pair a < b: pop_a, pop_b, label_a, label_b and a tab.
std::string pairRowLead(const DataSummary& data, int a, int b);

// The row of a pair at `locus`, after the pair's lead, CRLF.
template <class Real>
void appendPairLocusRow(std::string& text, std::string_view lead, ExactTest test, const DataSummary& data, int locus,
                        const PairLocusResult<Real>& result, const FValues<Real>& f, bool permuted = false);

// A pair's TOTAL row, CRLF; with `permuted`, the permutation test's
// columns (`outcome`, or NA).
template <class Real>
void appendPairTotalRow(std::string& text, std::string_view lead, ExactTest test, const DataSummary& data,
                        const std::optional<Totals<Real>>& totals, const FValues<Real>& f,
                        const std::optional<BootstrapLimits<Real>>& limits, bool permuted = false,
                        const PermutationOutcome<Real>* outcome = nullptr);

// The whole table from pairs held in memory; with `permutations` (and
// heading.permutations > 0) each pair's permutation test on its TOTAL row.
template <class Real>
std::string formatPairsTable(const TableHeading& heading, const DataSummary& data, const PairResults<Real>& pairs,
                             const FStatistics<Real>& f, const PermutationResults<Real>* permutations = nullptr);

// The table's rows as the pass over the pairs makes them: each block's
// text made on its worker, then handed to `write` in order with the pairs'
// TOTAL rows; and the heatmap's cells gathered on the way. The header is
// the writer's to write first.
template <class Real>
class PairsTableRows final : public PairRowsSink<Real> {
 public:
  PairsTableRows(ExactTest test, const DataSummary& data, std::function<void(std::string_view)> write);

  void format(PairBlock<Real>& block) const override;
  void take(const PairBlock<Real>& block) override;
  void total(int a, int b, const PairSummary<Real>& summary) override;

  // The rows end in the permutation test's columns, each pair's TOTAL row
  // with its test from `permutations` (NA where none).
  void permuted(const PermutationResults<Real>* permutations) {
    permuted_ = true;
    permutations_ = permutations;
  }

  // In pair order, once the pass is through.
  const std::vector<PairPlotCell>& cells() const { return cells_; }

 private:
  ExactTest test_;
  const DataSummary& data_;
  std::function<void(std::string_view)> write_;  // none: the cells alone
  std::string total_;
  std::vector<PairPlotCell> cells_;
  bool permuted_ = false;
  const PermutationResults<Real>* permutations_ = nullptr;
  std::string lociText_;            // each locus's fields of a row
  std::vector<std::size_t> loci_;   // where locus k's begin, k from 1
};

// The heatmap's title: what its triangles show.
std::string pairsPlotTitle(ExactTest test);

// The heatmap's cells: each pair's combined P (Fisher's method over its
// tested loci), the accurate tail as the pairs table prints it, and its
// multilocus theta with the bootstrap's limits.
template <class Real>
std::vector<PairPlotCell> pairPlotCells(const PairResults<Real>& pairs, const FStatistics<Real>& f);

// One pair's cell.
template <class Real>
PairPlotCell pairPlotCell(const std::optional<Totals<Real>>& totals, const FValues<Real>& f,
                          const std::optional<BootstrapLimits<Real>>& limits);

}  // namespace ortelan
