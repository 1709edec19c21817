// F_ST in windows and the outlier test through the real programs: the
// windows against vcftools and the outlier fit and test against an
// independent computation in R (both kept in tests/fstat/peers, with the
// commands that made them, and made again here); shards merged into the
// whole run's tables; loci made far more differentiated than the rest
// found; too few loci; and the faults of the options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "apps/programs.h"
#include "support/printed_numbers.h"
#include "support/synthetic_scan.h"
#include "support/variant_tools.h"

namespace ortelan::testing {
namespace {

const std::string kPeers = std::string(ORTELAN_TESTS_DIR) + "/fstat/peers/";

// A tab- or blank-separated table: its comment line, its columns by name
// and its rows.
struct Rows {
  std::string comment;
  std::map<std::string, std::size_t> column;
  std::vector<std::vector<std::string>> rows;

  const std::string& at(std::size_t row, const std::string& name) const { return rows[row].at(column.at(name)); }
};

Rows readRows(const std::string& text, bool hasHeader = true) {
  Rows table;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("#")) {
      table.comment = line;
      continue;
    }
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string field; cells >> field;) fields.push_back(field);
    if (hasHeader && table.column.empty()) {
      for (std::size_t k = 0; k < fields.size(); ++k) table.column[fields[k]] = k;
      continue;
    }
    table.rows.push_back(fields);
  }
  return table;
}

double number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// The value of `key=` in a table's first line.
std::string setting(const std::string& comment, const std::string& key) {
  const std::size_t at = comment.find(" " + key + "=");
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size() + 2;
  return comment.substr(start, comment.find(' ', start) - start);
}

// `ours` rounds to what vcftools printed with six significant digits
// (within the rounding of the last one: its own sums differ from ours in
// the last bits, and a printed 0 is a sum that cancelled).
void expectSixDigits(const std::string& ours, const std::string& printed) {
  const double value = number(printed);
  const double half = value == 0 ? 1e-12 : 0.50001 * std::pow(10.0, std::floor(std::log10(std::fabs(value))) - 5);
  EXPECT_NEAR(number(ours), value, half) << ours << " printed as " << printed;
}

// Our windows table equals vcftools' windowed output: the windows, their
// N_VARIANTS, and WEIGHTED_FST and MEAN_FST to its six printed digits.
void expectWindowsOfVcftools(const std::string& ours, const std::string& vcftoolsPath) {
  const Rows mine = readRows(ours);
  std::ifstream in(vcftoolsPath);
  const Rows theirs = readRows(std::string(std::istreambuf_iterator<char>(in), {}));
  ASSERT_EQ(mine.rows.size(), theirs.rows.size());
  for (std::size_t k = 0; k < mine.rows.size(); ++k) {
    SCOPED_TRACE(theirs.at(k, "CHROM") + ":" + theirs.at(k, "BIN_START"));
    EXPECT_EQ(mine.at(k, "chrom"), theirs.at(k, "CHROM"));
    EXPECT_EQ(mine.at(k, "start"), theirs.at(k, "BIN_START"));
    EXPECT_EQ(mine.at(k, "end"), theirs.at(k, "BIN_END"));
    EXPECT_EQ(mine.at(k, "sites"), theirs.at(k, "N_VARIANTS"));
    expectSixDigits(mine.at(k, "fst"), theirs.at(k, "WEIGHTED_FST"));
    expectSixDigits(mine.at(k, "mean_fst"), theirs.at(k, "MEAN_FST"));
  }
}

// The peers' runs: five populations in windows of 10 kb every 5 kb, two in
// windows of 2,500 bp every 700 (of sites 1 kb apart: one to three a window).
struct PeerRun {
  const char* name;
  const char* map;
  const char* windows;
  std::vector<std::string> populations;
};
const PeerRun kPeerRuns[] = {{"five", "panel.popmap", "10000:5000", {"P1", "P2", "P3", "P4", "P5"}},
                             {"two", "panel2.popmap", "2500:700", {"P1", "P2"}}};

// tests/fstat/peers holds the panel of fstat_test.cpp (200 biallelic SNPs,
// 50 samples in five populations, missing and half-missing genotypes) and
// what vcftools 0.1.16 made of it in windows:
//   vcftools --vcf panel.vcf --weir-fst-pop P1.txt ... --weir-fst-pop P5.txt
//     --fst-window-size 10000 --fst-window-step 5000 --out five -> vcftools-five.windowed.weir.fst
//   vcftools --vcf panel.vcf --weir-fst-pop P1.txt --weir-fst-pop P2.txt
//     --fst-window-size 2500 --fst-window-step 700 --out two -> vcftools-two.windowed.weir.fst
TEST(Windows, AgreeWithVcftoolsInTwoAndFivePopulations) {
  ScratchDir dir;
  for (const std::string& program : {k2d, kC}) {
    for (const PeerRun& peer : kPeerRuns) {
      SCOPED_TRACE(program + " " + peer.name);
      const ProcessResult r = runWith(program, {"-q", "-s", "3", "--test", "none", "--popmap", kPeers + peer.map, "-o",
                                                "/dev/null", "--windows", peer.windows, "--windows-table", "w.tsv",
                                                kPeers + "panel.vcf"}, dir);
      ASSERT_EQ(r.status, 0) << r.err;
      expectWindowsOfVcftools(dir.read("w.tsv"), kPeers + "vcftools-" + peer.name + ".windowed.weir.fst");
      EXPECT_EQ(setting(readRows(dir.read("w.tsv")).comment, "windows"), peer.windows);
    }
  }
}

// The R script tests/fstat/peers/outliers.R computes the outlier test of
// the panel apart (R 4.2.2):
//   Rscript outliers.R panel.vcf panel.popmap > outliers-five.tsv
//   Rscript outliers.R panel.vcf panel2.popmap > outliers-two.tsv
// Its df, background F and every candidate's he, F, p and q agree to 1e-6.
TEST(Outliers, FitAndTestAgreeWithAnIndependentComputationInR) {
  ScratchDir dir;
  for (const std::string& program : {k2d, kC}) {
    for (const PeerRun& peer : kPeerRuns) {
      SCOPED_TRACE(program + " " + peer.name);
      const ProcessResult r = runWith(program, {"-q", "-s", "3", "--test", "none", "--popmap", kPeers + peer.map, "-o",
                                                "/dev/null", "--outliers", "-t", "t.tsv", kPeers + "panel.vcf"}, dir);
      ASSERT_EQ(r.status, 0) << r.err;
      const Rows ours = readRows(dir.read("t.tsv"));
      std::ifstream in(kPeers + "outliers-" + peer.name + ".tsv");
      std::string fit;
      std::getline(in, fit);
      std::istringstream fitFields(fit.substr(2));
      double df = 0, fbar = 0;
      fitFields >> df >> fbar;
      EXPECT_NEAR(number(setting(ours.comment, "outlier_df")) / df, 1, 1e-6);
      EXPECT_NEAR(number(setting(ours.comment, "outlier_f")) / fbar, 1, 1e-6);
      EXPECT_EQ(setting(ours.comment, "outlier_min_he"), "0.1");
      const Rows theirs = readRows(std::string(std::istreambuf_iterator<char>(in), {}), false);
      std::size_t k = 0;
      for (std::size_t row = 0; row + 1 < ours.rows.size(); ++row) {
        if (ours.at(row, "he") == "NA") {
          EXPECT_EQ(ours.at(row, "q_outlier"), "NA");
          continue;
        }
        ASSERT_LT(k, theirs.rows.size());
        const std::vector<std::string>& expected = theirs.rows[k++];
        SCOPED_TRACE(expected[0] + ":" + expected[1]);
        EXPECT_EQ(ours.at(row, "chrom") + ":" + ours.at(row, "pos"), expected[0] + ":" + expected[1]);
        for (const auto& [column, at] : {std::pair{"he", 2}, {"f_nc", 3}, {"p_outlier", 4}, {"q_outlier", 5}}) {
          EXPECT_NEAR(number(ours.at(row, column)), number(expected[static_cast<std::size_t>(at)]), 1e-6) << column;
        }
      }
      EXPECT_EQ(k, theirs.rows.size());
      EXPECT_EQ(ours.rows.back()[0], "TOTAL");
      EXPECT_EQ(ours.at(ours.rows.size() - 1, "q_outlier"), "NA");
    }
  }
}

// The recorded outputs are what vcftools and the R script make today,
// compared as numbers. vcftools prints six significant digits of sums
// whose last bits depend on the processor: within one unit in the last
// digit printed, or 1e-12 where the estimate is 0 up to rounding. R's
// figures to what its computation holds: optimize() finds df to about
// 1e-8 relative, and the likelihood is flat at its maximum, so that a
// C library whose logarithms differ in the last bit moves df by some 3e-8
// relative and each p and q, which take it, by up to 1e-8: df within 1e-6
// relative, p and q within 1e-6, as the test of our fit against them
// holds them. The background F, the heterozygosities and F are sums and
// quotients alone: within 1e-12, and the counts exact.
TEST(Windows, RecordedPeerOutputsAreWhatVcftoolsAndRMake) {
  ScratchDir dir;
  dir.write("panel.vcf", dir.read(kPeers + "panel.vcf"));
  std::map<std::string, std::string> members;
  {
    std::ifstream map(kPeers + "panel.popmap");
    for (std::string sample, population; map >> sample >> population;) members[population] += sample + "\n";
  }
  for (const auto& [population, samples] : members) dir.write(population + ".txt", samples);
  for (const PeerRun& peer : kPeerRuns) {
    const std::string windows = peer.windows;
    std::vector<std::string> arguments = {"--vcf", "panel.vcf", "--out", peer.name, "--fst-window-size",
                                          windows.substr(0, windows.find(':')), "--fst-window-step",
                                          windows.substr(windows.find(':') + 1)};
    for (const std::string& population : peer.populations) {
      arguments.insert(arguments.end(), {"--weir-fst-pop", population + ".txt"});
    }
    runToolWithErrors("vcftools", arguments);
    const std::string name = std::string(peer.name) + ".windowed.weir.fst";
    EXPECT_TRUE(samePrintedTable(dir.read(name), dir.read(kPeers + "vcftools-" + name), 1e-12)) << name;

    const std::string made = runTool("Rscript", {kPeers + "outliers.R", "panel.vcf", kPeers + peer.map});
    const Rows now = readRows(made, false), recorded = readRows(dir.read(kPeers + "outliers-" + peer.name + ".tsv"), false);
    // "# df fbar trimmed candidates"
    std::istringstream nowFit(now.comment.substr(1)), recordedFit(recorded.comment.substr(1));
    double df = 0, fbar = 0, recordedDf = 0, recordedFbar = 0;
    std::string trimmed, candidates, recordedTrimmed, recordedCandidates;
    nowFit >> df >> fbar >> trimmed >> candidates;
    recordedFit >> recordedDf >> recordedFbar >> recordedTrimmed >> recordedCandidates;
    EXPECT_NEAR(df / recordedDf, 1, 1e-6) << peer.name;
    EXPECT_NEAR(fbar / recordedFbar, 1, 1e-12) << peer.name;
    EXPECT_EQ(trimmed + " " + candidates, recordedTrimmed + " " + recordedCandidates) << peer.name;
    ASSERT_EQ(now.rows.size(), recorded.rows.size());
    for (std::size_t k = 0; k < now.rows.size(); ++k) {
      EXPECT_EQ(now.rows[k][0] + ":" + now.rows[k][1], recorded.rows[k][0] + ":" + recorded.rows[k][1]);
      for (const auto& [field, tolerance] : {std::pair{2, 1e-12}, {3, 1e-12}, {4, 1e-6}, {5, 1e-6}}) {
        const auto at = static_cast<std::size_t>(field);
        EXPECT_NEAR(number(now.rows[k][at]), number(recorded.rows[k][at]), tolerance) << peer.name << " " << k;
      }
    }
  }
}

// Region shards that cut a contig, one of them through a window, merged:
// the whole run's results table (outlier test included) and windows table
// from their second line on, its plot, and the whole run's first line with
// merged=2; and vcftools' windows.
TEST(WindowsAndOutliers, ShardsMergeIntoTheWholeRun) {
  ScratchDir dir;
  dir.write("panel.vcf", dir.read(kPeers + "panel.vcf"));
  bgzipped("panel.vcf");
  runTool("tabix", {"-p", "vcf", "panel.vcf.gz"});
  const std::vector<std::string> common = {"-q", "-s", "3", "--popmap", kPeers + "panel.popmap", "-o", "/dev/null"};
  const auto run = [&](std::vector<std::string> more, std::vector<std::string> windows = {"--windows", "10000:5000"}) {
    std::vector<std::string> arguments = common;
    arguments.insert(arguments.end(), windows.begin(), windows.end());
    arguments.push_back("--outliers");
    arguments.insert(arguments.end(), more.begin(), more.end());
    arguments.push_back("panel.vcf.gz");
    const ProcessResult r = runWith(k3d, arguments, dir);
    ASSERT_EQ(r.status, 0) << r.err;
  };
  run({"-t", "whole.tsv", "--windows-table", "whole-w.tsv", "--manhattan", "whole.svg"});
  run({"--region", "1:1-62000", "-t", "a.tsv"});
  run({"--region", "1:62001-200000,2", "-t", "b.tsv"});
  EXPECT_NE(setting(readRows(dir.read("a.tsv")).comment, "outlier_df"),
            setting(readRows(dir.read("whole.tsv")).comment, "outlier_df"));  // a shard's own fit
  const ProcessResult merged = runWith(k3d, {"merge", "-t", "m.tsv", "--windows-table", "m-w.tsv", "--manhattan",
                                             "m.svg", "b.tsv", "a.tsv"}, dir);
  ASSERT_EQ(merged.status, 0) << merged.err;
  const auto body = [](const std::string& text) { return text.substr(text.find('\n')); };
  const auto head = [](const std::string& text) { return text.substr(0, text.find('\r')); };
  EXPECT_EQ(body(dir.read("m.tsv")), body(dir.read("whole.tsv")));
  EXPECT_EQ(body(dir.read("m-w.tsv")), body(dir.read("whole-w.tsv")));
  EXPECT_EQ(dir.read("m.svg"), dir.read("whole.svg"));
  EXPECT_EQ(head(dir.read("m.tsv")), head(dir.read("whole.tsv")) + " merged=2");
  EXPECT_NE(dir.read("m-w.tsv").find("1\t55001\t65000\t9\t"), std::string::npos);  // the window the border cut
  expectWindowsOfVcftools(dir.read("m-w.tsv"), kPeers + "vcftools-five.windowed.weir.fst");

  // Shards that differ in the windows or the outlier test do not merge.
  run({"--region", "2", "-t", "c.tsv"}, {"--windows", "20000"});
  std::vector<std::string> noOutliers = {"-q", "-s", "3", "--popmap", kPeers + "panel.popmap", "-o", "/dev/null",
                                         "--windows", "10000:5000", "--region", "2", "-t", "d.tsv", "panel.vcf.gz"};
  ASSERT_EQ(runWith(k3d, noOutliers, dir).status, 0);
  noOutliers = {"-q", "-s", "3", "--popmap", kPeers + "panel.popmap", "-o", "/dev/null", "--region", "2", "-t",
                "e.tsv", "panel.vcf.gz"};
  ASSERT_EQ(runWith(k3d, noOutliers, dir).status, 0);
  const struct {
    std::vector<std::string> arguments;
    std::string error;
  } faults[] = {
      {{"merge", "-t", "x.tsv", "a.tsv", "c.tsv"}, "c.tsv was run with windows=20000:20000, a.tsv with windows=10000:5000"},
      {{"merge", "-t", "x.tsv", "a.tsv", "d.tsv"}, "d.tsv was run with no outlier_min_he=, a.tsv with outlier_min_he=0.1"},
      {{"merge", "--windows-table", "x.tsv", "e.tsv"}, "e.tsv was run without --windows: no windows to merge"},
  };
  for (const auto& fault : faults) {
    const ProcessResult r = runWith(k3d, fault.arguments, dir);
    EXPECT_EQ(r.status, 1) << fault.error;
    EXPECT_NE(r.err.find(fault.error), std::string::npos) << r.err;
    EXPECT_FALSE(dir.exists("x.tsv"));
  }
}

// A VCF of `loci` biallelic SNPs in `populations` populations of 30, a few
// of them far more differentiated than the rest: their frequencies 0.1 and
// 0.9 in turn across the populations, where the others drift a little from
// a common frequency. 5 % of the genotypes missing. Drawn from SplitMix64,
// so the same file on every platform.
void writeScan(const ScratchDir& dir, int loci, int populations, const std::vector<int>& differentiated) {
  UnitStream random(20261231);
  std::string text = "##fileformat=VCFv4.2\n##contig=<ID=1>\n##contig=<ID=2>\n"
                     "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
                     "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  std::string map;
  for (int pop = 1; pop <= populations; ++pop) {
    for (int i = 1; i <= 30; ++i) {
      const std::string sample = "p" + std::to_string(pop) + "_" + std::to_string(i);
      text += "\t" + sample;
      map += sample + "\tpop" + std::to_string(pop) + "\n";
    }
  }
  text += "\n";
  for (int locus = 1; locus <= loci; ++locus) {
    const bool apart = std::find(differentiated.begin(), differentiated.end(), locus) != differentiated.end();
    const double common = 0.15 + 0.7 * random.next();
    const int chrom = locus <= loci / 2 ? 1 : 2;
    text += std::to_string(chrom) + "\t" + std::to_string(1000 * (chrom == 1 ? locus : locus - loci / 2)) + "\tsnp" +
            std::to_string(locus) + "\tA\tG\t.\tPASS\t.\tGT";
    for (int pop = 0; pop < populations; ++pop) {
      // A drift of F about 0.02 about the common frequency: a sum of
      // uniforms for a normal deviate.
      double deviate = -6;
      for (int k = 0; k < 12; ++k) deviate += random.next();
      const double p = apart ? (pop % 2 == 0 ? 0.1 : 0.9)
                             : std::clamp(common + deviate * std::sqrt(0.02 * common * (1 - common)), 0.02, 0.98);
      for (int i = 0; i < 30; ++i) {
        if (random.next() < 0.05) {
          text += "\t./.";
          continue;
        }
        text += std::string("\t") + (random.next() < p ? '1' : '0') + "/" + (random.next() < p ? '1' : '0');
      }
    }
    text += "\n";
  }
  dir.write("scan.vcf", text);
  dir.write("scan.map", map);
}

// Those loci stand out, with at most 5 % of the others; the report says
// how many, and the plot draws them in their colour.
TEST(Outliers, LociMadeFarMoreDifferentiatedStandOut) {
  ScratchDir dir;
  const std::vector<int> apart = {40, 333, 777, 1001, 1450, 1999};
  for (const int populations : {2, 6}) {
    SCOPED_TRACE(populations);
    writeScan(dir, 2000, populations, apart);
    const ProcessResult r = runWith(k2d, {"-q", "-s", "1", "--test", "none", "--popmap", "scan.map", "-o", "r.out",
                                          "-t", "t.tsv", "--outliers", "--manhattan", "m.svg", "scan.vcf"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const Rows table = readRows(dir.read("t.tsv"));
    std::size_t found = 0, others = 0;
    for (std::size_t row = 0; row + 1 < table.rows.size(); ++row) {
      const std::string& q = table.at(row, "q_outlier");
      const bool standsOut = q != "NA" && number(q) < 0.05;
      const int locus = std::stoi(table.at(row, "locus"));
      if (std::find(apart.begin(), apart.end(), locus) != apart.end()) {
        EXPECT_TRUE(standsOut) << "locus " << locus << ": q " << q;
        found += standsOut ? 1 : 0;
      } else {
        others += standsOut ? 1 : 0;
      }
    }
    EXPECT_LE(others, (2000 - apart.size()) / 20);
    const std::string report = dir.read("r.out");
    const std::string line = " " + std::to_string(found + others) + " loci stand out from the background at q < 0.05 (F of the background ";
    EXPECT_NE(report.find(line), std::string::npos) << report.substr(report.size() - 200);
    EXPECT_TRUE(report.ends_with(")\r\n"));
    const std::string svg = dir.read("m.svg");
    std::size_t circles = 0;
    for (std::size_t at = 0; (at = svg.find("fill=\"#e8710a\" stroke=\"#ffffff\"><title>", at)) != std::string::npos; ++at) {
      ++circles;
    }
    EXPECT_EQ(circles, found + others);
  }
}

// Four loci leave too few for a fit: one line says so, the run completes,
// and the candidates keep he and f_nc for a merge to refit.
TEST(Outliers, TooFewLociLeftForAFit) {
  ScratchDir dir;
  const ProcessResult r = runWith(k3d, {"-q", "-s", "1", "-d", "10", "-b", "2", "-i", "10", "-o", "r.out", "-t",
                                        "t.tsv", "--outliers", std::string(ORTELAN_EXAMPLES_DIR) + "/trout.gen"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string line = "Only 3 loci are left for the outlier fit once trimmed, fewer than 20: no outlier test";
  EXPECT_EQ(r.err, line + "\n");
  EXPECT_TRUE(dir.read("r.out").ends_with(" " + line + "\r\n"));
  const Rows table = readRows(dir.read("t.tsv"));
  EXPECT_NE(table.comment.find(" outlier_min_he=0.1 outlier_df=NA outlier_f=NA"), std::string::npos);
  EXPECT_NE(table.at(0, "he"), "NA");   // Str15
  EXPECT_EQ(table.at(0, "p_outlier"), "NA");
  EXPECT_EQ(table.at(2, "he"), "NA");   // LDH-C1, one allele
}

// Each fault of the options ends in one line and status 2, writing nothing.
TEST(WindowsAndOutliers, FaultsOfTheOptions) {
  ScratchDir dir;
  dir.write("panel.vcf", dir.read(kPeers + "panel.vcf"));
  const std::string map = kPeers + "panel.popmap", genepop = std::string(ORTELAN_EXAMPLES_DIR) + "/trout.gen";
  const struct {
    std::vector<std::string> arguments;
    std::string error;
  } faults[] = {
      {{"--windows", "10000", "-t", "t.tsv", genepop}, "--windows goes with a VCF or BCF file, and " + genepop + " is not one"},
      {{"--windows", "0", "--popmap", map, "panel.vcf"}, "--windows: give SIZE or SIZE:STEP"},
      {{"--windows", "ten", "--popmap", map, "panel.vcf"}, "--windows: give SIZE or SIZE:STEP"},
      {{"--windows", "100:200", "--popmap", map, "panel.vcf"}, "--windows: give SIZE or SIZE:STEP"},
      {{"--windows", "100:0", "--popmap", map, "panel.vcf"}, "--windows: give SIZE or SIZE:STEP"},
      {{"--windows-table", "t.tsv", "--popmap", map, "panel.vcf"}, "--windows-table goes with --windows"},
      {{"--windows", "100", "--windows-table", "t.tsv", "-t", "./t.tsv", "--popmap", map, "panel.vcf"},
       "--table and --windows-table name the same file ./t.tsv"},
      {{"--outliers-min-he", "0.2", "-t", "t.tsv", "--popmap", map, "panel.vcf"}, "--outliers-min-he goes with --outliers"},
      {{"--outliers", "--outliers-min-he", "1.5", "--popmap", map, "panel.vcf"}, "--outliers-min-he: must be a number from 0 to 1"},
      {{"--outliers", "--outliers-min-he", "nan", "--popmap", map, "panel.vcf"}, "--outliers-min-he: must be a number from 0 to 1"},
  };
  for (const auto& fault : faults) {
    std::vector<std::string> arguments = {"-q", "-o", "r.out"};
    arguments.insert(arguments.end(), fault.arguments.begin(), fault.arguments.end());
    const ProcessResult r = runWith(k2d, arguments, dir);
    EXPECT_EQ(r.status, 2) << fault.error;
    EXPECT_TRUE(r.err.starts_with("ortelan_2d: error: " + fault.error)) << r.err;
    EXPECT_TRUE(r.err.ends_with("\nRun with --help for more information.\n")) << r.err;
    EXPECT_FALSE(dir.exists("t.tsv") || dir.exists("r.out")) << fault.error;
  }
  // --outliers-min-he chooses the candidates.
  ASSERT_EQ(runWith(k2d, {"-q", "-o", "r.out", "-t", "t.tsv", "--outliers", "--outliers-min-he", "0.45", "--popmap", map,
                          "panel.vcf"}, dir).status, 0);
  const Rows table = readRows(dir.read("t.tsv"));
  EXPECT_EQ(setting(table.comment, "outlier_min_he"), "0.45");
  for (std::size_t row = 0; row + 1 < table.rows.size(); ++row) {
    if (table.at(row, "he") != "NA") {
      EXPECT_GE(number(table.at(row, "he")), 0.45);
    }
  }
}

}  // namespace
}  // namespace ortelan::testing
