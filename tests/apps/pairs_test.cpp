// The pairwise tests of the real programs against the test's own counts:
// each pair's table, chi-square and tail probability, its exact P-value by
// listing every table with its margins, and the totals by Fisher's method;
// the same results on any thread count and without later populations; a
// heatmap that parses with a tooltip per pair.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>

#include "apps/programs.h"
#include "chisquare/tail_forms.h"
#include "support/exact_p_value.h"

namespace ortelan {
namespace {

using chisquare_testing::exactTail;
using testing::ExactPValue;
using testing::k3d;
using testing::kC;
using testing::ProcessResult;
using testing::runWith;
using testing::ScratchDir;

using Genotype = std::pair<int, int>;
struct Individual {
  std::string name;
  std::vector<Genotype> genotypes;  // loci Adh, Est, Mono
};

// Population 3 lacks Est; Mono has one allele; population 4 is missing
// everywhere, so no pair with it can be tested.
const std::vector<std::vector<Individual>> kPopulations = {
    {{"a1", {{1, 2}, {5, 5}, {7, 7}}}, {"a2", {{1, 1}, {5, 6}, {7, 7}}}, {"a 3 ", {{2, 2}, {5, 5}, {7, 0}}}},
    {{"b1", {{2, 2}, {6, 6}, {7, 7}}}, {"b2", {{2, 3}, {6, 5}, {7, 7}}}, {"Bee", {{3, 3}, {6, 6}, {7, 7}}}},
    {{"c1", {{1, 1}, {0, 0}, {7, 7}}}, {"c2", {{1, 3}, {0, 0}, {0, 0}}}},
    {{"d1", {{0, 0}, {0, 0}, {0, 0}}}, {"last d", {{0, 0}, {0, 0}, {0, 0}}}},
};
const std::vector<std::string> kLoci = {"Adh", "Est", "Mono"};

std::string dataFile(std::size_t populations) {
  std::string text = "Pairs\nAdh\nEst\nMono\n";
  for (std::size_t p = 0; p < populations; ++p) {
    text += "Pop\n";
    for (const Individual& i : kPopulations[p]) {
      text += i.name + ",";
      for (const Genotype& g : i.genotypes) {
        char genotype[16];
        std::snprintf(genotype, sizeof genotype, " %03d%03d", g.first, g.second);
        text += genotype;
      }
      text += "\n";
    }
  }
  return text;
}

// The pair's table counted from the genotypes: columns the codes present in
// the two populations, in increasing order.
std::vector<std::vector<int>> pairTable(std::size_t a, std::size_t b, std::size_t locus) {
  std::map<int, std::vector<int>> columns;
  for (std::size_t row = 0; row < 2; ++row) {
    for (const Individual& i : kPopulations[row == 0 ? a : b]) {
      for (int code : {i.genotypes[locus].first, i.genotypes[locus].second}) {
        if (code == 0) continue;
        columns[code].resize(2);
        ++columns[code][row];
      }
    }
  }
  std::vector<std::vector<int>> rows(2);
  for (const auto& [code, counts] : columns) {
    rows[0].push_back(counts[0]);
    rows[1].push_back(counts[1]);
  }
  return rows;
}

double pearson(const std::vector<std::vector<int>>& rows) {
  double total = 0, chi = 0;
  std::vector<double> rowSums(2), columnSums(rows[0].size());
  for (std::size_t r = 0; r < 2; ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) rowSums[r] += rows[r][c], columnSums[c] += rows[r][c], total += rows[r][c];
  }
  for (std::size_t r = 0; r < 2; ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      const double expected = rowSums[r] * columnSums[c] / total;
      chi += (rows[r][c] - expected) * (rows[r][c] - expected) / expected;
    }
  }
  return chi;
}

std::vector<std::vector<std::string>> tableRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#' || line.starts_with("pop_a")) continue;
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string field; std::getline(cells, field, '\t');) fields.push_back(field);
    rows.push_back(fields);
  }
  return rows;
}

ProcessResult runPairs(const std::string& program, const ScratchDir& dir, std::vector<std::string> extra = {}) {
  std::vector<std::string> arguments = {"-s", "11", "-b", "20", "-i", "2000", "--pairs", "pairs.tsv",
                                        "--pairs-plot", "pairs.svg", "-t", "res.tsv"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  arguments.push_back("data.gen");
  return runWith(program, arguments, dir);
}

TEST(Pairs, TablesChiSquareExactPAndTotalsAgainstTheTestsOwnCounts) {
  for (const std::string& program : {k3d, kC}) {
    SCOPED_TRACE(program);
    ScratchDir dir;
    dir.write("data.gen", dataFile(4));
    const ProcessResult r = runPairs(program, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string pairs = dir.read("pairs.tsv");
    EXPECT_EQ(pairs.substr(0, pairs.find('\n')), dir.read("res.tsv").substr(0, dir.read("res.tsv").find('\n')));
    const auto rows = tableRows(pairs);
    ASSERT_EQ(rows.size(), 6u * 4u);  // six pairs, three loci and a total each
    std::size_t row = 0;
    for (std::size_t a = 0; a < 4; ++a) {
      for (std::size_t b = a + 1; b < 4; ++b) {
        double fisher = 0, chiSum = 0;
        int tested = 0, dfSum = 0;
        for (std::size_t locus = 0; locus <= 3; ++locus, ++row) {
          const auto& f = rows[row];
          ASSERT_EQ(f.size(), 22u);
          EXPECT_EQ(f[0], std::to_string(a + 1));
          EXPECT_EQ(f[1], std::to_string(b + 1));
          EXPECT_EQ(f[2], std::regex_replace(kPopulations[a].back().name, std::regex("^ +| +$"), ""));
          EXPECT_EQ(f[3], std::regex_replace(kPopulations[b].back().name, std::regex("^ +| +$"), ""));
          if (locus == 3) {  // the pair's totals
            EXPECT_EQ(f[4] + f[5] + f[6] + f[8] + f[9] + f[10] + f[11], "TOTALTOTALNANANANANA");
            if (tested == 0) {
              EXPECT_EQ(f[7] + f[12] + f[13] + f[14], "NANANANA");
              continue;
            }
            EXPECT_NEAR(std::stod(f[7]), exactTail(2 * tested, fisher), 1e-6 * exactTail(2 * tested, fisher));
            EXPECT_NEAR(std::stod(f[12]), chiSum, 1e-12);
            EXPECT_EQ(std::stoi(f[13]), dfSum);
            EXPECT_NEAR(std::stod(f[14]), exactTail(dfSum, chiSum), 1e-6);
            continue;
          }
          EXPECT_EQ(f[4], std::to_string(locus + 1));
          EXPECT_EQ(f[5], kLoci[locus]);
          const auto table = pairTable(a, b, locus);
          EXPECT_EQ(f[6], std::to_string(table[0].size()));
          int first = 0, second = 0;
          for (std::size_t c = 0; c < table[0].size(); ++c) first += table[0][c], second += table[1][c];
          if (table[0].size() < 2 || first == 0 || second == 0) {
            EXPECT_EQ(f[7] + f[8] + f[9] + f[10] + f[11] + f[12] + f[13] + f[14], "NANANANANANANANA");
            continue;
          }
          const double chi = pearson(table), p = std::stod(f[7]), se = std::stod(f[8]);
          const int df = static_cast<int>(table[0].size()) - 1;
          EXPECT_NEAR(std::stod(f[12]), chi, 1e-12 * (1 + chi));
          EXPECT_EQ(std::stoi(f[13]), df);
          EXPECT_NEAR(std::stod(f[14]), exactTail(df, chi), 1e-6);
          const double exact = ExactPValue(table).value();
          EXPECT_LE(std::fabs(p - exact), 4 * se + 0.002) << p << " vs " << exact;
          // Small pair tables are listed: exact to the last digits.
          if (f[11] == "exact") {
            EXPECT_NEAR(p, exact, 1e-12 * exact);
          }
          fisher += -2 * std::log(p == 0 ? 0.00001 : p);
          chiSum += chi;
          dfSum += df;
          ++tested;
        }
      }
    }
  }
}

TEST(Pairs, SameResultsOnAnyThreadCountAndWithoutLaterPopulations) {
  std::string tables[3];
  const std::vector<std::string> options[3] = {{"-j", "1"}, {"-j", "2"}, {}};
  for (int i = 0; i < 3; ++i) {
    ScratchDir dir;
    dir.write("data.gen", dataFile(i == 2 ? 3 : 4));
    ASSERT_EQ(runPairs(k3d, dir, options[i]).status, 0);
    tables[i] = dir.read("pairs.tsv");
  }
  EXPECT_EQ(tables[0], tables[1]);
  // Without population 4 the pairs of 1 to 3 are as they were.
  const auto all = tableRows(tables[0]), some = tableRows(tables[2]);
  ASSERT_EQ(some.size(), 3u * 4u);
  for (const auto& row : some) {
    EXPECT_NE(std::find(all.begin(), all.end(), row), all.end()) << row[0] << "," << row[1] << " " << row[4];
  }
}

TEST(Pairs, HeatmapParsesWithATooltipPerPairAndGreyForUntestedPairs) {
  ScratchDir dir;
  dir.write("data.gen", dataFile(4));
  ASSERT_EQ(runPairs(k3d, dir).status, 0);
  tinyxml2::XMLDocument svg;
  ASSERT_EQ(svg.Parse(dir.read("pairs.svg").c_str()), tinyxml2::XML_SUCCESS);
  std::vector<std::string> tooltips;
  std::vector<const tinyxml2::XMLElement*> stack = {svg.RootElement()};
  while (!stack.empty()) {
    const tinyxml2::XMLElement* element = stack.back();
    stack.pop_back();
    if (std::string(element->Name()) == "title" && element->GetText() != nullptr) tooltips.push_back(element->GetText());
    for (auto* child = element->FirstChildElement(); child != nullptr; child = child->NextSiblingElement()) {
      stack.push_back(child);
    }
  }
  ASSERT_EQ(tooltips.size(), 12u);  // P above the diagonal, theta below
  const auto count = [&](const std::string& end) {
    return std::count_if(tooltips.begin(), tooltips.end(), [&](const std::string& t) { return t.ends_with(end); });
  };
  EXPECT_EQ(count(": not tested"), 3);  // every pair with population 4
  EXPECT_EQ(count(": no estimate of \u03B8"), 3);
  for (const std::string what : {"P = ", "\u03B8 = "}) {
    EXPECT_NE(std::find_if(tooltips.begin(), tooltips.end(),
                           [&](const std::string& t) { return t.starts_with("a 3 \xC3\x97 Bee: " + what); }),
              tooltips.end());
  }
}

}  // namespace
}  // namespace ortelan
