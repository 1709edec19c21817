#include "report/pairs_table.h"

#include <charconv>

#include "pairs/pair_table.h"

namespace ortelan {

std::string populationLabel(const DataSummary& data, int population) {
  const auto index = static_cast<std::size_t>(population);
  return tableName(index < data.populationLabels.size() ? data.populationLabels[index] : std::string());
}

namespace {

void appendWhole(std::string& text, long value) {
  char digits[24];
  text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// The locus's fields of a row: its number, name (and site).
void appendLocus(std::string& text, const DataSummary& data, int locus) {
  appendWhole(text, locus);
  appendLocusName(text, data, locus);
}

// A pair's row from its count of alleles on, CRLF.
template <class Real>
void appendPairRowValues(std::string& text, ExactTest test, const PairLocusResult<Real>& r, const FValues<Real>& f,
                         bool permuted) {
  text += '\t';
  appendWhole(text, r.alleles);
  if (r.tested) {
    appendLocusFields(text, locusValues(r, test));
  } else {
    text += kUntestedFields;
  }
  appendFstFields(text, f);
  if (permuted) text += kNoPermutationFields;
  text += "\r\n";
}

// Pair k's permutation test, where it was made.
template <class Real>
const PermutationOutcome<Real>* pairOutcome(const PermutationResults<Real>* permutations, long pair) {
  if (permutations == nullptr || static_cast<std::size_t>(pair) >= permutations->pairs.size()) return nullptr;
  return &permutations->pairs[static_cast<std::size_t>(pair)];
}

}  // namespace

std::string pairsTableHeader(const TableHeading& heading, const DataSummary& data) {
  return tableCommentLine(heading) + "\r\n" + "pop_a\tpop_b\tlabel_a\tlabel_b\t" +
         locusColumnsHeader(heading.test, data.hasSites()) +
         (heading.permutations > 0 ? permutationColumnsHeader() : std::string()) + "\r\n";
}

std::string pairRowLead(const DataSummary& data, int a, int b) {
  std::string lead = std::to_string(a);
  for (const std::string& field : {std::to_string(b), populationLabel(data, a), populationLabel(data, b)}) {
    appendField(lead, field);
  }
  return lead + '\t';
}

template <class Real>
void appendPairLocusRow(std::string& text, std::string_view lead, ExactTest test, const DataSummary& data, int locus,
                        const PairLocusResult<Real>& r, const FValues<Real>& f, bool permuted) {
  text += lead;
  appendLocus(text, data, locus);
  appendPairRowValues(text, test, r, f, permuted);
}

template <class Real>
void appendPairTotalRow(std::string& text, std::string_view lead, ExactTest test, const DataSummary& data,
                        const std::optional<Totals<Real>>& totals, const FValues<Real>& f,
                        const std::optional<BootstrapLimits<Real>>& limits, bool permuted,
                        const PermutationOutcome<Real>* outcome) {
  text += lead;
  appendTotalName(text, data);
  text += "\tNA";
  if (totals) {
    appendTotalFields(text, totalValues(*totals, test));
  } else {
    text += kUntestedFields;
  }
  appendFstFields(text, f, limits);
  if (permuted) appendPermutationFields(text, outcome);
  text += "\r\n";
}

template <class Real>
std::string formatPairsTable(const TableHeading& heading, const DataSummary& data, const PairResults<Real>& pairs,
                             const FStatistics<Real>& f, const PermutationResults<Real>* permutations) {
  const bool permuted = heading.permutations > 0;
  std::string text = pairsTableHeader(heading, data);
  long pair = 0;
  for (int a = 1; a < pairs.populations; ++a) {
    for (int b = a + 1; b <= pairs.populations; ++b, ++pair) {
      const std::string lead = pairRowLead(data, a, b);
      for (std::size_t i = 0; i < pairs.loci.size(); ++i) {
        appendPairLocusRow(text, lead, heading.test, data, pairs.loci[i], pairs.at(pair, i), f.pairAt(pair, i),
                           permuted);
      }
      const auto k = static_cast<std::size_t>(pair);
      appendPairTotalRow(text, lead, heading.test, data, pairs.totals[k], f.pairTotals[k], f.pairLimits[k], permuted,
                         pairOutcome(permutations, pair));
    }
  }
  return text;
}

template <class Real>
PairsTableRows<Real>::PairsTableRows(ExactTest test, const DataSummary& data,
                                     std::function<void(std::string_view)> write)
    : test_(test), data_(data), write_(std::move(write)) {
  if (!write_) return;
  // Every pair's rows repeat the loci's fields: made once.
  loci_.assign(static_cast<std::size_t>(data.NUMBOFLOCI) + 2, 0);
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    loci_[static_cast<std::size_t>(locus)] = lociText_.size();
    if (data.isInRun(locus)) appendLocus(lociText_, data, locus);
  }
  loci_.back() = lociText_.size();
}

template <class Real>
void PairsTableRows<Real>::format(PairBlock<Real>& block) const {
  if (!write_) return;
  const std::string lead = pairRowLead(data_, block.a, block.b);
  for (std::size_t k = 0; k < block.tests.size(); ++k) {
    const auto locus = static_cast<std::size_t>(block.loci[k]);
    block.text += lead;
    block.text.append(lociText_, loci_[locus], loci_[locus + 1] - loci_[locus]);
    appendPairRowValues(block.text, test_, block.tests[k], block.f[k], permuted_);
  }
}

template <class Real>
void PairsTableRows<Real>::take(const PairBlock<Real>& block) {
  if (write_ && !block.text.empty()) write_(block.text);
}

template <class Real>
void PairsTableRows<Real>::total(int a, int b, const PairSummary<Real>& summary) {
  cells_.push_back(pairPlotCell(summary.totals, summary.f, summary.limits));
  if (!write_) return;
  total_.clear();
  appendPairTotalRow(total_, pairRowLead(data_, a, b), test_, data_, summary.totals, summary.f, summary.limits,
                     permuted_, pairOutcome(permutations_, pairIndex(a, b, data_.NUMBPOPS)));
  write_(total_);
}

std::string pairsPlotTitle(ExactTest test) {
  switch (test) {
    case ExactTest::Genic:
      return std::string(kPairsPlotTitle);
    case ExactTest::None:
      return "Pairs of populations: F_ST (\u03B8) over loci";
    default:
      return std::string("Pairs of populations: F_ST (\u03B8) below the diagonal, combined P of the exact G test (") +
             (test == ExactTest::Genotypic ? "genotypic" : "genic") + ") above";
  }
}

template <class Real>
PairPlotCell pairPlotCell(const std::optional<Totals<Real>>& totals, const FValues<Real>& f,
                          const std::optional<BootstrapLimits<Real>>& limits) {
  PairPlotCell cell;
  if (totals) {
    cell.tested = true;
    cell.p = static_cast<double>(totalValues(*totals).pFisher);
    cell.chi2 = static_cast<double>(totals->SUMLNP);
    cell.df = static_cast<int>(totals->SUMDFFISHER);
  }
  cell.theta = static_cast<double>(f.fst);
  if (limits) {
    cell.thetaLow = static_cast<double>(limits->low);
    cell.thetaHigh = static_cast<double>(limits->high);
  }
  return cell;
}

template <class Real>
std::vector<PairPlotCell> pairPlotCells(const PairResults<Real>& pairs, const FStatistics<Real>& f) {
  std::vector<PairPlotCell> cells;
  for (std::size_t k = 0; k < static_cast<std::size_t>(pairs.pairs()); ++k) {
    cells.push_back(pairPlotCell(pairs.totals[k], f.pairTotals[k], f.pairLimits[k]));
  }
  return cells;
}

template std::string formatPairsTable<double>(const TableHeading&, const DataSummary&, const PairResults<double>&,
                                              const FStatistics<double>&, const PermutationResults<double>*);
template std::string formatPairsTable<long double>(const TableHeading&, const DataSummary&,
                                                   const PairResults<long double>&, const FStatistics<long double>&,
                                                   const PermutationResults<long double>*);
template void appendPairLocusRow<double>(std::string&, std::string_view, ExactTest, const DataSummary&, int,
                                         const PairLocusResult<double>&, const FValues<double>&, bool);
template void appendPairLocusRow<long double>(std::string&, std::string_view, ExactTest, const DataSummary&, int,
                                              const PairLocusResult<long double>&, const FValues<long double>&, bool);
template void appendPairTotalRow<double>(std::string&, std::string_view, ExactTest, const DataSummary&,
                                         const std::optional<Totals<double>>&, const FValues<double>&,
                                         const std::optional<BootstrapLimits<double>>&, bool,
                                         const PermutationOutcome<double>*);
template void appendPairTotalRow<long double>(std::string&, std::string_view, ExactTest, const DataSummary&,
                                              const std::optional<Totals<long double>>&, const FValues<long double>&,
                                              const std::optional<BootstrapLimits<long double>>&, bool,
                                              const PermutationOutcome<long double>*);
template class PairsTableRows<double>;
template class PairsTableRows<long double>;
template PairPlotCell pairPlotCell<double>(const std::optional<Totals<double>>&, const FValues<double>&,
                                           const std::optional<BootstrapLimits<double>>&);
template PairPlotCell pairPlotCell<long double>(const std::optional<Totals<long double>>&, const FValues<long double>&,
                                                const std::optional<BootstrapLimits<long double>>&);
template std::vector<PairPlotCell> pairPlotCells<double>(const PairResults<double>&, const FStatistics<double>&);
template std::vector<PairPlotCell> pairPlotCells<long double>(const PairResults<long double>&,
                                                              const FStatistics<long double>&);

}  // namespace ortelan
