// Scripted runs of the real programs on genome-scale files: more loci and
// populations than the dialogue takes, no file anywhere but the outputs
// while they run, and memory that does not grow with the individuals.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <regex>
#include <sstream>
#include <thread>

#include "apps/programs.h"
#include "support/snp_genepop.h"

namespace ortelan {
namespace {

using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::ProcessResult;
using testing::runWith;
using testing::ScratchDir;

const std::vector<std::string> kOneStepChain = {"-q", "-s", "1", "-d", "0", "-b", "2", "-i", "1"};

struct Program {
  std::string path;
  int digits;
};
const Program kPrograms[] = {{k3d, 3}, {k2d, 2}, {kC, 2}};

void writeFile(const ScratchDir& dir, const std::string& name, testing::SnpShape shape) {
  std::ofstream out(dir.path() / name, std::ios::binary);
  writeSnpGenepop(out, shape);
}

std::vector<std::string> withChain(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), kOneStepChain.begin(), kOneStepChain.end());
  return arguments;
}

std::size_t lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(GenomeScale, MoreLociAndPopulationsThanTheDialogueTakes) {
  struct Case {
    testing::SnpShape shape;
    std::string lociLine, populationsLine;
  };
  const Case cases[] = {
      {{20000, 3, 2}, "Number of loci =           20000", "Number of populations =        3"},
      {{5, 150, 2}, "Number of loci =               5", "Number of populations =      150"},
  };
  for (const Program& program : kPrograms) {
    for (Case c : cases) {
      SCOPED_TRACE(program.path + " " + c.lociLine);
      ScratchDir dir, temp;
      c.shape.digits = program.digits;
      writeFile(dir, "data.gen", c.shape);
      const ProcessResult r = runWith(program.path, withChain({"-t", "res.tsv", "-o", "res.out", "data.gen"}), dir,
                                      temp.path().string());
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.err, "");
      const std::string table = dir.read("res.tsv"), report = dir.read("res.out");
      EXPECT_EQ(lines(table), static_cast<std::size_t>(c.shape.loci) + 3);
      EXPECT_NE(report.find(c.lociLine + "\r\n"), std::string::npos);
      EXPECT_NE(report.find(c.populationsLine + "\r\n"), std::string::npos);
      EXPECT_EQ(dir.listing(), "data.gen\nres.out\nres.tsv\n");
      EXPECT_EQ(temp.listing(), "");
    }
  }
}

// While a run goes on, nothing is written: not beside the data, not in the
// temporary directory; and an interrupted run leaves nothing either.
TEST(GenomeScale, NoFileAppearsWhileARunGoesOn) {
  ScratchDir dir, temp;
  writeFile(dir, "data.gen", {300, 4, 10, 3, 5});
  auto running = std::async(std::launch::async, [&] {
    return testing::runProcess(k3d, "", dir.path().string(), 60, {"-d", "2000000000", "--sampler", "chain", "-t", "res.tsv", "data.gen"},
                               {"TMPDIR=" + temp.path().string()}, 3000);
  });
  // As it starts, the run makes and removes an empty file beside each output
  // (.~<name>.<pid>.tmp), to know that it can write there. Such a probe lives
  // for microseconds, so a look every 20 ms catches it once or twice at most,
  // whenever the run starts; a file kept while the run goes on is seen at
  // every look.
  const std::regex probes("(\\.~[^\n]*\\.tmp\n)*data\\.gen\n(\\.~[^\n]*\\.tmp\n)*");
  int looks = 0, probesSeen = 0;
  while (running.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
    EXPECT_EQ(temp.listing(), "");
    const std::string listing = dir.listing();
    EXPECT_TRUE(std::regex_match(listing, probes)) << listing;
    if (listing != "data.gen\n") ++probesSeen;
    ++looks;
  }
  EXPECT_LE(probesSeen, 2);
  const ProcessResult r = running.get();
  EXPECT_EQ(r.status, 130) << r.err << " signal " << r.signal;
  EXPECT_GT(looks, 50);
  EXPECT_EQ(dir.listing(), "data.gen\n");
  EXPECT_EQ(temp.listing(), "");
}

// Ten times the individuals, the same loci and populations: the peak
// resident memory grows by no more than 4 MB (the tables' counts may need a
// wider cell; the file is never held).
TEST(GenomeScale, PeakMemoryDoesNotGrowWithTheIndividuals) {
  // Under the address sanitizer, freed memory is held back (up to 256 MB)
  // to catch its later use: a peak would measure what the run freed, not
  // what it held, and the tables drawn for larger loci free more.
  const char* inherited = std::getenv("ASAN_OPTIONS");
  const std::string heldFreedMemoryOff =
      "ASAN_OPTIONS=" + std::string(inherited != nullptr && *inherited != '\0' ? std::string(inherited) + ":" : "") +
      "quarantine_size_mb=0";
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.path);
    ScratchDir dir;
    long peak[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
      writeFile(dir, "data.gen", {3000, 10, i == 0 ? 20 : 200, program.digits, 9});
      const ProcessResult r = testing::runProcess(program.path, "", dir.path().string(), 120,
                                                  withChain({"-o", "res.out", "data.gen"}), {heldFreedMemoryOff});
      ASSERT_EQ(r.status, 0) << r.err;
      peak[i] = r.peakMemoryKb;
    }
    EXPECT_LE(peak[1], peak[0] + 4096) << "peaks " << peak[0] << " and " << peak[1] << " kB";
  }
}

}  // namespace
}  // namespace ortelan
