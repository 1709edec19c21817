#include "report/pairs_table.h"

namespace ortelan {

std::string populationLabel(const DataSummary& data, int population) {
  const auto index = static_cast<std::size_t>(population);
  return tableName(index < data.populationLabels.size() ? data.populationLabels[index] : std::string());
}

template <class Real>
std::string formatPairsTable(const TableHeading& heading, const DataSummary& data, const PairResults<Real>& pairs) {
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
          appendLocusFields(text, locusValues(r));
          text += "\r\n";
        } else {
          text += "\tNA\tNA\tNA\tNA\tNA\tNA\r\n";
        }
      }
      text += lead;
      appendTotalName(text, data);
      text += "\tNA";
      if (const auto& t = pairs.totals[static_cast<std::size_t>(pair)]) {
        appendTotalFields(text, totalValues(*t));
        text += "\r\n";
      } else {
        text += "\tNA\tNA\tNA\tNA\tNA\tNA\r\n";
      }
    }
  }
  return text;
}

std::string pairsPlotTitle(ExactTest test) {
  if (test == ExactTest::Genic) return std::string(kPairsPlotTitle);
  return std::string("Pairwise exact G tests (") + (test == ExactTest::Genotypic ? "genotypic" : "genic") +
         "): combined P over loci (Fisher's method)";
}

template <class Real>
std::vector<PairPlotCell> pairPlotCells(const PairResults<Real>& pairs) {
  std::vector<PairPlotCell> cells(static_cast<std::size_t>(pairs.pairs()));
  for (std::size_t k = 0; k < cells.size(); ++k) {
    if (const auto& t = pairs.totals[k]) {
      cells[k] = {true, static_cast<double>(totalValues(*t).pFisher), static_cast<double>(t->SUMLNP),
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
