#include "chisquare/asymptotic_test.h"

#include "chisquare/cntab1.h"
#include "chisquare/g_statistic.h"

namespace ortelan {

template <class Real>
void asymptoticStatistic(ExactTest test, const CountTable& table, const std::vector<std::uint32_t>* genotypeKeys,
                         Real& statistic, Real& DF) {
  if (besideChiSquare(test)) {
    pearsonChiSquare(table, table.rows, table.columns, statistic, DF);
    return;
  }
  GStatistic<Real> g;
  if (test == ExactTest::Genotypic) {
    int alleleColumns = 0;
    const std::vector<GenotypeAlleles> columns = genotypeColumnsOf(*genotypeKeys, alleleColumns);
    g = gStatistic<Real>(impliedAlleleTable(table, columns, alleleColumns));
  } else {
    g = gStatistic<Real>(table);
  }
  statistic = g.G;
  DF = g.DF;
}

template void asymptoticStatistic<double>(ExactTest, const CountTable&, const std::vector<std::uint32_t>*, double&,
                                          double&);
template void asymptoticStatistic<long double>(ExactTest, const CountTable&, const std::vector<std::uint32_t>*,
                                               long double&, long double&);

}  // namespace ortelan
