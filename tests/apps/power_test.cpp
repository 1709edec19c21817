// `power` through the real programs: the table, the report and the plot
// from a GENEPOP file and from a VCF file with its population map, the
// same table on any number of threads and from shards of the replicates
// merged, and every bad value or refused shard told in one line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "apps/programs.h"
#include "support/snp_vcf.h"
#include "support/strict_xml.h"

namespace ortelan::testing {
namespace {

const std::string kExample = ORTELAN_EXAMPLES_DIR "/trout.gen";

std::vector<std::string> with(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// The report, the table and the plot of the example, in a program of
// 80-bit reals and in the program of doubles; the same table on one thread
// or three, and from shards of the replicates merged.
TEST(Power, TheExampleGivesItsTableReportAndPlot) {
  ScratchDir dir;
  std::filesystem::copy_file(kExample, dir.path() / "trout.gen");
  const std::vector<std::string> run = {"power", "-q", "-s", "5", "--fst", "0.02", "--replicates", "20", "--alpha",
                                        "0.01,0.05"};
  for (const std::string& program : {k3d, kC}) {
    SCOPED_TRACE(program);
    const ProcessResult r = runWith(program, with(run, {"-j", "1", "-t", "p.tsv", "--plot", "p.svg", "trout.gen"}), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("left out 1 locus with fewer than two alleles in the pooled populations: 3 (LDH-C1)"),
              std::string::npos)
        << r.err;
    const std::string table = dir.read("p.tsv");
    const std::string name = program == kC ? "ortelan_c 0.8" : "ortelan_3d 5.0";
    EXPECT_TRUE(table.starts_with("# " + name + " input=trout.gen seed=5 ")) << table.substr(0, 200);
    EXPECT_NE(table.find(" power fst=0,0.02 ne=1000 sizes=data alpha=0.01,0.05 replicates=20 decision_error=0.001\r\n"),
              std::string::npos);
    EXPECT_NE(table.find("\r\n0.02\tfisher_method\t0.05\tTOTAL\tTOTAL\t1000\t40\t"), std::string::npos);
    const std::string report = dir.read("Ortelan-power.out");
    EXPECT_NE(report.find("POWER AGAINST F_ST"), std::string::npos);
    EXPECT_TRUE(strictXml(dir.read("p.svg")));

    ASSERT_EQ(runWith(program, with(run, {"-j", "3", "-t", "j3.tsv", "-o", "/dev/null", "trout.gen"}), dir).status, 0);
    EXPECT_EQ(dir.read("j3.tsv"), table);
    for (const std::string range : {"1-12", "13-20"}) {
      ASSERT_EQ(runWith(program, with(run, {"--replicates-range", range, "-t", range + ".tsv", "-o", "/dev/null",
                                            "trout.gen"}), dir).status, 0);
    }
    const ProcessResult merged = runWith(program, {"merge", "-t", "merged.tsv", "13-20.tsv", "1-12.tsv"}, dir);
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(dir.read("merged.tsv"), table);
    // A shard missing, or merged with a results table: one line, status 2.
    for (const std::vector<std::string>& shards : {std::vector<std::string>{"1-12.tsv"},
                                                   std::vector<std::string>{"1-12.tsv", "13-20.tsv", "1-12.tsv"}}) {
      const ProcessResult refused = runWith(program, with({"merge", "-t", "refused.tsv"}, shards), dir);
      EXPECT_EQ(refused.status, 2);
      EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
      EXPECT_FALSE(dir.exists("refused.tsv"));
    }
  }
}

// VCF data with their population map: loci of any number of alleles are
// simulated from their pooled frequencies, a monomorphic one is left out
// and named.
TEST(Power, VcfDataWithAPopulationMap) {
  ScratchDir dir;
  const SnpShape shape{100, 3, 12, 2, 7};
  writeSnpVcf((dir.path() / "snps.vcf.gz").string(), shape);
  writeSnpPopmap((dir.path() / "pops.txt").string(), shape);
  const ProcessResult r = runWith(k2d, {"power", "-q", "-s", "1", "--popmap", "pops.txt", "--fst", "0.05",
                                        "--replicates", "6", "-t", "v.tsv", "-o", "v.out", "snps.vcf.gz"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("left out 1 locus"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(": 97 ("), std::string::npos) << r.err;
  const std::string table = dir.read("v.tsv");
  EXPECT_NE(table.find(" popmap=pops.txt "), std::string::npos);
  // 99 loci per test and target; locus 50, of five alleles, among them.
  std::size_t chi2Rows = 0;
  for (std::size_t at = table.find("\n0\tchi2\t"); at != std::string::npos; at = table.find("\n0\tchi2\t", at + 1)) ++chi2Rows;
  EXPECT_EQ(chi2Rows, 99u);
  EXPECT_NE(table.find("\n0\tgenic\t0.05\t50\t"), std::string::npos);
  EXPECT_NE(dir.read("v.out").find("Alleles per locus: 2 to 5"), std::string::npos);
}

// Bad values and settings that do not fit the data end in one line with
// status 2, and write nothing.
TEST(Power, BadValuesEndInOneLine) {
  ScratchDir dir;
  std::filesystem::copy_file(kExample, dir.path() / "trout.gen");
  const std::vector<std::vector<std::string>> bad = {
      {"--fst", "1"},         {"--fst", "-0.1"}, {"--ne", "0"},           {"--alpha", "1"},
      {"--replicates", "0"},  {"--sizes", "10,10"}, {"--sizes", "10,10,10,10"}};
  for (const std::vector<std::string>& arguments : bad) {
    SCOPED_TRACE(arguments[0] + " " + arguments[1]);
    const ProcessResult r = runWith(k3d, with(with({"power", "-t", "t.tsv"}, arguments), {"trout.gen"}), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.starts_with("ortelan_3d: error: ")) << r.err;
    EXPECT_EQ(r.err.find("error:", r.err.find('\n')), std::string::npos) << r.err;
    EXPECT_FALSE(dir.exists("t.tsv"));
    EXPECT_FALSE(dir.exists("Ortelan-power.out"));
  }
}

}  // namespace
}  // namespace ortelan::testing
