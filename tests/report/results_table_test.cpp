#include "report/results_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

namespace ortelan {
namespace {

template <class Real>
RunState<Real> threeLoci() {
  RunState<Real> s;
  s.addLocus("  Adh-1 \t");
  s.addLocus("Mono");
  s.addLocus("Est\t2");
  s.sizeResultArrays();
  s.ALLELES_PER_LOCUS = {0, 3, 1, 2};
  s.FISHERPPERLOCUS = {0, Real(1) / 3, -1, Real(0.05)};
  s.FISHERSEPERLOCUS = {0, Real(0.001), 0, Real(0)};
  s.CHI2PERLOCUS = {0, Real(12.5), 0, Real(2) / 7};
  s.DFPERLOCUS = {0, 4, 0, 1};
  // The report's five-decimal figures; the table computes its own.
  s.CHI2PPERLOCUS = {0, Real(0.014), -1, Real(0.59)};
  s.TOTFISHERP = Real(0.0174787);
  s.SUMCHI2 = Real(12.5) + Real(2) / 7;
  s.SUMDFCHI2 = 5;
  s.TOTCHI2P = Real(0.0255);
  s.SUMLNP = 8;
  s.SUMDFFISHER = 4;
  return s;
}

const TableHeading kHeading{"ortelan_3d", "5.0", "my data.gen", 18446744073709551615ull, {0, 2, 1}};

// A diploid locus (c = 0.75, b + c = 1.5), none, a haploid one; the TOTAL
// from the rows, with limits.
template <class Real>
FStatistics<Real> threeLociF() {
  FStatistics<Real> f;
  f.loci.resize(4);
  f.loci[1] = rowFValues<Real>(VarianceComponents<Real>{Real(0.5), Real(0.75), Real(0.75)}, true);
  f.loci[3] = rowFValues<Real>(VarianceComponents<Real>{Real(0.125), Real(0.875), 0}, false);
  f.total = totalFValues<Real>(f.loci);
  f.limits = BootstrapLimits<Real>{Real(0.125), Real(0.25)};
  return f;
}

// The chi-square tails and Fisher's method build on the C library's
// logarithm and exponential, whose last bit differs between processors:
// such a field is checked as a number, within 1e-15 relative of its value
// at 40 digits (a unit or two in the last place of the double), and
// replaced by "~"; the rest of the table stays to the byte. `values` by
// the row's first field and the column.
std::string withTailsChecked(const std::string& table,
                             const std::map<std::pair<std::string, std::string>, long double>& values) {
  std::istringstream lines(table);
  std::vector<std::string> columns;
  std::string out;
  std::size_t checked = 0;
  for (std::string line; std::getline(lines, line, '\n');) {
    line.pop_back();  // the CR
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string field; std::getline(cells, field, '\t');) fields.push_back(field);
    if (fields[0] == "locus") columns = fields;
    for (std::size_t k = 0; k < fields.size() && k < columns.size(); ++k) {
      const auto value = values.find({fields[0], columns[k]});
      if (value == values.end()) continue;
      EXPECT_NEAR(std::strtold(fields[k].c_str(), nullptr) / value->second, 1, 1e-15L) << fields[0] << " " << columns[k];
      fields[k] = "~";
      ++checked;
    }
    for (std::size_t k = 0; k < fields.size(); ++k) out += (k == 0 ? "" : "\t") + fields[k];
    out += "\r\n";
  }
  EXPECT_EQ(checked, values.size());
  return out;
}

// The P-values are the chi-square tails of each row's chi2 and df (at 40
// digits: e^-6.25 7.25, erfc(sqrt(1/7)), e^-4 5 for Fisher's 8 on 4 df,
// Q(5/2, 6.392857142857143)), not the report's.
const std::map<std::pair<std::string, std::string>, long double> kTails = {
    {{"1", "p_chi2"}, 0.01399579248765089200604796182L},
    {{"3", "p_chi2"}, 0.5929800980174266947248357046L},
    {{"TOTAL", "p_fisher"}, 0.09157819444367090146859010637L},
    {{"TOTAL", "p_chi2"}, 0.02547178255379671610134625332L}};

TEST(ResultsTable, RowsOfTheRunNAForUntestedLociAndTotals) {
  RunState<double> s = threeLoci<double>();
  s.methodPerLocus = {PMethod::Chain, PMethod::Sampled, PMethod::Chain, PMethod::Exact};
  s.pLowPerLocus = {0, 0.25, 0, 0.05};
  s.pHighPerLocus = {0, 0.5, 0, 0.05};
  const FStatistics<double> f = threeLociF<double>();
  const std::string table = formatResultsTable(kHeading, s, f);
  EXPECT_EQ(withTailsChecked(table, kTails),
            "# ortelan_3d 5.0 input=my data.gen seed=18446744073709551615 dememorization=0 batches=2 iterations=1 "
            "exact=auto sampler=chain\r\n"
            "locus\tname\talleles\tp_fisher\tse_fisher\tp_low\tp_high\tmethod\tchi2\tdf\tp_chi2"
            "\tfis\tfst\tfit\tfst_num\tfst_den\tfst_low\tfst_high\r\n"
            "1\tAdh-1\t3\t0.33333333333333331\t0.001\t0.25\t0.5\tsampled\t12.5\t4\t~"
            "\t0.5\t0.25\t0.625\t0.5\t2\tNA\tNA\r\n"
            "2\tMono\t1\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\r\n"
            "3\tEst 2\t2\t0.050000000000000003\t0\t0.050000000000000003\t0.050000000000000003\texact"
            "\t0.2857142857142857\t1\t~"
            "\tNA\t0.125\tNA\t0.125\t1\tNA\tNA\r\n"
            "TOTAL\tTOTAL\tNA\t~\tNA\tNA\tNA\tNA\t12.785714285714286\t5\t~"
            "\t0.5\t0.20833333333333334\t0.625\t0.625\t3\t0.125\t0.25\r\n");
  // Only the loci of the run; with none tested the tests have no total.
  s.lociInRun = {0, 0, 1, 0};
  TableHeading never = kHeading;
  never.exact = ExactMode::Never;
  never.sampling = {SamplerKind::Independent, 50, 2000};
  const std::string untested = formatResultsTable(never, s, threeLociF<double>());
  EXPECT_TRUE(untested.starts_with("# ortelan_3d 5.0 input=my data.gen seed=18446744073709551615 dememorization=0 "
                                   "batches=2 iterations=1 exact=never sampler=independent hits=50 samples=2000\r\n"));
  EXPECT_TRUE(untested.ends_with("2\tMono\t1\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\r\n"
                                 "TOTAL\tTOTAL\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\t0.5\t0.20833333333333334\t0.625\t0.625\t3\t0.125\t0.25\r\n"));
}

// With no exact test its P, SE and method are NA, in the genic test's
// layout; a bootstrap is named on the first line.
TEST(ResultsTable, NoExactTestLeavesItsColumnsNA) {
  TableHeading heading = kHeading;
  heading.test = ExactTest::None;
  heading.bootstrap = 0;
  const std::string table = withTailsChecked(formatResultsTable(heading, threeLoci<double>(), threeLociF<double>()),
                                             {{{"1", "p_chi2"}, kTails.at({"1", "p_chi2"})},
                                              {{"3", "p_chi2"}, kTails.at({"3", "p_chi2"})},
                                              {{"TOTAL", "p_chi2"}, kTails.at({"TOTAL", "p_chi2"})}});
  EXPECT_TRUE(table.starts_with("# ortelan_3d 5.0 input=my data.gen seed=18446744073709551615 dememorization=0 "
                                "batches=2 iterations=1 test=none exact=auto sampler=chain\r\n"
                                "locus\tname\talleles\tp_fisher\tse_fisher\tp_low\tp_high\tmethod\tchi2"));
  EXPECT_NE(table.find("\r\n1\tAdh-1\t3\tNA\tNA\tNA\tNA\tNA\t12.5\t4\t~\t0.5\t"),
            std::string::npos);
  EXPECT_NE(table.find("\r\nTOTAL\tTOTAL\tNA\tNA\tNA\tNA\tNA\tNA\t12.785714285714286\t5\t"), std::string::npos);
  heading.test = ExactTest::Genotypic;
  heading.bootstrap = 1000;
  heading.popmap = "pops.txt";
  EXPECT_TRUE(formatResultsTable(heading, threeLoci<double>(), threeLociF<double>())
                  .starts_with("# ortelan_3d 5.0 input=my data.gen seed=18446744073709551615 dememorization=0 batches=2 "
                               "iterations=1 test=genotypic exact=auto sampler=chain bootstrap=1000 popmap=pops.txt\r\n"));
}

TEST(ResultsTable, EveryDigitOfAnEightyBitRealReadsBackAndRoundsAsTheReport) {
  for (long double value : {1.0L / 3, 0.123455L, 0.00000123456789012345678L, 1.0L, 0.0L, 199.5L / 1000}) {
    const std::string text = tableNumber(value);
    EXPECT_EQ(std::strtold(text.c_str(), nullptr), value) << text;
    char fromValue[32], fromText[32];
    std::snprintf(fromValue, sizeof fromValue, "%.5Lf", value);
    std::snprintf(fromText, sizeof fromText, "%.5Lf", std::strtold(text.c_str(), nullptr));
    EXPECT_STREQ(fromText, fromValue);
  }
}

}  // namespace
}  // namespace ortelan
