// The report of each real program, field by field, against values the test
// works out itself: the tables from the genotypes, Pearson's chi-square and
// its tail probability in closed form, and the exact P-value by listing
// every table with the observed margins.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

#include "support/exact_p_value.h"
#include "apps/programs.h"
#include "support/process.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

using testing::ExactPValue;
using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::run;
using testing::ScratchDir;
using Genotype = std::pair<int, int>;

const std::vector<std::string> kLoci = {"Adh", "Mono", "Est", "Gone", "Pgm"};

// Three populations; per individual one genotype per locus.
const std::vector<std::vector<std::vector<Genotype>>> kPopulations = {
    {{{1, 1}, {4, 4}, {1, 2}, {0, 0}, {1, 2}},
     {{1, 1}, {4, 4}, {2, 2}, {0, 0}, {2, 2}},
     {{1, 2}, {4, 4}, {1, 1}, {0, 0}, {1, 1}},
     {{1, 1}, {0, 0}, {1, 3}, {0, 0}, {1, 2}},
     {{1, 1}, {4, 4}, {1, 1}, {0, 0}, {2, 1}}},
    {{{2, 2}, {4, 4}, {3, 3}, {0, 0}, {1, 2}},
     {{2, 2}, {4, 4}, {2, 3}, {0, 0}, {1, 1}},
     {{1, 2}, {4, 4}, {3, 3}, {0, 0}, {2, 2}},
     {{2, 2}, {4, 4}, {2, 2}, {0, 0}, {1, 2}}},
    {{{1, 2}, {4, 4}, {1, 3}, {0, 0}, {2, 1}},
     {{2, 2}, {4, 4}, {3, 1}, {0, 0}, {1, 2}},
     {{1, 1}, {4, 4}, {0, 0}, {0, 0}, {2, 2}}},
};

std::string genotypeText(const Genotype& g, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d%0*d", digits, g.first, digits, g.second);
  return text;
}

// The data file; ortelan_c gets two- and three-digit genotypes mixed.
std::string dataFile(int digits) {
  std::string text = "Three populations, five loci\n";
  for (const std::string& name : kLoci) text += name + "\n";
  int individual = 0;
  for (const auto& population : kPopulations) {
    text += "Pop\n";
    for (const auto& genotypes : population) {
      text += "ind" + std::to_string(++individual) + ",";
      for (const Genotype& g : genotypes) {
        const int width = digits == 0 ? (individual % 2 == 0 ? 2 : 3) : digits;
        text += " " + genotypeText(g, width);
      }
      text += "\n";
    }
  }
  return text;
}

// The populations x alleles table of a locus, alleles in increasing code.
std::vector<std::vector<int>> locusTable(std::size_t locus) {
  std::map<int, std::vector<int>> columns;
  for (std::size_t p = 0; p < kPopulations.size(); ++p) {
    for (const auto& genotypes : kPopulations[p]) {
      for (int code : {genotypes[locus].first, genotypes[locus].second}) {
        if (code == 0) continue;
        auto& column = columns[code];
        column.resize(kPopulations.size());
        ++column[p];
      }
    }
  }
  std::vector<std::vector<int>> rows(kPopulations.size());
  for (const auto& [code, counts] : columns) {
    for (std::size_t p = 0; p < rows.size(); ++p) rows[p].push_back(counts[p]);
  }
  return rows;
}

// P(chi-square on df degrees of freedom >= x), in closed form.
double upperTail(int df, double x) {
  double term, sum;
  int i;
  if (df % 2 == 0) {
    term = std::exp(-x / 2);
    sum = term;
    i = 2;
  } else {
    sum = std::erfc(std::sqrt(x / 2));
    term = std::sqrt(x / 2) * std::exp(-x / 2) / std::sqrt(M_PI) * 2;
    if (df >= 3) sum += term;
    i = 3;
  }
  for (; i < df; i += 2) {
    term *= x / i;
    sum += term;
  }
  return sum;
}

struct Chi {
  double value = 0;
  int df = 0;
};

Chi pearson(const std::vector<std::vector<int>>& rows) {
  std::vector<double> rowSums(rows.size()), columnSums(rows[0].size());
  double total = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      rowSums[r] += rows[r][c];
      columnSums[c] += rows[r][c];
      total += rows[r][c];
    }
  }
  Chi chi;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      const double expected = rowSums[r] * columnSums[c] / total;
      chi.value += (rows[r][c] - expected) * (rows[r][c] - expected) / expected;
    }
  }
  const auto nonEmpty = [](const std::vector<double>& sums) {
    return static_cast<int>(std::count_if(sums.begin(), sums.end(), [](double s) { return s > 0; }));
  };
  chi.df = (nonEmpty(rowSums) - 1) * (nonEmpty(columnSums) - 1);
  return chi;
}

struct Row {
  std::string name;
  std::vector<double> values;  // P(Fisher), SE(P), Chi2, df, P(chi2); empty when not tested
};

// The locus rows and the totals row of a report.
std::vector<Row> reportRows(const std::string& report, std::size_t nameWidth) {
  std::vector<Row> rows;
  std::istringstream lines(report);
  std::string line;
  int rules = 0;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("-----")) {
      ++rules;
      continue;
    }
    if (rules == 0) continue;
    Row row;
    row.name = line.substr(1, std::min(nameWidth, line.size() - 1));
    row.name.erase(row.name.find_last_not_of(' ') + 1);
    std::istringstream values(line.size() > nameWidth + 1 ? line.substr(nameWidth + 1) : "");
    for (double v; values >> v;) row.values.push_back(v);
    rows.push_back(row);
  }
  return rows;
}

void checkReport(const std::string& program, int digits, std::size_t nameWidth) {
  ScratchDir dir;
  dir.write("pops.gen", dataFile(digits));
  const auto result = run(program, "pops.gen\n\n", dir);
  ASSERT_EQ(result.status, 0) << result.out << result.err;
  const std::vector<Row> rows = reportRows(dir.read("Ortelan.out"), nameWidth);
  ASSERT_EQ(rows.size(), kLoci.size() + 1);

  double sumChi = 0, sumLnP = 0;
  int sumDf = 0, tested = 0;
  for (std::size_t locus = 0; locus < kLoci.size(); ++locus) {
    SCOPED_TRACE(kLoci[locus]);
    const Row& row = rows[locus];
    EXPECT_EQ(row.name, kLoci[locus]);
    const auto table = locusTable(locus);
    if (table[0].size() < 2) {
      EXPECT_TRUE(row.values.empty()) << "a locus with fewer than two alleles is listed by name";
      continue;
    }
    ASSERT_EQ(row.values.size(), 5u);
    const Chi chi = pearson(table);
    const double exact = ExactPValue(table).value();
    const double p = row.values[0], se = row.values[1];
    EXPECT_LE(std::fabs(p - exact), 4 * se + 0.002) << "exact " << exact;
    EXPECT_NEAR(row.values[2], chi.value, 0.0005);
    EXPECT_EQ(row.values[3], chi.df);
    EXPECT_NEAR(row.values[4], upperTail(chi.df, chi.value), 0.000006);
    sumChi += chi.value;
    sumDf += chi.df;
    sumLnP += -2 * std::log(p);
    ++tested;
  }
  const Row& totals = rows.back();
  EXPECT_EQ(totals.name, "TOTAL");
  ASSERT_EQ(totals.values.size(), 4u);
  EXPECT_NEAR(totals.values[0], upperTail(2 * tested, sumLnP), 0.001);  // from the printed P-values
  EXPECT_NEAR(totals.values[1], sumChi, 0.0005);
  EXPECT_EQ(totals.values[2], sumDf);
  EXPECT_NEAR(totals.values[3], upperTail(sumDf, sumChi), 0.000006);
}

TEST(Statistics, ThreeDigitProgram) { checkReport(k3d, 3, 30); }
TEST(Statistics, TwoDigitProgram) { checkReport(k2d, 2, 30); }
TEST(Statistics, DoubleProgramWithMixedGenotypeWidths) { checkReport(kC, 0, 25); }

}  // namespace
}  // namespace ortelan
