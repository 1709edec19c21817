// Exact P-values in scripted runs: where listing the tables is cheap they
// are exact (method "exact", SE 0) in the tables, pairs, report and plot;
// elsewhere the chain walks; --exact never gives the chain's tables of
// earlier versions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "apps/programs.h"
#include "exacttest/enumeration.h"
#include "support/count_tables.h"
#include "support/exact_p_value.h"
#include "support/same_tables.h"

namespace ortelan::testing {
namespace {

using Rows = std::vector<std::vector<int>>;

// Each table's lines without the columns that came after earlier versions
// (the method, the limits and the F-statistics) and the first line's
// " exact=never sampler=chain": the layout of earlier versions.
std::string withoutNewColumns(const std::string& tables) {
  const std::vector<std::string> added = {"p_low", "p_high", "method", "fis", "fst", "fit", "fst_num", "fst_den",
                                          "fst_low", "fst_high"};
  std::string out;
  std::vector<bool> kept;
  for (std::string line : split(tables, '\n')) {
    if (line.starts_with("#")) {
      out += std::regex_replace(line, std::regex(" exact=never( sampler=chain)?"), "") + "\n";
      continue;
    }
    std::vector<std::string> fields = split(line, '\t');
    // The line end stays with the last field kept.
    const bool crlf = !fields.empty() && fields.back().ends_with("\r");
    if (crlf) fields.back().pop_back();
    if (line.starts_with("locus\t") || line.starts_with("pop_a\t")) {
      kept.clear();
      for (const std::string& head : fields) kept.push_back(std::find(added.begin(), added.end(), head) == added.end());
    }
    line.clear();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i < kept.size() && !kept[i]) continue;
      line += (line.empty() ? "" : "\t") + fields[i];
    }
    out += line + (crlf ? "\r\n" : "\n");
  }
  return out;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The chain's tables of the example, the genic and both G tests with their
// pairs, as the version before exact P-values wrote them:
//   ortelan_3d -q -s 2026 -d 1000 -b 10 -i 500 --test T -o /dev/null -t results.tsv --pairs pairs.tsv trout.gen
// (ortelan_2d on the example in two-digit codes, ortelan_c likewise),
// results then pairs, for T = genic, genic-g, genotypic.
TEST(ExactP, NeverGivesTheChainsTablesOfEarlierVersionsByteForByte) {
  const std::string example = readFile(std::string(ORTELAN_EXAMPLES_DIR) + "/trout.gen");
  const std::string twoDigits = std::regex_replace(example, std::regex("0([0-9]{2})0([0-9]{2})"), "$1$2");
  const struct {
    std::string program, name, file, data;
  } programs[] = {{k3d, "3d", "trout.gen", example}, {k2d, "2d", "trout2.gen", twoDigits}, {kC, "c", "trout.gen", example}};
  for (const auto& p : programs) {
    SCOPED_TRACE(p.program);
    ScratchDir dir;
    dir.write(p.file, p.data);
    std::string tables;
    for (const std::string test : {"genic", "genic-g", "genotypic"}) {
      const ProcessResult r = runWith(p.program,
                                      {"-q", "-s", "2026", "-d", "1000", "-b", "10", "-i", "500", "--test", test,
                                       "--exact", "never", "--sampler", "chain", "-o", "r.out", "-t", "t.tsv",
                                       "--pairs", "p.tsv", p.file},
                                      dir);
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(split(dir.read("t.tsv"), '\n')[0].find(" exact=never sampler=chain\r") != std::string::npos, true);
      tables += dir.read("t.tsv") + dir.read("p.tsv");
    }
    expectSameTables(withoutNewColumns(tables),
                     withoutNewColumns(readFile(std::string(ORTELAN_APP_TEST_DIR) + "/golden/chain-tables-" + p.name +
                                                ".txt")),
                     p.program == kC ? 1e-12 : 1e-15);
  }
}

// A GENEPOP file whose loci have the allele tables `tables` (rows:
// populations; each population the same number of genes at every locus),
// each individual taking the next two of its population's genes.
std::string genepopOf(const std::vector<Rows>& tables, int digits) {
  std::string text = "tables\n";
  for (std::size_t locus = 0; locus < tables.size(); ++locus) text += "L" + std::to_string(locus + 1) + "\n";
  const std::size_t populations = tables[0].size();
  for (std::size_t pop = 0; pop < populations; ++pop) {
    std::vector<std::vector<int>> genes(tables.size());
    for (std::size_t locus = 0; locus < tables.size(); ++locus) {
      for (std::size_t allele = 0; allele < tables[locus][pop].size(); ++allele) {
        genes[locus].insert(genes[locus].end(), static_cast<std::size_t>(tables[locus][pop][allele]),
                            static_cast<int>(allele) + 1);
      }
    }
    text += "Pop\n";
    for (std::size_t i = 0; 2 * i < genes[0].size(); ++i) {
      text += "p" + std::to_string(pop + 1) + "_" + std::to_string(i + 1) + ",";
      for (const auto& atLocus : genes) {
        char genotype[16];
        std::snprintf(genotype, sizeof genotype, " %0*d%0*d", digits, atLocus[2 * i], digits, atLocus[2 * i + 1]);
        text += genotype;
      }
      text += "\n";
    }
  }
  return text;
}

Rows pairOf(const Rows& table, std::size_t a, std::size_t b) {
  Rows pair(2);
  for (std::size_t allele = 0; allele < table[0].size(); ++allele) {
    if (table[a][allele] + table[b][allele] == 0) continue;
    pair[0].push_back(table[a][allele]);
    pair[1].push_back(table[b][allele]);
  }
  return pair;
}

// Three populations of 8 individuals; the SNPs' tables are 3 x 2, their
// pairs 2 x 2; the last locus is a 3 x 3 table.
const std::vector<Rows>& threePopulations() {
  static const std::vector<Rows> tables = {{{12, 4}, {3, 13}, {8, 8}},
                                           {{16, 0}, {0, 16}, {10, 6}},
                                           {{9, 7}, {8, 8}, {7, 9}},
                                           {{8, 8, 0}, {0, 8, 8}, {6, 4, 6}}};
  return tables;
}

TEST(ExactP, SmallTablesAreExactInTheTablesPairsReportAndPlot) {
  const std::vector<Rows>& tables = threePopulations();
  for (const std::string& program : {k3d, kC}) {
    SCOPED_TRACE(program);
    ScratchDir dir;
    dir.write("data.gen", genepopOf(tables, 3));
    const ProcessResult r = runWith(program,
                                    {"-q", "-s", "1", "-t", "t.tsv", "--pairs", "p.tsv", "-o", "r.out", "--manhattan",
                                     "m.svg", "data.gen"},
                                    dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> rows = split(dir.read("t.tsv"), '\n');
    ASSERT_EQ(rows.size(), 7u);
    double fisher = 0;
    for (std::size_t locus = 0; locus < tables.size(); ++locus) {
      const std::vector<std::string> f = split(rows[locus + 2], '\t');
      const double exact = ExactPValue(tables[locus]).value();
      // SE 0, and the limits of an exact P are itself.
      EXPECT_EQ(f[4] + " " + f[5] + " " + f[6] + " " + f[7], "0 " + f[3] + " " + f[3] + " exact") << "locus " << locus + 1;
      EXPECT_NEAR(std::stod(f[3]), exact, 1e-9 * exact) << "locus " << locus + 1;
      fisher += -2 * std::log(std::stod(f[3]));
    }
    // Fisher's method takes exact P-values as they come: 8 df, as e^-x/2 (1 + x/2 + x^2/8 + x^3/48).
    const std::vector<std::string> total = split(rows[6], '\t');
    const double h = fisher / 2;
    EXPECT_NEAR(std::stod(total[3]), std::exp(-h) * (1 + h + h * h / 2 + h * h * h / 6), 1e-12);
    EXPECT_EQ(total[4] + total[5] + total[6] + total[7], "NANANANA");

    const std::vector<std::string> pairs = split(dir.read("p.tsv"), '\n');
    ASSERT_EQ(pairs.size(), 2u + 3u * 5u);
    for (std::size_t row = 2; row < pairs.size(); ++row) {
      const std::vector<std::string> f = split(pairs[row], '\t');
      if (f[4] == "TOTAL") continue;
      const std::size_t a = std::stoul(f[0]) - 1, b = std::stoul(f[1]) - 1, locus = std::stoul(f[4]) - 1;
      const double exact = ExactPValue(pairOf(tables[locus], a, b)).value();
      EXPECT_EQ(f[11], "exact") << pairs[row];
      EXPECT_NEAR(std::stod(f[7]), exact, 1e-9 * exact) << pairs[row];
    }
    EXPECT_NE(dir.read("r.out").find("\r\n 4 of the 4 P-values are exact, from every table with the locus's margins: "
                                     "their SE(P) of 0 means exact.\r\n"),
              std::string::npos);
    EXPECT_NE(dir.read("m.svg").find(">Exact P at 4 loci (every table with the locus's margins listed), drawn at its "
                                     "height; 0 P are chain estimates.</text>"),
              std::string::npos);
  }
}

TEST(ExactP, LargerTablesAreSampledOrWalkedAndEvery2x2IsExact) {
  // Six populations of 40 individuals at five alleles: far too many tables.
  Rows big(6, std::vector<int>(5));
  for (std::size_t pop = 0; pop < 6; ++pop) {
    for (std::size_t allele = 0; allele < 5; ++allele) big[pop][allele] = 16;
  }
  big[0] = {30, 10, 20, 12, 8};
  const std::vector<Rows> tables = {big};
  ScratchDir dir;
  dir.write("data.gen", genepopOf(tables, 2));
  for (const std::vector<std::string>& chain : {std::vector<std::string>{}, {"-d", "0", "-b", "2", "-i", "1"}}) {
    for (const std::string sampler : {"independent", "chain"}) {
    std::vector<std::string> arguments = {"-q", "-s", "3", "-t", "-", "--pairs", "p.tsv", "-o", "/dev/null",
                                          "--sampler", sampler};
    arguments.insert(arguments.end(), chain.begin(), chain.end());
    arguments.push_back("data.gen");
    const ProcessResult r = runWith(k2d, arguments, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(split(split(r.out, '\n')[2], '\t')[7], sampler == "chain" ? "chain" : "sampled");
    // The pairs of populations 2 to 6 hold the same counts: 2 x 5 tables of
    // many tables each; with the shortest chain, every pair walks.
    if (!chain.empty()) {
      EXPECT_EQ(dir.read("p.tsv").find("\texact\t"), std::string::npos);
    }
    }
  }
  // A 2 x 2 table of 20,000 genes is exact even with a chain of two steps.
  dir.write("snp.gen", genepopOf({{{5200, 4800}, {4800, 5200}}}, 2));
  const ProcessResult r = runWith(k2d, {"-q", "-s", "3", "-d", "0", "-b", "2", "-i", "1", "-t", "-", "-o", "/dev/null",
                                        "snp.gen"},
                                  dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> f = split(split(r.out, '\n')[2], '\t');
  EXPECT_EQ(f[7], "exact");
  // Rscript -e 'format(fisher.test(matrix(c(5200, 4800, 4800, 5200), 2))$p.value, digits = 17)'
  EXPECT_NEAR(std::stod(f[3]), 1.6668794111431706e-08, 1e-9 * 1.6668794111431706e-08);
}

TEST(ExactP, AnUnknownSettingIsAUsageError) {
  ScratchDir dir;
  dir.write("data.gen", genepopOf({{{3, 1}, {1, 3}}}, 3));
  const ProcessResult r = runWith(k3d, {"--exact", "always", "data.gen"}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "ortelan_3d: error: --exact: must be auto or never\nRun with --help for more information.\n");
  EXPECT_EQ(dir.listing(), "data.gen\n");
}

}  // namespace
}  // namespace ortelan::testing

namespace ortelan::testing {
namespace {

// Where no table is listed, independent tables: in the results and pairs
// tables P lies within its limits, never 0, and the exact P within them
// at these seeds; the report and the plot say how many are sampled, and
// the plot draws no P at 0.
TEST(ExactP, SampledPValuesInTheTablesPairsReportAndPlot) {
  const std::vector<Rows>& tables = threePopulations();
  for (const std::string& program : {k3d, kC}) {
    SCOPED_TRACE(program);
    ScratchDir dir;
    dir.write("data.gen", genepopOf(tables, 3));
    const ProcessResult r = runWith(program,
                                    {"-q", "-s", "1", "--exact", "never", "-t", "t.tsv", "--pairs", "p.tsv", "-o",
                                     "r.out", "--manhattan", "m.svg", "data.gen"},
                                    dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> rows = split(dir.read("t.tsv"), '\n');
    EXPECT_NE(rows[0].find(" exact=never sampler=independent hits=100 samples=auto\r"), std::string::npos);
    for (std::size_t locus = 0; locus < tables.size(); ++locus) {
      const std::vector<std::string> f = split(rows[locus + 2], '\t');
      const double exact = ExactPValue(tables[locus]).value();
      const double p = std::stod(f[3]), se = std::stod(f[4]), low = std::stod(f[5]), high = std::stod(f[6]);
      EXPECT_EQ(f[7], "sampled");
      EXPECT_GT(p, 0);
      EXPECT_LE(low, p);
      EXPECT_GE(high, p);
      EXPECT_LE(low, exact) << "locus " << locus + 1;
      EXPECT_GE(high, exact) << "locus " << locus + 1;
      EXPECT_LE(std::fabs(p - exact), 3 * se) << "locus " << locus + 1;
    }
    const std::vector<std::string> pairs = split(dir.read("p.tsv"), '\n');
    for (std::size_t row = 2; row < pairs.size(); ++row) {
      const std::vector<std::string> f = split(pairs[row], '\t');
      if (f[4] == "TOTAL") continue;
      EXPECT_EQ(f[11], "sampled");
      EXPECT_LE(std::stod(f[9]), std::stod(f[7]));
      EXPECT_GE(std::stod(f[10]), std::stod(f[7]));
    }
    EXPECT_NE(dir.read("r.out").find("\r\n 4 of the 4 P-values were sampled from independent tables under the null "
                                     "hypothesis: never 0, with a binomial SE(P); the results table gives their 95 % "
                                     "limits.\r\n"),
              std::string::npos);
    const std::string plot = dir.read("m.svg");
    EXPECT_NE(plot.find(">4 P from independent tables with their 95 % limits, never 0. Each drawn at its height.</text>"),
              std::string::npos);
    EXPECT_EQ(plot.find("P = 0 at"), std::string::npos);
  }
}

// With few tables the most extreme loci reach no hit: the report and the
// plot name them and their floor 1/(B + 1).
TEST(ExactP, SampledPValuesAtTheirFloorAreNamedInTheReportAndPlot) {
  ScratchDir dir;
  dir.write("data.gen", genepopOf(threePopulations(), 3));
  const ProcessResult r = runWith(
      k3d, {"-q", "-s", "1", "--exact", "never", "--samples", "99", "-t", "t.tsv", "-o", "r.out", "--manhattan", "m.svg",
            "data.gen"},
      dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> rows = split(dir.read("t.tsv"), '\n');
  int floors = 0;
  for (std::size_t locus = 0; locus < threePopulations().size(); ++locus) {
    const std::vector<std::string> f = split(rows[locus + 2], '\t');
    if (std::stod(f[5]) > 0) continue;
    ++floors;
    EXPECT_EQ(std::stod(f[3]), 0.01) << "locus " << locus + 1;
  }
  ASSERT_GE(floors, 2);
  EXPECT_NE(dir.read("r.out").find(" Of those, " + std::to_string(floors) +
                                   " reached no hit (no table drawn was as extreme as the observed one): each is at its "
                                   "floor 1/(B + 1) for its B tables, here 0.01 (B = 99); a larger --samples resolves "
                                   "them.\r\n"),
            std::string::npos);
  EXPECT_NE(dir.read("m.svg").find(">" + std::to_string(floors) +
                                   " loci reached no hit among their independent tables: each P at its floor 1/(B + 1) "
                                   "for B tables, 0.0100 (B = 99); a larger --samples resolves them.</text>"),
            std::string::npos);
}

}  // namespace
}  // namespace ortelan::testing

namespace ortelan::testing {
namespace {

// Six populations of 20 individuals. L1, a SNP far from the null, and the
// pairs of L3 across its two groups (2 x 10 tables, each population fixed
// for alleles of its own) lie far in the tail: method "tail", their exact
// P within limits at most 1.5 apart. L2, a SNP near the null, is settled by
// independent tables. Each locus's P is the same on any number of threads
// and in a run of that locus alone.
TEST(ExactP, FarTailPValuesInTheTablesPairsReportAndPlot) {
  Rows l3(6, std::vector<int>(10, 0));
  for (std::size_t pop = 0; pop < 6; ++pop) {
    for (std::size_t allele = 0; allele < 5; ++allele) l3[pop][pop < 3 ? allele : allele + 5] = 8;
  }
  const std::vector<Rows> tables = {{{36, 4}, {4, 36}, {34, 6}, {6, 34}, {32, 8}, {20, 20}},
                                    {{20, 20}, {22, 18}, {18, 22}, {21, 19}, {19, 21}, {20, 20}},
                                    l3};
  // Of the 2 x 10 tables of 80 genes with these margins, the C(10, 5) that
  // fill five columns in the first row are as improbable as the observed
  // one, 1 / C(80, 40), and every other is more probable.
  const double apart = std::exp(std::log(252.0) - (std::lgamma(81.0) - 2 * std::lgamma(41.0)));
  // L1's exact P, every table listed.
  ChainWorkspace workspace;
  const double l1 = enumeratedP<double>(tableOf(tables[0]), {}, workspace);
  for (const std::string& program : {k3d, kC}) {
    SCOPED_TRACE(program);
    ScratchDir dir;
    dir.write("data.gen", genepopOf(tables, 3));
    const ProcessResult r = runWith(program,
                                    {"-q", "-s", "5", "-j", "2", "-t", "t.tsv", "--pairs", "p.tsv", "-o", "r.out",
                                     "--manhattan", "m.svg", "data.gen"},
                                    dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> rows = split(dir.read("t.tsv"), '\n');
    const auto expectTail = [](const std::vector<std::string>& f, std::size_t at, double exact, const std::string& what) {
      const double p = std::stod(f[at]), low = std::stod(f[at + 2]), high = std::stod(f[at + 3]);
      EXPECT_EQ(f[at + 4], "tail") << what;
      EXPECT_GT(p, 0) << what;
      EXPECT_LE(low, p) << what;
      EXPECT_GE(high, p) << what;
      EXPECT_LE(high, 1.5 * low) << what;
      EXPECT_LE(low, exact) << what;
      EXPECT_GE(high, exact) << what;
    };
    expectTail(split(rows[2], '\t'), 3, l1, "L1");
    EXPECT_EQ(split(rows[3], '\t')[7], "sampled");
    int tails = 0;
    for (const std::string& row : split(dir.read("p.tsv"), '\n')) {
      const std::vector<std::string> f = split(row, '\t');
      if (f.size() < 12 || f[4] != "3" || std::stoi(f[0]) > 3 || std::stoi(f[1]) < 4) continue;
      expectTail(f, 7, apart, row);
      ++tails;
    }
    EXPECT_EQ(tails, 9);
    EXPECT_NE(dir.read("r.out").find("\r\n 1 of the 3 P-values lie far in the tail, from tables drawn from a law "
                                     "tilted towards it and weighted back: never 0; the results table gives their "
                                     "95 % limits.\r\n"),
              std::string::npos);
    EXPECT_NE(dir.read("m.svg").find("; 1 P far in the tail (tilted tables) with their 95 % limits"), std::string::npos);
    // One thread, and L1 alone.
    for (const std::vector<std::string>& other : {std::vector<std::string>{"-j", "1"}, {"--loci", "1"}}) {
      std::vector<std::string> arguments = {"-q", "-s", "5", "-t", "o.tsv", "-o", "/dev/null"};
      arguments.insert(arguments.end(), other.begin(), other.end());
      arguments.push_back("data.gen");
      ASSERT_EQ(runWith(program, arguments, dir).status, 0);
      EXPECT_EQ(split(dir.read("o.tsv"), '\n')[2], rows[2]) << other[0];
    }
  }
}

// A P far below the smallest double: six populations of 100 individuals,
// each fixed for one allele or the other. The C(6, 3) tables that fix
// three populations for each allele are all as improbable as the observed
// one, 1 / C(1200, 600), so P = 20 / C(1200, 600), some 1e-359. The 80-bit
// programs give it; ortelan_c, whose reals are doubles, gives the smallest
// normal double, as it gives an exact P below it.
TEST(ExactP, AFarTailPBelowTheSmallestDoubleIsNeverZero) {
  const std::vector<Rows> tables = {{{200, 0}, {0, 200}, {200, 0}, {0, 200}, {200, 0}, {0, 200}}};
  const long double lnP = std::log(20.0L) - (std::lgamma(1201.0L) - 2 * std::lgamma(601.0L));
  for (const std::string& program : {k3d, kC}) {
    SCOPED_TRACE(program);
    ScratchDir dir;
    dir.write("data.gen", genepopOf(tables, 3));
    const ProcessResult r = runWith(program, {"-q", "-s", "7", "-t", "-", "-o", "/dev/null", "data.gen"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> f = split(split(r.out, '\n')[2], '\t');
    EXPECT_EQ(f[7], "tail");
    const long double p = std::strtold(f[3].c_str(), nullptr);
    if (program == kC) {
      EXPECT_EQ(f[3], "2.2250738585072014e-308");
    } else {
      const long double low = std::strtold(f[5].c_str(), nullptr), high = std::strtold(f[6].c_str(), nullptr);
      EXPECT_LE(low, std::exp(lnP));
      EXPECT_GE(high, std::exp(lnP));
      EXPECT_LE(high, 1.5L * low);
      EXPECT_NEAR(static_cast<double>(std::log(p) - lnP), 0, 0.4);
    }
  }
}

}  // namespace
}  // namespace ortelan::testing
