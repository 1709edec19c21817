#include "app/scripted_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/progress_meter.h"
#include "apps/editions.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using testing::ScratchDir;
using testing::ScriptedConsole;

const char* kData =
    "Two loci\nAdh\nMono\n"
    "Pop\na1, 001002 003003\na2, 002002 003003\n"
    "Pop\nb1, 001001 003003\nb2, 001002 003003\n";

RunSettings settings() {
  RunSettings s;
  s.dataFile = "data.gen";
  s.chain = {100, 2, 50};
  s.seed = 5;
  return s;
}

TEST(ScriptedRun, MeterOnATerminalNoInputNoPauseAndNoTraceOfTheTableData) {
  ScratchDir dir;
  dir.write("data.gen", kData);
  ScriptedConsole console("input that must stay unread");
  console.errIsTerminal = true;
  EXPECT_EQ(runScripted<long double>(edition3d(), settings(), console), 0);
  EXPECT_EQ(console.out(), "");
  // One tested locus: the meter shows 0 then 1 of 1, and is taken away.
  EXPECT_TRUE(console.err().starts_with("\r0/1 loci    0%  0:00 elapsed\x1b[K")) << console.err();
  EXPECT_TRUE(console.err().ends_with("\r1/1 loci  100%  0:00 elapsed\x1b[K\r\x1b[K")) << console.err();
  EXPECT_EQ(console.unreadInput(), 27u);
  EXPECT_FALSE(console.privateDirectory.empty());
  EXPECT_FALSE(std::filesystem::exists(console.privateDirectory));
  EXPECT_EQ(dir.listing(), "Ortelan.out\ndata.gen\n");

  // Quiet, or not on a terminal: no meter. Numeric notes go on without a wait.
  for (bool quiet : {true, false}) {
    ScriptedConsole plain("1\n");
    plain.errIsTerminal = quiet;
    RunSettings s = settings();
    s.quiet = quiet;
    s.loci = parseLociList("2").list;  // the monomorphic locus alone: totals over nothing
    EXPECT_EQ(runScripted<double>(editionC(), s, plain), 0);
    EXPECT_EQ(plain.err(), "pause in GAMMQ - invalid arguments\npause in GAMMQ - invalid arguments\n");
    EXPECT_EQ(plain.out(), "");
    EXPECT_EQ(plain.unreadInput(), 2u);
  }
}

TEST(ScriptedRun, MeterLineTellsTheTimeLeft) {
  EXPECT_EQ(ProgressMeter::line(0, 40, "loci", 0), "0/40 loci    0%  0:00 elapsed");
  EXPECT_EQ(ProgressMeter::line(10, 40, "loci", 65000), "10/40 loci   25%  1:05 elapsed, about 3:15 left");
  EXPECT_EQ(ProgressMeter::line(3, 4, "pair-loci", 3 * 3600 * 1000), "3/4 pair-loci   75%  3:00:00 elapsed, about 1:00:00 left");
  EXPECT_EQ(ProgressMeter::line(4, 4, "loci", 1000), "4/4 loci  100%  0:01 elapsed");
}

}  // namespace
}  // namespace ortelan
