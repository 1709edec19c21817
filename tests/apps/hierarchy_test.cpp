// Groups, the hierarchical analysis and the permutation tests through the
// real programs: the analysis against ade4's amova() on complete data (its
// output recorded in tests/fstat/peers/ with the command that made it);
// groups from a population map's third column as from a groups file; every
// fault of the groups in one line with status 2; shards of a run, their
// permutation tables merged, giving the whole run's tests and tables; and
// the permutation tables of shards that do not fit together refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "apps/programs.h"
#include "support/variant_tools.h"

namespace ortelan::testing {
namespace {

const std::string kPeers = std::string(ORTELAN_TESTS_DIR) + "/fstat/peers/";

std::vector<std::vector<std::string>> rowsOf(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    std::vector<std::string> fields;
    std::istringstream cut(line);
    for (std::string field; std::getline(cut, field, '\t');) fields.push_back(field);
    rows.push_back(fields);
  }
  return rows;
}

// A table's field of `column` in the row whose field 1 (the name) is `name`.
std::string field(const std::vector<std::vector<std::string>>& rows, const std::string& name, const std::string& column) {
  const auto& header = rows.front();
  const std::size_t at = static_cast<std::size_t>(std::find(header.begin(), header.end(), column) - header.begin());
  for (const auto& row : rows) {
    if (row.size() > 1 && row[1] == name) return row.at(at);
  }
  ADD_FAILURE() << "no row " << name;
  return "";
}

double number(const std::string& text) { return text == "NA" ? std::nan("") : std::stod(text); }

// ade4's rows: locus, level, df, ss, sigma.
std::vector<std::vector<std::string>> ade4Rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows = rowsOf(text);
  rows.erase(rows.begin());  // the header
  return rows;
}

TEST(Hierarchy, TheAnalysisOfVarianceIsAde4sOnCompleteData) {
  ScratchDir dir;
  dir.write("amova.gen", dir.read(kPeers + "amova.gen"));
  dir.write("amova.groups", dir.read(kPeers + "amova.groups"));
  const auto ade4 = ade4Rows(dir.read(kPeers + "ade4-amova.tsv"));
  ASSERT_EQ(ade4.size(), 20u);
  for (const std::string& program : {k3d, kC}) {
    SCOPED_TRACE(program);
    const ProcessResult r = runWith(program, {"-q", "-s", "1", "--groups", "amova.groups", "--hierarchy", "h.tsv",
                                              "-o", "r.out", "amova.gen"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto table = rowsOf(dir.read("h.tsv"));
    std::map<std::string, double> summed;
    for (const auto& row : ade4) {
      const std::string& level = row[1];
      for (const auto& [what, column] : {std::pair{"df", 2}, {"ss", 3}, {"sigma2", 4}}) {
        const double expected = std::stod(row[static_cast<std::size_t>(column)]);
        const double got = number(field(table, row[0], std::string(what) + "_" + level));
        EXPECT_NEAR(got, expected, 1e-9) << row[0] << " " << what << " " << level;
        summed[std::string(what) + "_" + level] += expected;
      }
    }
    // Over loci: the components, sums of squares and df add.
    for (const auto& [column, total] : summed) EXPECT_NEAR(number(field(table, "TOTAL", column)), total, 1e-9) << column;
    // The report's section, from its heading on.
    const std::string report = dir.read("r.out");
    EXPECT_NE(report.find("Analysis of molecular variance, 6 populations in 3 groups"), std::string::npos) << report;
    EXPECT_TRUE(std::regex_search(report, std::regex(" Among populations within groups +3 +38\\.64505 ")))
        << report;
  }
}

// Recorded with tests/fstat/peers/amova.R, made again (R and ade4 are test
// dependencies of scripts/install-deps.sh), and compared as numbers.
TEST(Hierarchy, RecordedAde4OutputIsWhatAde4Makes) {
  ScratchDir dir;
  for (const char* file : {"amova.R", "amova.gen", "amova.groups"}) dir.write(file, dir.read(kPeers + file));
  const ProcessResult r = runToolWithErrors("Rscript", {"amova.R", "amova.gen", "amova.groups"});
  const auto made = ade4Rows(r.out), recorded = ade4Rows(dir.read(kPeers + "ade4-amova.tsv"));
  ASSERT_EQ(made.size(), recorded.size());
  for (std::size_t k = 0; k < made.size(); ++k) {
    EXPECT_EQ(made[k][0] + made[k][1], recorded[k][0] + recorded[k][1]);
    for (std::size_t column = 2; column < 5; ++column) {
      EXPECT_NEAR(std::stod(made[k][column]), std::stod(recorded[k][column]), 1e-9) << k;
    }
  }
}

// 24 samples of four populations, groups in the map's third column.
void writeGroupedVcf(const ScratchDir& dir) {
  std::uint32_t state = 2024;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % 1000;
  };
  std::string text = "##fileformat=VCFv4.2\n##contig=<ID=chr1>\n"
                     "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
                     "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  std::string map, twoColumns;
  const char* populations[] = {"n1", "n2", "s1", "s2"};
  for (int s = 0; s < 24; ++s) {
    text += "\ts" + std::to_string(s);
    const std::string pop = populations[s % 4];
    map += "s" + std::to_string(s) + "\t" + pop + "\t" + (pop[0] == 'n' ? "north" : "south") + "\n";
    twoColumns += "s" + std::to_string(s) + "\t" + pop + "\n";
  }
  text += "\n";
  for (int k = 1; k <= 30; ++k) {
    const int alleles = k % 5 == 0 ? 3 : 2;
    text += "chr1\t" + std::to_string(100 * k) + "\t.\tA\t" + (alleles == 3 ? "C,G" : "C") + "\t.\tPASS\t.\tGT";
    for (int s = 0; s < 24; ++s) {
      if (next() < 40) {
        text += "\t./.";
        continue;
      }
      const unsigned common = s % 4 < 2 ? 700 : 300;
      auto allele = [&] { return next() < common ? 0 : 1 + static_cast<int>(next() % (alleles - 1)); };
      text += "\t" + std::to_string(allele()) + "/" + std::to_string(allele());
    }
    text += "\n";
  }
  dir.write("calls.vcf", text);
  dir.write("grouped.txt", map);
  dir.write("pops.txt", twoColumns);
  dir.write("groups.txt", "n1 north\nn2 north\ns1 south\ns2 south\n");
}

TEST(Hierarchy, GroupsOfAMapsThirdColumnAsOfAGroupsFileAndTheirFaultsInOneLine) {
  ScratchDir dir;
  writeGroupedVcf(dir);
  const std::vector<std::string> run = {"-q", "-s", "9", "--test", "none", "--permutations", "99", "-o", "r.out"};
  auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  ASSERT_EQ(runWith(k2d, with(run, {"--popmap", "grouped.txt", "--hierarchy", "a.tsv", "calls.vcf"}), dir).status, 0);
  const ProcessResult r =
      runWith(k2d, with(run, {"--popmap", "pops.txt", "--groups", "groups.txt", "--hierarchy", "b.tsv", "calls.vcf"}), dir);
  ASSERT_EQ(r.status, 0) << r.err;
  // The same analysis and tests, whatever gave the groups (the first line
  // names the map and the groups file).
  const std::string a = dir.read("a.tsv"), b = dir.read("b.tsv");
  EXPECT_EQ(a.substr(a.find('\n')), b.substr(b.find('\n')));
  EXPECT_NE(field(rowsOf(a), "TOTAL", "p_ct"), "NA");
  const struct {
    std::vector<std::string> arguments;
    std::string error;
  } faults[] = {
      {{"--popmap", "grouped.txt", "--groups", "groups.txt", "calls.vcf"},
       "the population map grouped.txt gives the groups: give them once, not with --groups too"},
      {{"--popmap", "pops.txt", "--groups", "one.txt", "calls.vcf"},
       "one.txt: every population is in group north: at least two groups are needed"},
      {{"--popmap", "pops.txt", "--groups", "twice.txt", "calls.vcf"},
       "twice.txt: line 3: population n1 is in group south here and in north on line 1"},
      {{"--popmap", "pops.txt", "--groups", "short.txt", "calls.vcf"}, "short.txt: population s2 (number 4) has no group"},
      {{"--popmap", "pops.txt", "--permutations-table", "g.tsv", "calls.vcf"},
       "--permutations-table goes with --permutations"},
  };
  dir.write("one.txt", "n1 north\nn2 north\ns1 north\ns2 north\n");
  dir.write("twice.txt", "n1 north\nn2 north\nn1 south\ns1 south\ns2 south\n");
  dir.write("short.txt", "n1 north\nn2 north\ns1 south\n");
  for (const auto& [arguments, error] : faults) {
    const ProcessResult f = runWith(k2d, with({"-q", "-o", "x.out"}, arguments), dir);
    EXPECT_EQ(f.status, 2) << error;
    EXPECT_NE(f.err.find("ortelan_2d: error: " + error + "\n"), std::string::npos) << f.err;
    EXPECT_FALSE(dir.exists("x.out"));
  }
}

TEST(Permutations, ShardsWithTheirPermutationTablesMergeIntoTheWholeRun) {
  ScratchDir dir;
  writeGroupedVcf(dir);
  const std::vector<std::string> run = {"-q", "-s", "4", "--test", "none", "--permutations", "199", "--hits", "30",
                                        "--popmap", "grouped.txt", "-o", "/dev/null", "--pairs"};
  auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  for (const std::string& program : {k2d, kC}) {
    SCOPED_TRACE(program);
    ASSERT_EQ(runWith(program, with(run, {"whole-pairs.tsv", "-t", "whole.tsv", "--hierarchy", "whole-h.tsv", "-j", "1",
                                          "calls.vcf"}), dir).status, 0);
    // Two threads and the permutation table change nothing.
    ASSERT_EQ(runWith(program, with(run, {"again-pairs.tsv", "-t", "again.tsv", "-j", "2", "--permutations-table",
                                          "again-g.tsv", "calls.vcf"}), dir).status, 0);
    EXPECT_EQ(dir.read("again.tsv"), dir.read("whole.tsv"));
    EXPECT_EQ(dir.read("again-pairs.tsv"), dir.read("whole-pairs.tsv"));
    std::vector<std::string> shards;
    for (const std::string loci : {"1-12", "13-30"}) {
      const ProcessResult r = runWith(program, with(run, {loci + "-pairs.tsv", "--loci", loci, "-t", loci + ".tsv",
                                                          "--hierarchy", loci + "-h.tsv", "--permutations-table",
                                                          loci + "-g.tsv", "calls.vcf"}), dir);
      ASSERT_EQ(r.status, 0) << r.err;
      for (const char* kind : {".tsv", "-pairs.tsv", "-h.tsv", "-g.tsv"}) shards.push_back(loci + kind);
    }
    const ProcessResult m = runWith(program, with({"merge", "-t", "m.tsv", "--pairs", "m-pairs.tsv", "--hierarchy",
                                                   "m-h.tsv", "--permutations-table", "m-g.tsv"}, shards), dir);
    ASSERT_EQ(m.status, 0) << m.err;
    const auto body = [](const std::string& text) { return text.substr(text.find('\n')); };
    EXPECT_EQ(body(dir.read("m.tsv")), body(dir.read("whole.tsv")));
    EXPECT_EQ(body(dir.read("m-pairs.tsv")), body(dir.read("whole-pairs.tsv")));
    EXPECT_EQ(body(dir.read("m-h.tsv")), body(dir.read("whole-h.tsv")));
    EXPECT_EQ(body(dir.read("m-g.tsv")), body(dir.read("again-g.tsv")));

    // Shards that do not fit together: refused in one line, status 2 (the
    // same in every program: tried with one).
    if (program != k2d) continue;
    const std::string table = dir.read("13-30-g.tsv");
    dir.write("cut-g.tsv", table.substr(0, table.rfind("\r\n", table.size() - 3) + 2));  // the last permutation gone
    std::string other = table;
    other.replace(other.find("among_populations\t"), 17, "within_groups_xx\t");
    dir.write("other-g.tsv", other);
    const struct {
      std::vector<std::string> tables;
      std::string error;
    } misfits[] = {
        {{"1-12.tsv", "13-30.tsv", "1-12-g.tsv"},
         "1 shard's permutation tables for 2 shards' results tables: give each shard's once"},
        {{"1-12.tsv", "13-30.tsv"},
         "the shards were run with --permutations: give their permutation tables (--permutations-table) too, whose "
         "sums make the tests over all the loci"},
        {{"1-12.tsv", "13-30.tsv", "1-12-g.tsv", "cut-g.tsv"}, "cut-g.tsv: test pair 3,4 ends at permutation 198 of 199"},
        {{"1-12.tsv", "13-30.tsv", "1-12-g.tsv", "1-12-g.tsv"},
         "the permutation tables sum G over 24 loci, the results tables hold 30 with two alleles or more: they are not "
         "the same shards"},
    };
    for (const auto& [tables, error] : misfits) {
      const ProcessResult f = runWith(program, with({"merge", "-t", "x.tsv"}, tables), dir);
      EXPECT_EQ(f.status, 2) << error;
      EXPECT_NE(f.err.find(error), std::string::npos) << f.err;
      EXPECT_FALSE(dir.exists("x.tsv"));
    }
  }
}

}  // namespace
}  // namespace ortelan::testing
