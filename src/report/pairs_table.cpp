#include "report/pairs_table.h"

namespace ortelan {

std::string populationLabel(const DataSummary& data, int population) {
  const auto index = static_cast<std::size_t>(population);
  return tableName(index < data.populationLabels.size() ? data.populationLabels[index] : std::string());
}

template <class Real>
std::string formatPairsTable(const TableHeading& heading, const DataSummary& data, const PairResults<Real>& pairs) {
  std::string text = tableCommentLine(heading) + "\r\n";
  text += "pop_a\tpop_b\tlabel_a\tlabel_b\tlocus\tname\talleles\tp_fisher\tse_fisher\tchi2\tdf\tp_chi2\r\n";
  long pair = 0;
  for (int a = 1; a < pairs.populations; ++a) {
    for (int b = a + 1; b <= pairs.populations; ++b, ++pair) {
      const std::string lead = std::to_string(a) + "\t" + std::to_string(b) + "\t" + populationLabel(data, a) + "\t" +
                               populationLabel(data, b) + "\t";
      for (std::size_t i = 0; i < pairs.loci.size(); ++i) {
        const int locus = pairs.loci[i];
        const PairLocusResult<Real>& r = pairs.at(pair, i);
        text += lead + std::to_string(locus) + "\t" + tableName(data.LOCUSNAME[static_cast<std::size_t>(locus)]) +
                "\t" + std::to_string(r.alleles);
        if (r.tested) {
          text += "\t" + tableNumber(r.p) + "\t" + tableNumber(r.se) + "\t" + tableNumber(r.chi2) + "\t" +
                  tableNumber(r.df) + "\t" + tableNumber(r.pChi2) + "\r\n";
        } else {
          text += "\tNA\tNA\tNA\tNA\tNA\r\n";
        }
      }
      text += lead + "TOTAL\tTOTAL\tNA";
      if (const auto& t = pairs.totals[static_cast<std::size_t>(pair)]) {
        text += "\t" + tableNumber(t->TOTFISHERP) + "\tNA\t" + tableNumber(t->SUMCHI2) + "\t" +
                tableNumber(t->SUMDFCHI2) + "\t" + tableNumber(t->TOTCHI2P) + "\r\n";
      } else {
        text += "\tNA\tNA\tNA\tNA\tNA\r\n";
      }
    }
  }
  return text;
}

template <class Real>
std::vector<PairPlotCell> pairPlotCells(const PairResults<Real>& pairs) {
  std::vector<PairPlotCell> cells(static_cast<std::size_t>(pairs.pairs()));
  for (std::size_t k = 0; k < cells.size(); ++k) {
    if (const auto& t = pairs.totals[k]) {
      cells[k] = {true, static_cast<double>(t->TOTFISHERP), static_cast<double>(t->SUMLNP),
                  static_cast<int>(t->SUMDFFISHER)};
    }
  }
  return cells;
}

template std::string formatPairsTable<double>(const TableHeading&, const DataSummary&, const PairResults<double>&);
template std::string formatPairsTable<long double>(const TableHeading&, const DataSummary&,
                                                   const PairResults<long double>&);
template std::vector<PairPlotCell> pairPlotCells<double>(const PairResults<double>&);
template std::vector<PairPlotCell> pairPlotCells<long double>(const PairResults<long double>&);

}  // namespace ortelan
