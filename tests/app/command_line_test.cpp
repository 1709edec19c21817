#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "apps/editions.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

CommandLine parse(std::vector<std::string> arguments) { return parseCommandLine(edition3d(), arguments); }

TEST(CommandLine, OptionsBecomeTheRunSettings) {
  const CommandLine line = parse({"-d", "0", "--batches", "2", "-i", "1", "-s", "18446744073709551615", "-o", "r.out",
                                  "-t", "-", "-j", "3", "--loci", "3,9-12,1", "-q", "data.gen"});
  ASSERT_TRUE(line.settings) << line.err;
  const RunSettings& s = *line.settings;
  EXPECT_EQ(s.dataFile, "data.gen");
  EXPECT_EQ(s.chain.dememorizations, 0);
  EXPECT_EQ(s.chain.batches, 2);
  EXPECT_EQ(s.chain.iterationsPerBatch, 1);
  EXPECT_EQ(s.seed, 18446744073709551615ull);
  EXPECT_EQ(s.reportPath, "r.out");
  EXPECT_EQ(s.tablePath, "-");
  EXPECT_EQ(s.threads, 3);
  EXPECT_TRUE(s.quiet);
  ASSERT_TRUE(s.loci);
  EXPECT_EQ(s.loci->marks(13), (std::vector<char>{0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0}));
  EXPECT_EQ(s.loci->highest(), 12);

  const RunSettings defaults = *parse({"data.gen"}).settings;
  EXPECT_EQ(defaults.chain.dememorizations, 10000);
  EXPECT_EQ(defaults.chain.batches, 100);
  EXPECT_EQ(defaults.chain.iterationsPerBatch, 5000);
  EXPECT_FALSE(defaults.seed);
  EXPECT_EQ(defaults.reportPath, "Ortelan.out");
  EXPECT_FALSE(defaults.tablePath || defaults.loci || defaults.quiet);
  EXPECT_EQ(defaults.threads, 0);
  // Independent tables by default, until 100 hits or the walk's cost.
  EXPECT_EQ(defaults.sampling.sampler, SamplerKind::Independent);
  EXPECT_EQ(defaults.sampling.hits, 100);
  EXPECT_FALSE(defaults.sampling.samples);
  const RunSettings sampled = *parse({"--sampler", "chain", "--hits", "7", "--samples", "5000", "data.gen"}).settings;
  EXPECT_EQ(sampled.sampling.sampler, SamplerKind::Chain);
  EXPECT_EQ(sampled.sampling.hits, 7);
  EXPECT_EQ(sampled.sampling.samples, 5000);
  EXPECT_FALSE(parse({"--samples", "auto", "data.gen"}).settings->sampling.samples);
}

TEST(CommandLine, EveryUsageFaultIsStatusTwoWithAHint) {
  const std::vector<std::vector<std::string>> faults = {
      {},                                   // no data file
      {"a.gen", "b.gen"},                   // two
      {"-d", "-1", "a.gen"},                // out of range
      {"-b", "1", "a.gen"},
      {"-i", "0", "a.gen"},
      {"-j", "0", "a.gen"},
      {"-d", "2147483648", "a.gen"},
      {"-d", "ten", "a.gen"},
      {"-s", "-1", "a.gen"},
      {"-s", "18446744073709551616", "a.gen"},
      {"-s", "0x10", "a.gen"},
      {"-s", "1", "-s", "1", "a.gen"},      // given twice
      {"-q", "-q", "a.gen"},
      {"--loci", "5-2", "a.gen"},
      {"--loci", "0", "a.gen"},
      {"--loci", "x", "a.gen"},
      {"--loci", "1,", "a.gen"},
      {"--loci", "-3", "a.gen"},
      {"--loci", "99999999999", "a.gen"},
      {"-t", "-", "-o", "-", "a.gen"},      // two outputs on standard output
      {"-t", "x.out", "-o", "x.out", "a.gen"},
      {"-t", "-", "--pairs", "-", "a.gen"},
      {"--pairs", "p.tsv", "--pairs-plot", "p.tsv", "a.gen"},
      {"--no-such-option", "a.gen"},
      {"--sampler", "gibbs", "a.gen"},      // the sampler and its limits
      {"--hits", "0", "a.gen"},
      {"--hits", "-5", "a.gen"},
      {"--samples", "0", "a.gen"},
      {"--samples", "many", "a.gen"},
      {"--samples", "1e6", "a.gen"},
  };
  for (const auto& arguments : faults) {
    const CommandLine line = parse(arguments);
    std::string shown;
    for (const std::string& a : arguments) shown += a + " ";
    EXPECT_FALSE(line.settings) << shown;
    EXPECT_EQ(line.status, 2) << shown;
    EXPECT_TRUE(line.err.starts_with("ortelan_3d: error: ")) << shown << line.err;
    EXPECT_TRUE(line.err.ends_with("\nRun with --help for more information.\n")) << shown << line.err;
    EXPECT_EQ(line.err.find('\n'), line.err.size() - 39) << "one line, then the hint: " << line.err;
  }
}

// Two outputs may not share a file, however its path is spelled, nor
// standard output; devices such as /dev/null take any number.
TEST(CommandLine, OutputsShareNoFileAndNoStandardOutput) {
  testing::ScratchDir dir;
  dir.write("x.tsv", "");
  std::filesystem::create_symlink("x.tsv", dir.path() / "link.tsv");
  const std::string hint = "\nRun with --help for more information.\n";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-o", "/dev/null", "-t", "/dev/null", "--pairs", "/dev/null", "--pairs-plot", "//dev/./null", "--manhattan",
        "/dev/null", "a.gen"},
       ""},
      {{"-o", "/dev/null", "-t", "-", "--pairs", "/dev/null", "a.gen"}, ""},
      {{"-o", "a.out", "-t", "sub/a.out", "--pairs", "../a.out", "a.gen"}, ""},
      {{"-o", "/dev/null", "-t", "-", "--pairs", "-", "a.gen"},
       "only one output may go to standard output: --table - and --pairs -"},
      {{"-t", "x.out", "-o", "./x.out", "a.gen"}, "--output and --table name the same file ./x.out"},
      {{"--manhattan", "m.svg", "--pairs-plot", "sub/../m.svg", "a.gen"},
       "--pairs-plot and --manhattan name the same file sub/../m.svg"},
      {{"-t", "x.tsv", "--pairs", "link.tsv", "a.gen"}, "--table and --pairs name the same file x.tsv"},
  };
  for (const auto& [arguments, err] : cases) {
    const CommandLine line = parse(arguments);
    SCOPED_TRACE(arguments[1] + " " + arguments[3]);
    EXPECT_EQ(line.settings.has_value(), err.empty());
    EXPECT_EQ(line.err, err.empty() ? "" : "ortelan_3d: error: " + err + hint);
  }
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
  for (const char* help : {"-h", "--help"}) {
    const CommandLine line = parse({help});
    EXPECT_EQ(line.status, 0);
    EXPECT_NE(line.out.find("ortelan_3d [OPTIONS] DATAFILE"), std::string::npos) << line.out;
  }
  EXPECT_EQ(parse({"--version"}).out, "ortelan_3d 5.0\n");
  EXPECT_EQ(parseCommandLine(editionC(), {"-V"}).out, "ortelan_c 0.8\n");
}

}  // namespace
}  // namespace ortelan
