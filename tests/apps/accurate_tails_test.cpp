// Scripted runs whose chi-square tails lie far below the report's five
// decimals: the results table, the pairs table and the heatmap carry them
// (the exact test's P of 0 stays 0), while the report is byte for byte the
// one the programs have always written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>
#include <vector>

#include "apps/programs.h"
#include "chisquare/tail_forms.h"

namespace ortelan {
namespace {

using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::ProcessResult;
using testing::runWith;
using testing::ScratchDir;

// Two populations of 110 individuals, one allele each at every locus: L1
// typed in everyone (chi2 440 on 1 df), L2 to L10 in the first ten of each
// (chi2 40 on 1 df). No chain finds a table as extreme: every P is 0.
std::string apartData(int digits) {
  auto genotype = [digits](int allele) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d%0*d", digits, allele, digits, allele);
    return std::string(text);
  };
  std::string text = "Two populations kept apart\n";
  for (int locus = 1; locus <= 10; ++locus) text += "L" + std::to_string(locus) + "\n";
  for (int allele = 1; allele <= 2; ++allele) {
    text += "Pop\n";
    for (int i = 1; i <= 110; ++i) {
      text += std::string(allele == 1 ? "a" : "b") + std::to_string(i) + ",";
      for (int locus = 1; locus <= 10; ++locus) {
        text += " " + (locus == 1 || i <= 10 ? genotype(allele) : std::string(2 * digits, '0'));
      }
      text += "\n";
    }
  }
  return text;
}

// Q(df/2, chi2/2) to 26 digits, by decimal arithmetic at 90 digits (as in
// tests/chisquare/chi2_tail_test.cpp); Fisher's method over ten P of 0,
// 100 ln 10 on 20 df, in closed form e^-x sum_{k<10} x^k / k!, x = 50 ln 10.
constexpr long double kTail440 = 1.0825456466306582955790402e-97L;
constexpr long double kTail40 = 2.5396285894708649706533621e-10L;
constexpr long double kTail800On10 = 2.0634300270773008715399260e-165L;
constexpr long double kFisherTail = 1.0614969965003146542727421e-37L;

// The reports written before the tables carried accurate tails: the first
// line, then what both layouts share, then each layout's rows.
const char* const kWideFirstLine = "Output from Ortelan_3d (5.0)  Input file: apart.gen    Date: \n";
const char* const kNarrowFirstLine = "Output from Ortelan_c (0.8)  Input file: apart.gen  Date:\n";
const char* const kHead =
    "\n"
    "Two populations kept apart\n"
    "Number of loci =              10\n"
    "Number of individuals =      220\n"
    "Number of populations =        2\n"
    "\n"
    "The P-values from Fisher's exact test were obtained using:\n"
    "100 dememorization steps and a total of 200 iterations\n"
    "(2 batches with 100 iterations/batch).\n"
    "\n";
const char* const kWideRows =
    " Locus                            P(Fisher)       SE(P)             Chi2      df      P(chi2)\n"
    "-----------------------------------------------------------------------------------------------\n"
    " L1                                 0.00000     0.00000          440.000       1      0.00000\n"
    " L2                                 0.00000     0.00000           40.000       1      0.00000\n"
    " L3                                 0.00000     0.00000           40.000       1      0.00000\n"
    " L4                                 0.00000     0.00000           40.000       1      0.00000\n"
    " L5                                 0.00000     0.00000           40.000       1      0.00000\n"
    " L6                                 0.00000     0.00000           40.000       1      0.00000\n"
    " L7                                 0.00000     0.00000           40.000       1      0.00000\n"
    " L8                                 0.00000     0.00000           40.000       1      0.00000\n"
    " L9                                 0.00000     0.00000           40.000       1      0.00000\n"
    " L10                                0.00000     0.00000           40.000       1      0.00000\n"
    "-----------------------------------------------------------------------------------------------\n"
    " TOTAL                              0.00000                      800.000      10      0.00000\n";
const char* const kNarrowRows =
    " Locus                         P(Fisher)        SE(P)      Chi2     df      P(chi2)\n"
    "-----------------------------------------------------------------------------------\n"
    " L1                              0.00000      0.00000   440.000      1      0.00000\n"
    " L2                              0.00000      0.00000    40.000      1      0.00000\n"
    " L3                              0.00000      0.00000    40.000      1      0.00000\n"
    " L4                              0.00000      0.00000    40.000      1      0.00000\n"
    " L5                              0.00000      0.00000    40.000      1      0.00000\n"
    " L6                              0.00000      0.00000    40.000      1      0.00000\n"
    " L7                              0.00000      0.00000    40.000      1      0.00000\n"
    " L8                              0.00000      0.00000    40.000      1      0.00000\n"
    " L9                              0.00000      0.00000    40.000      1      0.00000\n"
    " L10                             0.00000      0.00000    40.000      1      0.00000\n"
    "-----------------------------------------------------------------------------------\n"
    " TOTAL                           0.00000                800.000     10      0.00000\n";

std::string crlf(std::string text) { return std::regex_replace(text, std::regex("\n"), "\r\n"); }

std::string withoutDate(const std::string& report) {
  return std::regex_replace(report, std::regex("Date: [0-9-]+"), "Date:");
}

// Data rows of a table, by the field `key` (a results table's locus, a pairs table's).
std::map<std::string, std::vector<std::string>> rowsBy(const std::string& table, std::size_t key) {
  std::map<std::string, std::vector<std::string>> rows;
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("#") || line.starts_with("locus\t") || line.starts_with("pop_a\t")) continue;
    line.pop_back();  // CR
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string field; std::getline(cells, field, '\t');) fields.push_back(field);
    rows[fields.at(key)] = fields;
  }
  return rows;
}

long double number(const std::string& field) { return std::strtold(field.c_str(), nullptr); }

TEST(AccurateTails, TablesAndHeatmapCarryTinyTailsWhileTheReportStaysAsItWas) {
  struct Program {
    std::string path;
    int digits;
    std::string report;
    long double relative;  // what the program's real type promises
  };
  const std::string wide = crlf(kWideFirstLine + std::string(kHead) + kWideRows);
  const Program programs[] = {
      {k3d, 3, wide, 1e-15L},
      {k2d, 2, std::regex_replace(wide, std::regex("Ortelan_3d"), "Ortelan_2d"), 1e-15L},
      {kC, 3, crlf(kNarrowFirstLine + std::string(kHead) + kNarrowRows), 1e-12L},
  };
  for (const Program& program : programs) {
    SCOPED_TRACE(program.path);
    ScratchDir dir;
    dir.write("apart.gen", apartData(program.digits));
    const ProcessResult r =
        runWith(program.path, {"-q", "-s", "7", "-d", "100", "-b", "2", "-i", "100", "--exact", "never", "--sampler", "chain", "-o", "r.out",
                               "-t", "r.tsv", "--pairs", "p.tsv", "--pairs-plot", "p.svg", "apart.gen"},
                dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(withoutDate(dir.read("r.out")), program.report);

    // A locus, pair-locus or TOTAL row, whose p_fisher is at column pFisher.
    auto check = [&](const std::vector<std::string>& row, std::size_t pFisher, bool total, long double pChi2) {
      if (total) {
        // Ten rounded -2 ln 0.00001 and their sum move the Fisher tail by up
        // to 7e-16 in long double and 5e-14 in double.
        EXPECT_CLOSE(number(row.at(pFisher)), kFisherTail, std::max(1e-14L, program.relative) * kFisherTail);
        EXPECT_EQ(row.at(pFisher + 1), "NA");
      } else {
        // No table as extreme; the chain gives no limits.
        EXPECT_EQ(row.at(pFisher) + " " + row.at(pFisher + 1) + " " + row.at(pFisher + 2) + " " +
                      row.at(pFisher + 3) + " " + row.at(pFisher + 4),
                  "0 0 NA NA chain");
      }
      EXPECT_CLOSE(number(row.at(pFisher + 7)), pChi2, program.relative * pChi2);
    };
    const auto table = rowsBy(dir.read("r.tsv"), 0);
    const auto pairs = rowsBy(dir.read("p.tsv"), 4);
    ASSERT_EQ(table.size(), 11u);
    ASSERT_EQ(pairs.size(), 11u);
    for (const auto& rows : {std::pair{&table, 3u}, std::pair{&pairs, 7u}}) {
      for (const auto& [key, row] : *rows.first) {
        SCOPED_TRACE(key);
        check(row, rows.second, key == "TOTAL", key == "1" ? kTail440 : key == "TOTAL" ? kTail800On10 : kTail40);
      }
    }
    EXPECT_NE(dir.read("p.svg").find("<title>a110 \xC3\x97 b110: P = 1.06e-37 (Fisher's chi2 = 230.26, df = 20)"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace ortelan
