// The programs under test beside this build's own, where they are others:
// a Windows build's, run through Wine (ORTELAN_TEST_PROGRAMS and
// ORTELAN_TEST_LAUNCHER, as scripts/test.sh's Windows stage sets them).
// Scripted runs on the same data with the same seed write the same tables,
// pairs, reports and plots, and merge their shards into the same tables:
// each field to the precision the computation guarantees, the rest byte for
// byte. Skipped where the programs under test are this build's.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "apps/programs.h"
#include "support/same_tables.h"
#include "support/snp_genepop.h"

namespace ortelan::testing {
namespace {

std::string example() {
  std::ifstream in(std::string(ORTELAN_EXAMPLES_DIR) + "/trout.gen", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A SNP panel in two-digit codes: mostly two alleles, some with more, one
// with one, some genotypes missing.
std::string snpPanel() {
  std::ostringstream out;
  writeSnpGenepop(out, SnpShape{.loci = 150, .populations = 4, .individualsPerPopulation = 15, .digits = 2, .seed = 3});
  return out.str();
}

struct Pair {
  std::string underTest, own;  // the same program of the two builds
};

const std::vector<std::string> kShortChain = {"-d", "1000", "-b", "10", "-i", "500"};

std::vector<std::string> withChain(std::vector<std::string> arguments) {
  arguments.insert(arguments.end(), kShortChain.begin(), kShortChain.end());
  return arguments;
}

class CrossBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (k3d == ORTELAN_3D_PATH) GTEST_SKIP() << "the programs under test are this build's own";
  }

  // `data` as data.gen in a directory of each build's own; each command
  // (arguments) run in turn there, by the program of each build. Every file
  // the runs leave is compared: the tables to what the computation
  // guarantees, the rest byte for byte, the report's date aside.
  static void expectSameRuns(const Pair& program, const std::string& data,
                             const std::vector<std::vector<std::string>>& commands) {
    SCOPED_TRACE(program.underTest);
    ScratchDir theirs, ours;
    theirs.write("data.gen", data);
    ours.write("data.gen", data);
    for (const std::vector<std::string>& arguments : commands) {
      const ProcessResult a = runWith(program.underTest, arguments, theirs);
      const ProcessResult b = runProcess(program.own, "", ours.path().string(), 120, arguments);
      ASSERT_EQ(a.status, 0) << a.err;
      ASSERT_EQ(b.status, 0) << b.err;
      EXPECT_EQ(a.out, b.out);
      EXPECT_EQ(a.err, b.err);
    }
    ASSERT_EQ(theirs.listing(), ours.listing());
    const double tolerance = program.own == ORTELAN_C_PATH ? 1e-12 : 1e-15;
    std::istringstream names(ours.listing());
    for (std::string name; std::getline(names, name);) {
      SCOPED_TRACE(name);
      if (name.ends_with(".tsv")) {
        expectSameTables(theirs.read(name), ours.read(name), tolerance);
      } else {
        const std::regex date("Date: [0-9-]+");
        EXPECT_EQ(std::regex_replace(theirs.read(name), date, "Date:"), std::regex_replace(ours.read(name), date, "Date:"));
      }
    }
  }
};

const Pair k3dPair{k3d, ORTELAN_3D_PATH}, k2dPair{k2d, ORTELAN_2D_PATH}, kCPair{kC, ORTELAN_C_PATH};

TEST_F(CrossBuild, TablesPairsReportsAndPlotsOfTheExample) {
  const std::vector<std::string> everything = {"-q", "-s", "7", "-o", "r.out", "-t", "t.tsv", "--pairs", "p.tsv",
                                               "--pairs-plot", "p.svg", "--manhattan", "m.svg", "data.gen"};
  const std::string twoDigits = std::regex_replace(example(), std::regex("0([0-9]{2})0([0-9]{2})"), "$1$2");
  // Exact P-values where the tables are listed, the default.
  expectSameRuns(k3dPair, example(), {withChain(everything)});
  expectSameRuns(k2dPair, twoDigits, {withChain(everything)});
  expectSameRuns(kCPair, example(), {withChain(everything)});
  // Independent tables, the chain; the G and genotypic tests; the bootstrap.
  std::vector<std::string> sampled = withChain(everything), chain = withChain(everything);
  sampled.insert(sampled.end(), {"--exact", "never", "--test", "genic-g", "--bootstrap", "50"});
  chain.insert(chain.end(), {"--exact", "never", "--sampler", "chain", "--test", "genotypic"});
  expectSameRuns(k3dPair, example(), {sampled});
  expectSameRuns(kCPair, example(), {chain});
}

TEST_F(CrossBuild, ShardsOfASnpPanelOnTwoThreadsAndTheirMerge) {
  const auto shard = [](const std::string& loci, const std::string& name) {
    return withChain({"-q", "-s", "11", "-j", "2", "--loci", loci, "--exact", "never", "-o", name + ".out",
                      "-t", name + ".tsv", "--pairs", name + "-pairs.tsv", "data.gen"});
  };
  expectSameRuns(k2dPair, snpPanel(),
                 {shard("1-80", "a"), shard("81-150", "b"),
                  {"merge", "-t", "all.tsv", "--pairs", "all-pairs.tsv", "--manhattan", "all.svg", "a.tsv", "b.tsv",
                   "a-pairs.tsv", "b-pairs.tsv"}});
}

}  // namespace
}  // namespace ortelan::testing
