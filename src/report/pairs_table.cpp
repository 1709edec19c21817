#include "report/pairs_table.h"

namespace ortelan {

std::string populationLabel(const DataSummary& data, int population) {
  const auto index = static_cast<std::size_t>(population);
  return tableName(index < data.populationLabels.size() ? data.populationLabels[index] : std::string());
}

template <class Real>
std::string formatPairsTable(const TableHeading& heading, const DataSummary& data, const PairResults<Real>& pairs,
                             const FStatistics<Real>& f) {
  std::string text = tableCommentLine(heading) + "\r\n";
  text += "pop_a\tpop_b\tlabel_a\tlabel_b\t" + locusColumnsHeader(heading.test, data.hasSites()) + "\r\n";
  long pair = 0;
  for (int a = 1; a < pairs.populations; ++a) {
    for (int b = a + 1; b <= pairs.populations; ++b, ++pair) {
      std::string lead = std::to_string(a);
      for (const std::string& field : {std::to_string(b), populationLabel(data, a), populationLabel(data, b)}) {
        appendField(lead, field);
      }
      lead += '\t';
      for (std::size_t i = 0; i < pairs.loci.size(); ++i) {
        const int locus = pairs.loci[i];
        const PairLocusResult<Real>& r = pairs.at(pair, i);
        text += lead;
        text += std::to_string(locus);
        appendLocusName(text, data, locus);
        appendField(text, std::to_string(r.alleles));
        if (r.tested) {
          appendLocusFields(text, locusValues(r, heading.test));
        } else {
          text += kUntestedFields;
        }
        appendFstFields(text, f.pairAt(pair, i));
        text += "\r\n";
      }
      text += lead;
      appendTotalName(text, data);
      text += "\tNA";
      if (const auto& t = pairs.totals[static_cast<std::size_t>(pair)]) {
        appendTotalFields(text, totalValues(*t, heading.test));
      } else {
        text += kUntestedFields;
      }
      appendFstFields(text, f.pairTotals[static_cast<std::size_t>(pair)], f.pairLimits[static_cast<std::size_t>(pair)]);
      text += "\r\n";
    }
  }
  return text;
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
std::vector<PairPlotCell> pairPlotCells(const PairResults<Real>& pairs, const FStatistics<Real>& f) {
  std::vector<PairPlotCell> cells(static_cast<std::size_t>(pairs.pairs()));
  for (std::size_t k = 0; k < cells.size(); ++k) {
    if (const auto& t = pairs.totals[k]) {
      cells[k].tested = true;
      cells[k].p = static_cast<double>(totalValues(*t).pFisher);
      cells[k].chi2 = static_cast<double>(t->SUMLNP);
      cells[k].df = static_cast<int>(t->SUMDFFISHER);
    }
    cells[k].theta = static_cast<double>(f.pairTotals[k].fst);
    if (const auto& limits = f.pairLimits[k]) {
      cells[k].thetaLow = static_cast<double>(limits->low);
      cells[k].thetaHigh = static_cast<double>(limits->high);
    }
  }
  return cells;
}

template std::string formatPairsTable<double>(const TableHeading&, const DataSummary&, const PairResults<double>&,
                                              const FStatistics<double>&);
template std::string formatPairsTable<long double>(const TableHeading&, const DataSummary&,
                                                   const PairResults<long double>&, const FStatistics<long double>&);
template std::vector<PairPlotCell> pairPlotCells<double>(const PairResults<double>&, const FStatistics<double>&);
template std::vector<PairPlotCell> pairPlotCells<long double>(const PairResults<long double>&,
                                                              const FStatistics<long double>&);

}  // namespace ortelan
