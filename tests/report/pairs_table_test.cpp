#include "report/pairs_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "chisquare/tail_forms.h"

namespace ortelan {
namespace {

// Q(df/2, chi2/2) to 26 digits, by decimal arithmetic at 90 digits (the
// series or continued fraction with Gamma exact, as for chi2_tail_test).
constexpr long double kLocusTail = 1.3716507327255949500609306e-92L;  // 489.918 on 18 df
constexpr long double kChiTotalTail = 1.1934106069770602055984741e-161L;  // 489.918 + 9 x 40 on 27 df
// Ten P of 0 by Fisher's method: 100 ln 10 on 20 df, e^-x sum_{k<10} x^k / k! at x = 50 ln 10.
constexpr long double kFisherTail = 1.0614969965003146542727421e-37L;

// Populations 1 and 2 at eleven loci: the first far apart (chi2 489.918
// on 18 df), nine more at chi2 40 on 1 df, every exact P 0; the last not
// tested. The report's GAMMQ gives 0 to all of them.
template <class Real>
PairResults<Real> farApart() {
  PairResults<Real> pairs;
  pairs.populations = 2;
  std::vector<TotalTerm<Real>> terms;
  for (int locus = 1; locus <= 11; ++locus) {
    pairs.loci.push_back(locus);
    PairLocusResult<Real> r;
    r.alleles = locus == 11 ? 1 : 2;
    r.tested = locus < 11;
    if (r.tested) {
      r.chi2 = locus == 1 ? Real(489.918L) : 40;
      r.df = locus == 1 ? 18 : 1;
      terms.push_back({0, r.chi2, r.df});
    }
    pairs.results.push_back(r);
  }
  pairs.totals = {totalsOver(terms, [](std::string_view) {})};
  EXPECT_EQ(pairs.totals[0]->TOTCHI2P, 0);
  EXPECT_EQ(pairs.totals[0]->TOTFISHERP, 0);
  return pairs;
}

std::vector<std::vector<std::string>> rows(const std::string& table) {
  std::vector<std::vector<std::string>> out;
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("#") || line.starts_with("pop_a")) continue;
    line.pop_back();  // CR
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string field; std::getline(cells, field, '\t');) fields.push_back(field);
    out.push_back(fields);
  }
  return out;
}

template <class Real>
class PairsTable : public ::testing::Test {};
using RealTypes = ::testing::Types<double, long double>;
TYPED_TEST_SUITE(PairsTable, RealTypes);

// The table and the heatmap carry the accurate tails where the report's
// routine gives 0; the exact P of 0 stays 0.
TYPED_TEST(PairsTable, TablesAndHeatmapCarryTheAccurateTails) {
  constexpr long double relative = std::is_same_v<TypeParam, double> ? 1e-12L : 1e-15L;
  DataSummary data;
  data.populationLabels = {"", "north", "south"};
  for (int locus = 1; locus <= 11; ++locus) data.addLocus("L" + std::to_string(locus));
  const PairResults<TypeParam> pairs = farApart<TypeParam>();
  const auto table = rows(formatPairsTable(TableHeading{"ortelan_3d", "5.0", "x.gen", 1, {}}, data, pairs));
  ASSERT_EQ(table.size(), 12u);
  auto number = [](const std::string& field) { return std::strtold(field.c_str(), nullptr); };
  EXPECT_EQ(table[0][7] + " " + table[0][8], "0 0");
  EXPECT_CLOSE(number(table[0][11]), kLocusTail, relative * kLocusTail);
  EXPECT_EQ(table[10][11], "NA");
  const auto& total = table[11];
  ASSERT_EQ(total[4], "TOTAL");
  // Ten rounded -2 ln 0.00001 and their sum move the Fisher tail by up to
  // 7e-16 in long double and 5e-14 in double.
  const long double fisherRelative = std::max(1e-14L, relative);
  EXPECT_CLOSE(number(total[7]), kFisherTail, fisherRelative * kFisherTail);
  EXPECT_EQ(total[10], "27");
  EXPECT_CLOSE(number(total[11]), kChiTotalTail, relative * kChiTotalTail);

  const std::vector<PairPlotCell> cells = pairPlotCells(pairs);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_TRUE(cells[0].tested);
  EXPECT_CLOSE(cells[0].p, kFisherTail, fisherRelative * kFisherTail);
  EXPECT_EQ(cells[0].df, 20);
}

}  // namespace
}  // namespace ortelan
