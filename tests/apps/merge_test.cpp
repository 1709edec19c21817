// `merge` through the real programs: the tables and plots of region shards
// of a VCF, and of --loci shards of a GENEPOP file, put together, equal a
// whole run's from their second line on, in all three programs and for
// every test; every fault ends in one line with nothing written.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "apps/programs.h"
#include "support/variant_tools.h"

namespace ortelan::testing {
namespace {

// Three chromosomes, 30 samples in three populations; some genotypes
// missing, every seventh record of three alleles.
void writeVcf(const ScratchDir& dir) {
  std::uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % 1000;
  };
  std::string text = "##fileformat=VCFv4.2\n##contig=<ID=chr1>\n##contig=<ID=chr2>\n##contig=<ID=chrX>\n"
                     "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
                     "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  std::string map;
  for (int s = 1; s <= 30; ++s) {
    text += "\ts" + std::to_string(s);
    map += "s" + std::to_string(s) + "\t" + (s <= 10 ? "north" : s <= 20 ? "south" : "east") + "\n";
  }
  text += "\n";
  for (const auto& [chrom, records] : {std::pair{"chr1", 20}, {"chr2", 15}, {"chrX", 8}}) {
    for (int k = 1; k <= records; ++k) {
      const int alleles = k % 7 == 0 ? 3 : 2;
      text += std::string(chrom) + "\t" + std::to_string(1000 * k) + "\t.\tA\t" + (alleles == 3 ? "C,G" : "C") +
              "\t.\tPASS\t.\tGT";
      for (int s = 0; s < 30; ++s) {
        if (next() < 50) {
          text += "\t./.";
          continue;
        }
        const unsigned common = 200 + 300 * static_cast<unsigned>(s / 10);
        auto allele = [&] { return next() < common ? 0 : 1 + static_cast<int>(next() % (alleles - 1)); };
        text += "\t" + std::to_string(allele()) + "/" + std::to_string(allele());
      }
      text += "\n";
    }
  }
  dir.write("calls.vcf", text);
  dir.write("pops.txt", map);
  const std::string cwd = std::filesystem::current_path().string();
  std::filesystem::current_path(dir.path());
  bgzipped("calls.vcf");
  runTool("tabix", {"-p", "vcf", "calls.vcf.gz"});
  std::filesystem::current_path(cwd);
}

std::string afterFirstLine(const std::string& text) { return text.substr(text.find('\n') + 1); }

std::vector<std::string> with(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

TEST(Merge, RegionShardsOfAVcfGiveTheWholeRun) {
  ScratchDir dir;
  writeVcf(dir);
  const std::vector<std::string> run = {"-q", "-s", "3", "-d", "200", "-b", "10", "-i", "200", "--bootstrap", "50",
                                        "--popmap", "pops.txt", "-o", "/dev/null"};
  for (const std::string& program : {k3d, k2d, kC}) {
    SCOPED_TRACE(program);
    ASSERT_EQ(runWith(program, with(run, {"-t", "whole.tsv", "--pairs", "whole-pairs.tsv", "--manhattan", "whole.svg",
                                         "--pairs-plot", "whole-heat.svg", "calls.vcf.gz"}), dir).status, 0);
    // chr1 in two pieces, one of them empty, then chr2 and chrX.
    std::vector<std::string> shards, pairs;
    for (const std::string region : {"chr1:1-12000", "chr1:50000-60000", "chr1:12001-30000", "chr2", "chrX"}) {
      const std::string name = std::to_string(shards.size());
      const ProcessResult r = runWith(program, with(run, {"--region", region, "-t", name + ".tsv", "--pairs",
                                                          name + "-pairs.tsv", "calls.vcf.gz"}), dir);
      ASSERT_EQ(r.status, 0) << r.err;
      shards.push_back(name + ".tsv");
      pairs.push_back(name + "-pairs.tsv");
    }
    std::vector<std::string> merge = {"merge", "-t", "m.tsv", "--pairs", "m-pairs.tsv", "--manhattan", "m.svg",
                                      "--pairs-plot", "m-heat.svg"};
    merge = with(with(merge, pairs), shards);  // the two kinds in any order
    const ProcessResult r = runWith(program, merge, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(afterFirstLine(dir.read("m.tsv")), afterFirstLine(dir.read("whole.tsv")));
    EXPECT_EQ(afterFirstLine(dir.read("m-pairs.tsv")), afterFirstLine(dir.read("whole-pairs.tsv")));
    EXPECT_EQ(dir.read("m.svg"), dir.read("whole.svg"));
    EXPECT_EQ(dir.read("m-heat.svg"), dir.read("whole-heat.svg"));
    // The first line: the common settings, and the merge.
    const std::string first = dir.read("m.tsv").substr(0, dir.read("m.tsv").find('\r'));
    EXPECT_TRUE(std::regex_match(first, std::regex("# ortelan_(3d|2d|c) [0-9.]+ input=calls.vcf.gz seed=3 "
                                                   "dememorization=200 batches=10 iterations=200 exact=auto sampler=independent hits=100 samples=auto "
                                                   "bootstrap=50 popmap=pops.txt merged=5")))
        << first;
    // A merged table merges again alike, and still counts the shards behind it.
    ASSERT_EQ(runWith(program, {"merge", "-t", "again.tsv", "m.tsv"}, dir).status, 0);
    EXPECT_EQ(dir.read("again.tsv"), dir.read("m.tsv"));
  }
}

// `text` with the field of `column` (from 0) on line `line` (from 1) made `value`.
std::string edited(const std::string& text, int line, int column, const std::string& value) {
  std::size_t start = 0;
  for (int k = 1; k < line; ++k) start = text.find('\n', start) + 1;
  for (int k = 0; k < column; ++k) start = text.find('\t', start) + 1;
  const std::size_t end = text.find_first_of("\t\r\n", start);
  return text.substr(0, start) + value + text.substr(end);
}

std::string example() {
  std::ifstream in(std::string(ORTELAN_EXAMPLES_DIR) + "/trout.gen", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Merge, LociShardsOfAGenepopFileGiveTheWholeRunForEveryTest) {
  ScratchDir dir;
  dir.write("trout.gen", example());
  dir.write("trout2.gen", std::regex_replace(example(), std::regex("0([0-9]{2})0([0-9]{2})"), "$1$2"));
  for (const auto& [program, file] : {std::pair{k3d, "trout.gen"}, {k2d, "trout2.gen"}, {kC, "trout.gen"}}) {
    for (const std::string test : {"genic", "genic-g", "genotypic", "none"}) {
      SCOPED_TRACE(program + " " + test);
      std::vector<std::string> run = {"-q", "-s", "5", "-d", "500", "-b", "10", "-i", "300", "--exact", "never",
                                      "--test", test, "-o", "/dev/null"};
      if (test != "none") run = with(run, {"--bootstrap", "40"});
      ASSERT_EQ(runWith(program, with(run, {"-t", "whole.tsv", "--pairs", "whole-pairs.tsv", file}), dir).status, 0);
      for (const std::string loci : {"3-4", "1-2"}) {
        ASSERT_EQ(runWith(program, with(run, {"--loci", loci, "-t", loci + ".tsv", "--pairs", loci + "-p.tsv", file}),
                          dir).status, 0);
      }
      const ProcessResult r =
          runWith(program, {"merge", "-t", "-", "--pairs", "m-pairs.tsv", "3-4.tsv", "1-2.tsv", "3-4-p.tsv", "1-2-p.tsv"},
                  dir);
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(afterFirstLine(r.out), afterFirstLine(dir.read("whole.tsv")));
      EXPECT_EQ(afterFirstLine(dir.read("m-pairs.tsv")), afterFirstLine(dir.read("whole-pairs.tsv")));
    }
  }
}

// A merged table merges again to itself, byte for byte, even where a shard
// was edited so that a name ends in a control character (the merge's
// fuzzer found the name written with a blank at its end, then trimmed).
TEST(Merge, AMergedTableMergesAgainToItself) {
  ScratchDir dir;
  dir.write("trout.gen", example());
  ASSERT_EQ(runWith(k3d, {"-q", "-s", "1", "-d", "100", "-b", "4", "-i", "100", "-o", "/dev/null", "--loci", "1-2",
                          "-t", "a.tsv", "trout.gen"}, dir).status, 0);
  const std::string a = dir.read("a.tsv");
  dir.write("edited.tsv", std::regex_replace(a, std::regex("\tSsa85\t"), "\t\x03Ssa85\x7f\t"));
  ASSERT_EQ(runWith(k3d, {"merge", "-t", "m.tsv", "edited.tsv"}, dir).status, 0);
  EXPECT_NE(dir.read("m.tsv").find("\tSsa85\t"), std::string::npos) << dir.read("m.tsv");
  ASSERT_EQ(runWith(k3d, {"merge", "-t", "again.tsv", "m.tsv"}, dir).status, 0);
  EXPECT_EQ(dir.read("again.tsv"), dir.read("m.tsv"));
}

// Sums the totals' chi-square tail cannot take (found by the merge's fuzzer:
// the merge's run held its edition past its end, and the pause read it):
// the tail's own line, as in a run, and the tables written.
TEST(Merge, APauseOfTheTotalsTailSaysSoAndTheMergeGoesOn) {
  ScratchDir dir;
  dir.write("trout.gen", example());
  ASSERT_EQ(runWith(k3d, {"-q", "-s", "1", "-d", "100", "-b", "4", "-i", "100", "-o", "/dev/null", "--pairs", "a-p.tsv",
                          "trout.gen"}, dir).status, 0);
  dir.write("negative-p.tsv", edited(dir.read("a-p.tsv"), 3, 12, "-1000"));
  const ProcessResult r = runWith(k3d, {"merge", "--pairs", "m.tsv", "negative-p.tsv"}, dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "pause in GAMMQ - invalid arguments\npause in GSER - x less than 0\n");
  EXPECT_NE(dir.read("m.tsv").find("\tTOTAL\t"), std::string::npos);
}

TEST(Merge, FaultsEndInOneLineWithNothingWritten) {
  ScratchDir dir;
  dir.write("trout.gen", example());
  const std::vector<std::string> run = {"-q", "-d", "100", "-b", "4", "-i", "100", "-o", "/dev/null"};
  for (const auto& [seed, loci, name] : {std::tuple{"1", "1-2", "a"}, {"1", "3-4", "b"}, {"2", "3-4", "seed2"},
                                         {"1", "2-3", "overlap"}}) {
    ASSERT_EQ(runWith(k3d, with(run, {"-s", seed, "--loci", loci, "-t", std::string(name) + ".tsv", "--pairs",
                                      std::string(name) + "-p.tsv", "trout.gen"}), dir).status, 0);
  }
  ASSERT_EQ(runWith(k3d, with(run, {"-s", "1", "--loci", "3-4", "--test", "genic-g", "-t", "g.tsv", "trout.gen"}), dir).status, 0);
  ASSERT_EQ(runWith(kC, with(run, {"-s", "1", "--loci", "3-4", "-t", "c.tsv", "trout.gen"}), dir).status, 0);
  // The sampler and its limits must agree too.
  for (const auto& [sampling, name] : {std::pair{std::vector<std::string>{"--sampler", "chain"}, "chain"},
                                       {{"--hits", "20"}, "hits20"},
                                       {{"--samples", "5000"}, "samples5000"}}) {
    ASSERT_EQ(runWith(k3d, with(with(run, sampling), {"-s", "1", "--loci", "3-4", "-t", std::string(name) + ".tsv",
                                                      "trout.gen"}), dir).status, 0);
  }
  const std::string a = dir.read("a.tsv");
  dir.write("cut.tsv", a.substr(0, a.size() - 20));
  dir.write("notail.tsv", a.substr(0, a.find("TOTAL")));
  dir.write("empty.tsv", "");
  // What the merge's fuzzer found, and a reading of the merge beside it
  // (fuzz/corpus/merge/finding-*): fields out of their range (an exact P of
  // 0 drew a Manhattan plot through undefined behaviour, a P of NA became
  // 0), a locus twice in one shard (its F-statistics twice in the total), a
  // pairs table of no rows (a crash), a count of populations that made the
  // merge hold gigabytes before it refused, a population labelled otherwise
  // in a later pair (the merge gave tables that merged to others).
  dir.write("p-beyond.tsv", edited(a, 3, 3, "20.25"));
  dir.write("se-beyond.tsv", edited(a, 3, 4, "-0.5"));
  dir.write("p-nan.tsv", edited(a, 3, 3, "nan"));
  dir.write("p-na.tsv", edited(a, 3, 3, "NA"));
  dir.write("locus-beyond.tsv", edited(a, 3, 0, "4294967297"));
  dir.write("exact-unknown.tsv", std::regex_replace(a, std::regex("exact=auto"), "exact=bogus"));
  const std::string ap = dir.read("a-p.tsv");
  dir.write("pairs-header-only.tsv", ap.substr(0, ap.find('\n', ap.find('\n') + 1) + 1));
  dir.write("exact-zero.tsv", edited(ap, 3, 7, "0"));
  dir.write("method-unknown.tsv", edited(a, 3, 7, "guess"));
  dir.write("tail-zero.tsv", edited(edited(a, 3, 7, "tail"), 3, 3, "0"));
  dir.write("locus-twice.tsv", edited(a, 3, 0, "2"));
  dir.write("pop-beyond.tsv", std::regex_replace(ap, std::regex("\n1\t2\t"), "\n1\t200000000\t"));
  dir.write("chi2-infinite.tsv", edited(a, 3, 8, "inf"));
  dir.write("df-below.tsv", edited(ap, 3, 13, "-3"));
  dir.write("label-other.tsv", edited(ap, 6, 2, "elsewhere"));
  const std::string listing = dir.listing();
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string line;
  } cases[] = {
      {{"merge", "-t", "m.tsv", "a.tsv", "seed2.tsv"}, 1, "seed2.tsv was run with seed=2, a.tsv with seed=1"},
      {{"merge", "-t", "m.tsv", "a.tsv", "g.tsv"}, 1, "g.tsv was run with test=genic-g, a.tsv with no test="},
      {{"merge", "-t", "m.tsv", "a.tsv", "overlap.tsv"}, 1, "a.tsv and overlap.tsv both hold locus 2"},
      {{"merge", "-t", "m.tsv", "a.tsv", "chain.tsv"}, 1, "chain.tsv was run with sampler=chain, a.tsv with sampler=independent"},
      {{"merge", "-t", "m.tsv", "a.tsv", "hits20.tsv"}, 1, "hits20.tsv was run with hits=20, a.tsv with hits=100"},
      {{"merge", "-t", "m.tsv", "a.tsv", "samples5000.tsv"}, 1,
       "samples5000.tsv was run with samples=5000, a.tsv with samples=auto"},
      {{"merge", "-t", "m.tsv", "a.tsv", "a.tsv"}, 1, "a.tsv and a.tsv both hold locus 1"},
      {{"merge", "-t", "m.tsv", "locus-twice.tsv"}, 1, "locus-twice.tsv holds locus 2 twice"},
      {{"merge", "-t", "m.tsv", "a.tsv", "c.tsv"}, 1, "c.tsv: line 1: a table of ortelan_c, not of ortelan_3d: merge it with ortelan_c merge"},
      {{"merge", "-t", "m.tsv", "b.tsv", "cut.tsv"}, 1, "cut.tsv: line 5: a row of 16 fields where the table has 18: the file is cut short"},
      {{"merge", "-t", "m.tsv", "b.tsv", "notail.tsv"}, 1, "notail.tsv: line 5: no TOTAL row at the end"},
      {{"merge", "-t", "m.tsv", "empty.tsv"}, 1, "empty.tsv: line 1: empty, not a results, pairs, hierarchy or permutation table of ortelan_3d"},
      {{"merge", "-t", "m.tsv", "trout.gen"}, 1, "trout.gen: line 1: not a results, pairs, hierarchy or permutation table of ortelan_3d"},
      {{"merge", "-t", "m.tsv", "a.tsv", "b-p.tsv"}, 1, "b-p.tsv is a pairs table, and neither --pairs nor --pairs-plot asks for one"},
      {{"merge", "--pairs", "m.tsv", "a-p.tsv", "a.tsv"}, 1, "a.tsv is a results table, and neither -t nor --manhattan asks for one"},
      {{"merge", "-t", "m.tsv", "--pairs", "p.tsv", "a.tsv"}, 1, "no pairs table among the shards"},
      {{"merge", "-t", "m.tsv", "missing.tsv"}, 1, "cannot read missing.tsv: No such file or directory"},
      {{"merge", "-t", "m.tsv", "b.tsv", "p-beyond.tsv"}, 1, "p-beyond.tsv: line 3: p_fisher is not from 0 to 1: 20.25"},
      {{"merge", "-t", "m.tsv", "b.tsv", "se-beyond.tsv"}, 1, "se-beyond.tsv: line 3: se_fisher is not from 0 to 1: -0.5"},
      {{"merge", "-t", "m.tsv", "p-nan.tsv"}, 1, "p-nan.tsv: line 3: p_fisher is not a number: nan"},
      {{"merge", "-t", "m.tsv", "p-na.tsv"}, 1, "p-na.tsv: line 3: no p_fisher for a tested locus"},
      {{"merge", "-t", "m.tsv", "locus-beyond.tsv"}, 1, "locus-beyond.tsv: line 3: locus is not a number: 4294967297"},
      {{"merge", "-t", "m.tsv", "exact-unknown.tsv"}, 1, "exact-unknown.tsv: line 1: exact=bogus is neither auto nor never"},
      {{"merge", "--pairs", "m.tsv", "pairs-header-only.tsv"}, 1,
       "pairs-header-only.tsv: line 3: no rows of pairs: the table is cut short"},
      {{"merge", "--pairs", "m.tsv", "exact-zero.tsv"}, 1,
       "exact-zero.tsv: line 3: p_fisher is not above 0 where the method is exact"},
      {{"merge", "-t", "m.tsv", "method-unknown.tsv"}, 1,
       "method-unknown.tsv: line 3: method is not exact, sampled, tail or chain: guess"},
      {{"merge", "-t", "m.tsv", "tail-zero.tsv"}, 1, "tail-zero.tsv: line 3: p_fisher is not above 0 where the method is tail"},
      {{"merge", "--pairs", "m.tsv", "pop-beyond.tsv"}, 1,
       "pop-beyond.tsv: line 3: not the rows of pair 1, 2 of 200000000 populations"},
      {{"merge", "-t", "m.tsv", "chi2-infinite.tsv"}, 1, "chi2-infinite.tsv: line 3: chi2 is not finite: inf"},
      {{"merge", "--pairs", "m.tsv", "df-below.tsv"}, 1,
       "df-below.tsv: line 3: df is not a finite number of degrees of freedom: -3"},
      {{"merge", "--pairs", "m.tsv", "label-other.tsv"}, 1,
       "label-other.tsv: line 6: population 1 is labelled elsewhere here and ari07 before"},
      {{"merge", "-t", "m.tsv"}, 2, "merge: SHARD is required"},
      {{"merge", "a.tsv", "b.tsv"}, 2, "merge: give what to write: -t, --pairs, --pairs-plot or --manhattan"},
      {{"merge", "-d", "10", "-t", "m.tsv", "a.tsv"}, 2, "merge: The following argument was not expected: -d"},
      {{"merge", "--popmap", "p.txt", "-t", "m.tsv", "a.tsv"}, 2, "merge: The following argument was not expected: --popmap"},
      {{"merge", "-t", "m.tsv", "--pairs", "m.tsv", "a.tsv", "a-p.tsv"}, 2, "--table and --pairs name the same file m.tsv"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const ProcessResult r = runWith(k3d, c.arguments, dir);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ortelan_3d: error: " + c.line + (c.status == 2 ? "\nRun with --help for more information.\n" : "\n"));
    EXPECT_EQ(dir.listing(), listing);
    // Refused before it holds much (pop-beyond.tsv held 6 GB).
    EXPECT_LT(r.peakMemoryKb, 300 * 1024);
  }
}

}  // namespace
}  // namespace ortelan::testing
