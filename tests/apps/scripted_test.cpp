// Scripted runs of the real programs: the same seed gives the same results
// anywhere, on any number of threads and for any subset of loci; a run is
// repeated from the seed its table records; the estimates lie within their
// errors of exact values; every fault ends in one line with nothing left.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <sstream>
#include <tuple>
#include <vector>

#include "apps/programs.h"
#include "support/exact_p_value.h"

namespace ortelan {
namespace {

using testing::ExactPValue;
using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::ProcessResult;
using testing::runWith;
using testing::ScratchDir;

std::string exampleFile() {
  std::ifstream in(std::string(ORTELAN_EXAMPLES_DIR) + "/trout.gen", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The example with two-digit codes: the last two digits of each code.
std::string twoDigitExample() {
  return std::regex_replace(exampleFile(), std::regex("0([0-9]{2})0([0-9]{2})"), "$1$2");
}

struct Program {
  std::string path;
  std::string data;
};

std::vector<Program> programs() { return {{k3d, exampleFile()}, {k2d, twoDigitExample()}, {kC, exampleFile()}}; }

std::string withoutDate(const std::string& report) {
  return std::regex_replace(report, std::regex("Date: [0-9-]+"), "Date:");
}

// Data rows of a results table, by locus.
std::map<std::string, std::string> rowsByLocus(const std::string& table) {
  std::map<std::string, std::string> rows;
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#' || line.starts_with("locus\t")) continue;
    rows[line.substr(0, line.find('\t'))] = line;
  }
  return rows;
}

const std::vector<std::string> kShortChain = {"-d", "1000", "-b", "10", "-i", "1000"};

std::vector<std::string> args(std::vector<std::string> head, const std::vector<std::string>& tail = kShortChain) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

TEST(Scripted, SameSeedSameResultsAnywhereOnAnyThreadCountAndLociSubset) {
  for (const Program& program : programs()) {
    SCOPED_TRACE(program.path);
    std::string table, report;
    for (const auto& options : {std::vector<std::string>{}, {"-j", "1"}, {"-j", "2"}}) {
      ScratchDir dir;
      dir.write("data.gen", program.data);
      std::vector<std::string> arguments = args({"-s", "42", "-t", "res.tsv", "data.gen"});
      arguments.insert(arguments.end(), options.begin(), options.end());
      const ProcessResult r = runWith(program.path, arguments, dir);
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out + r.err, "");
      EXPECT_EQ(dir.listing(), "Ortelan.out\ndata.gen\nres.tsv\n");
      if (table.empty()) {
        table = dir.read("res.tsv"), report = withoutDate(dir.read("Ortelan.out"));
        EXPECT_TRUE(table.starts_with("# " + program.path.substr(program.path.rfind('/') + 1) +
                                      " " + (program.path == kC ? "0.8" : "5.0") +
                                      " input=data.gen seed=42 dememorization=1000 batches=10 iterations=1000"
                                      " exact=auto sampler=independent hits=100 samples=auto\r\n"
                                      "locus\tname\talleles\tp_fisher\tse_fisher\tp_low\tp_high\tmethod\tchi2\tdf\tp_chi2"
                                      "\tfis\tfst\tfit\tfst_num\tfst_den\tfst_low\tfst_high\r\n"))
            << table;
      }
      EXPECT_EQ(dir.read("res.tsv"), table);
      EXPECT_EQ(withoutDate(dir.read("Ortelan.out")), report);
    }
    // A subset: the same rows, and a report of those loci alone.
    ScratchDir dir;
    dir.write("data.gen", program.data);
    const ProcessResult r = runWith(program.path, args({"-s", "42", "--loci", "4,2", "-t", "-", "data.gen"}), dir);
    EXPECT_EQ(r.status, 0) << r.err;
    const auto full = rowsByLocus(table), part = rowsByLocus(r.out);
    EXPECT_EQ(part.size(), 3u);
    for (const std::string locus : {"2", "4"}) EXPECT_EQ(part.at(locus), full.at(locus));
    const std::string subsetReport = dir.read("Ortelan.out");
    EXPECT_NE(subsetReport.find("Number of loci =               4"), std::string::npos);
    EXPECT_EQ(subsetReport.find("Str15"), std::string::npos);
    EXPECT_NE(subsetReport.find("Ssa85"), std::string::npos);
  }
}

TEST(Scripted, TwoRunsInOneDirectoryAtOnceDoNotDisturbEachOther) {
  ScratchDir dir;
  dir.write("data.gen", exampleFile());
  auto start = [&](const std::string& name) {
    return std::async(std::launch::async, [&, name] {
      return runWith(k3d, args({"-s", "9", "-o", name + ".out", "-t", name + ".tsv", "data.gen"}), dir);
    });
  };
  auto first = start("a"), second = start("b");
  EXPECT_EQ(first.get().status, 0);
  EXPECT_EQ(second.get().status, 0);
  EXPECT_EQ(dir.listing(), "a.out\na.tsv\nb.out\nb.tsv\ndata.gen\n");
  EXPECT_EQ(dir.read("a.tsv"), dir.read("b.tsv"));
}

TEST(Scripted, RunWithoutSeedIsRepeatedFromTheSeedInItsTable) {
  ScratchDir dir;
  dir.write("data.gen", exampleFile());
  const ProcessResult first = runWith(k3d, args({"-t", "-", "-q", "data.gen"}), dir);
  ASSERT_EQ(first.status, 0) << first.err;
  std::smatch seed;
  ASSERT_TRUE(std::regex_search(first.out, seed, std::regex(" seed=([0-9]+) ")));
  const ProcessResult again = runWith(k3d, args({"-t", "-", "-s", seed[1], "data.gen"}), dir);
  EXPECT_EQ(again.out, first.out);
}

// A device such as /dev/null takes any number of outputs and stays what it
// is: the outputs go through it, and nothing is made beside it or here.
TEST(Scripted, OutputsToDevicesGoThroughThem) {
  ScratchDir dir, temp;
  dir.write("data.gen", exampleFile());
  const ProcessResult toStandardOutput = runWith(
      k3d, args({"-s", "4", "-o", "/dev/null", "-t", "-", "--pairs", "/dev/null", "--pairs-plot", "/dev/null",
                 "--manhattan", "/dev/null", "data.gen"}),
      dir, temp.path().string());
  ASSERT_EQ(toStandardOutput.status, 0) << toStandardOutput.err;
  EXPECT_TRUE(toStandardOutput.out.starts_with("# ortelan_3d ")) << toStandardOutput.out;
  const ProcessResult throughDevice =
      runWith(k3d, args({"-s", "4", "-o", "/dev/null", "-t", "/dev/stdout", "data.gen"}), dir, temp.path().string());
  EXPECT_EQ(throughDevice.status, 0) << throughDevice.err;
  EXPECT_EQ(throughDevice.out, toStandardOutput.out);
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
  EXPECT_EQ(dir.listing(), "data.gen\n");
  EXPECT_EQ(temp.listing(), "");
  const ProcessResult oneFileTwice = runWith(k3d, args({"-o", "x.tsv", "-t", "./x.tsv", "data.gen"}), dir);
  EXPECT_EQ(oneFileTwice.status, 2);
  EXPECT_TRUE(oneFileTwice.err.starts_with("ortelan_3d: error: --output and --table name the same file x.tsv\n"))
      << oneFileTwice.err;
  EXPECT_EQ(dir.listing(), "data.gen\n");
}

// Small tables whose exact P-values the test lists itself.
TEST(Scripted, SeededEstimatesLieWithinTheirErrorsOfTheExactPValues) {
  const std::vector<std::vector<std::vector<int>>> tables = {
      {{3, 1, 0}, {0, 2, 4}}, {{2, 2}, {2, 3}, {0, 3}}, {{5, 0, 1, 0}, {1, 3, 0, 2}, {0, 1, 2, 2}}};
  // One locus per table; individuals made of the table's gene copies.
  std::string data = "Exact tables\nT1\nT2\nT3\n";
  const std::size_t rows = 3;
  for (std::size_t pop = 0; pop < rows; ++pop) {
    data += "Pop\n";
    std::vector<std::vector<int>> genes(tables.size());
    for (std::size_t t = 0; t < tables.size(); ++t) {
      if (pop >= tables[t].size()) continue;
      for (std::size_t column = 0; column < tables[t][pop].size(); ++column) {
        genes[t].insert(genes[t].end(), static_cast<std::size_t>(tables[t][pop][column]), static_cast<int>(column) + 1);
      }
    }
    std::size_t individuals = 0;
    for (const auto& g : genes) individuals = std::max(individuals, (g.size() + 1) / 2);
    for (std::size_t i = 0; i < individuals; ++i) {
      data += "i,";
      for (const auto& g : genes) {
        auto gene = [&](std::size_t k) { return k < g.size() ? g[k] : 0; };
        char text[16];
        std::snprintf(text, sizeof text, " %03d%03d", gene(2 * i), gene(2 * i + 1));
        data += text;
      }
      data += "\n";
    }
  }
  ScratchDir dir;
  dir.write("exact.gen", data);
  for (const std::string seed : {"1", "2", "18446744073709551615"}) {
    const ProcessResult r = runWith(k3d, {"-s", seed, "-b", "20", "-i", "2000", "-t", "-", "exact.gen"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = rowsByLocus(r.out);
    for (std::size_t t = 0; t < tables.size(); ++t) {
      std::istringstream row(rows.at(std::to_string(t + 1)));
      std::string locus, name, alleles;
      double p = 0, se = 0;
      row >> locus >> name >> alleles >> p >> se;
      const double exact = ExactPValue(tables[t]).value();
      EXPECT_LE(std::fabs(p - exact), 4 * se + 0.002) << "table " << t + 1 << " seed " << seed << ": " << p << " vs "
                                                      << exact;
    }
  }
}

// A fault ends the run with one line on standard error and its status, and
// leaves the working directory and the temporary directory as they were.
TEST(Scripted, FaultsEndInOneLineWithNothingLeftBehind) {
  std::string manyAlleles = "Many alleles\nL\nPop\n";
  for (int code = 100; code < 200; ++code) manyAlleles += "i, " + std::to_string(code) + std::to_string(code) + "\n";
  struct Case {
    std::vector<std::string> arguments;
    std::string data;
    int status;
    std::string err;  // after "<program>: error: "
  };
  const std::string hint = "\nRun with --help for more information.\n";
  const Case cases[] = {
      {{"missing.gen"}, "", 1, "cannot read missing.gen: No such file or directory\n"},
      {{"-b", "1", "data.gen"}, exampleFile(), 2, "--batches: Value 1 not in range 2 to 2147483647" + hint},
      {{"-i", "0", "data.gen"}, exampleFile(), 2, "--iterations: Value 0 not in range 1 to 2147483647" + hint},
      {{"-s", "5", "-s", "6", "data.gen"}, exampleFile(), 2, "--seed: At Most 1 required but received 2" + hint},
      {{"--loci", "2-9", "data.gen"}, exampleFile(), 2, "--loci: locus 9 is beyond the last locus of data.gen (4)" + hint},
      {{"--loci", "3,,4", "data.gen"}, exampleFile(), 2,
       "--loci: '' is not a locus number (1, 2, ...) or a range such as 3-9" + hint},
      {{"-o", "none/out.txt", "data.gen"}, exampleFile(), 1, "cannot write none/out.txt: No such file or directory\n"},
      {{"data.gen"}, "T\nL1\nL2\nPop\na, 001001 002002\nb, 001001\n", 1,
       "data.gen: line 6: fewer genotypes than loci (1 of 2)\n"},
      {{"data.gen"}, manyAlleles, 1, "data.gen: locus 1 (L): more than 99 alleles; the limit is 99 alleles per locus\n"},
      {{"data.gen"}, "T\nL1\nPop\na, 001001 002002\nPop\nb, 001001\n", 1,
       "data.gen: line 4: more genotypes than loci (1 in the name list)\n"},
      {{"data.gen"}, "T\nL\nPop\na, 001002\nb, 002002\n", 1,
       "data.gen: locus 1 (L): the data hold a single population; the tests need two or more\n"},
      {{"data.gen"}, "T\nL1\nL2\n", 1, "data.gen: no population line (Pop) after the locus names\n"},
      {{"data.gen"}, "T\nPop\na 001001\n", 1, "data.gen: no locus name before the first population line\n"},
      {{"data.gen"}, "T\nL1\nPop\na 001001\nPop\nb 002002\n", 1,
       "data.gen: no individual after the first population line\n"},
  };
  for (const Case& c : cases) {
    ScratchDir dir, temp;
    dir.write("Ortelan.out", "an earlier report");
    if (!c.data.empty()) dir.write("data.gen", c.data);
    const std::string before = dir.listing();
    const ProcessResult r = runWith(k3d, c.arguments, dir, temp.path().string());
    SCOPED_TRACE(c.err);
    EXPECT_EQ(r.status, c.status);
    testing::expectLastWord(r);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ortelan_3d: error: " + c.err);
    EXPECT_EQ(dir.listing(), before);
    EXPECT_EQ(dir.read("Ortelan.out"), "an earlier report");
    EXPECT_EQ(temp.listing(), "");
  }
}

// Loci that are all monomorphic (a shard of a job array, say) are a run of
// untested loci and a TOTAL of NA, with nothing on the error stream.
TEST(Scripted, NoLocusToTestIsAQuietRun) {
  for (const std::string& program : {k3d, kC}) {
    ScratchDir dir;
    dir.write("data.gen", "T\nL1\nL2\nPop\na, 001001 002002\nPop\nb, 001001 002002\n");
    const ProcessResult r = runWith(program, args({"-q", "-s", "1", "-t", "t.tsv", "data.gen"}), dir);
    SCOPED_TRACE(program);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string table = dir.read("t.tsv");
    EXPECT_NE(table.find("\r\nTOTAL\tTOTAL\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\r\n"),
              std::string::npos)
        << table;
  }
}

TEST(Scripted, InterruptedRunEndsCleanly) {
  for (const std::string threads : {"1", "2"}) {
    ScratchDir dir, temp;
    dir.write("data.gen", exampleFile());
    const ProcessResult r = testing::runProcess(k3d, "", dir.path().string(), 60,
                                                {"-d", "2000000000", "-j", threads, "--exact", "never", "--sampler", "chain", "-t",
                                                 "res.tsv", "data.gen"},
                                                {"TMPDIR=" + temp.path().string()}, 400);
    EXPECT_EQ(r.status, 130) << threads;
    EXPECT_EQ(r.err, "ortelan_3d: error: interrupted\n");
    EXPECT_EQ(dir.listing(), "data.gen\n");
    EXPECT_EQ(temp.listing(), "");
  }
}

// The options of a help text: the names at the start of its option lines.
std::vector<std::string> optionsListed(const std::string& help) {
  std::vector<std::string> names;
  const std::regex line(R"(^  (-[A-Za-z],)?(--[a-z-]+))", std::regex::multiline);
  for (auto it = std::sregex_iterator(help.begin(), help.end(), line); it != std::sregex_iterator(); ++it) {
    if ((*it)[1].matched) names.push_back((*it)[1].str().substr(0, 2));
    names.push_back((*it)[2].str());
  }
  return names;
}

TEST(Scripted, HelpNamesTheMergeAndOnlyOptionsThatExist) {
  ScratchDir dir;
  for (const std::string& program : {k3d, k2d, kC}) {
    SCOPED_TRACE(program);
    const ProcessResult help = runWith(program, {"--help"}, dir);
    ASSERT_EQ(help.status, 0);
    const std::string name = std::filesystem::path(program).filename().string();
    EXPECT_NE(help.out.find("Subcommands:\n  merge SHARD..."), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("(" + name + " merge --help)"), std::string::npos) << help.out;
    const std::regex pairsPlot("\n  --pairs-plot [^\n]*F_ST below the diagonal, combined P above");
    const ProcessResult mergeHelp = runWith(program, {"merge", "--help"}, dir);
    ASSERT_EQ(mergeHelp.status, 0);
    EXPECT_NE(mergeHelp.out.find("Usage: " + name + " merge [OPTIONS] SHARD..."), std::string::npos);
    for (const auto& [text, arguments, count] :
         {std::tuple{help.out, std::vector<std::string>{"missing.gen"}, 17}, {mergeHelp.out, {"merge", "missing.tsv"}, 5}}) {
      EXPECT_TRUE(std::regex_search(text, pairsPlot)) << text;
      const std::vector<std::string> options = optionsListed(text);
      EXPECT_GE(options.size(), static_cast<std::size_t>(count)) << text;
      // The three share their command line: one tries each option.
      if (program != k2d) continue;
      // Each one listed is taken: given last, it is read (or asks for its value), never "not expected".
      for (const std::string& option : options) {
        std::vector<std::string> line = arguments;
        line.push_back(option);
        const ProcessResult r = runWith(program, line, dir);
        EXPECT_EQ(r.err.find("not expected"), std::string::npos) << option << ": " << r.err;
        EXPECT_EQ(r.status == 0, option == "-h" || option == "--help" || option == "-V" || option == "--version")
            << option << ": " << r.err;
      }
    }
    // and one that is not listed is refused.
    EXPECT_NE(runWith(program, {"missing.gen", "--no-such-option"}, dir).err.find("not expected"), std::string::npos);
  }
  EXPECT_EQ(dir.listing(), "");
}

TEST(Scripted, HelpVersionAndTheDoubleProgramsOwnFaults) {
  ScratchDir dir, temp;
  const ProcessResult help = runWith(kC, {"--help"}, dir);
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--dememorization", "--batches", "--iterations", "--seed", "--output", "--table",
                             "--threads", "--loci", "--quiet", "--version", "DATAFILE"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(runWith(kC, {"-V"}, dir).out, "ortelan_c 0.8\n");
  const std::pair<std::string, std::string> faults[] = {
      {"T\nL1\nL2\nPop\na, 0101 0101\nPop\nb, 0101 x101\n", "line 7: the genotype at locus 2 (L2) is not a number"},
      {"T\nL1\nPop\na, 0101\nPop\nb, 01002\n", "line 6: the genotype '01002' at locus 1 (L1) has neither four nor six digits (nor two or three, for one allele)"},
      {"T\nL1\nPop\na, 0101 / 0202\nPop\nb, 0102\n", "line 4: more genotypes than loci (1 in the name list)"},
  };
  for (const auto& [data, what] : faults) {
    dir.write("bad.gen", data);
    const ProcessResult fault = runWith(kC, {"bad.gen"}, dir, temp.path().string());
    EXPECT_EQ(fault.status, 1);
    testing::expectLastWord(fault);
    EXPECT_EQ(fault.err, "ortelan_c: error: bad.gen: " + what + "\n");
    EXPECT_EQ(dir.listing(), "bad.gen\n");
    EXPECT_EQ(temp.listing(), "");
  }
  // Zeros alone are a missing genotype, whatever their number.
  dir.write("zeros.gen", "T\nL1\nL2\nPop\na, 0101 0\nPop\nb, 0102 00\n");
  EXPECT_EQ(runWith(kC, {"-o", "-", "zeros.gen"}, dir).status, 0);
}

}  // namespace
}  // namespace ortelan
