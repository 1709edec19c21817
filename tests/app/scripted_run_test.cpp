#include "app/scripted_run.h"

#include <gtest/gtest.h>


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

TEST(ScriptedRun, MeterOnATerminalNoInputNoPauseAndNoTableData) {
  ScratchDir dir;
  dir.write("data.gen", kData);
  ScriptedConsole console("input that must stay unread");
  console.errIsTerminal = true;
  EXPECT_EQ(runScripted<long double>(edition3d(), settings(), console), 0);
  EXPECT_EQ(console.out(), "");
  // The file read, then one tested locus: the meter shows the bytes, then 0
  // and 1 of 1 loci, and is taken away.
  EXPECT_EQ(console.err(),
            "\r0.0/0.1 kB read    0%  0:00 elapsed\x1b[K\r0.1/0.1 kB read  100%  0:00 elapsed\x1b[K"
            "\r0/1 loci    0%  0:00 elapsed\x1b[K\r1/1 loci  100%  0:00 elapsed\x1b[K\r\x1b[K");
  EXPECT_EQ(console.unreadInput(), 27u);
  // The tables stay in memory: no directory is made for them.
  EXPECT_TRUE(console.privateDirectory.empty());
  EXPECT_EQ(dir.listing(), "Ortelan.out\ndata.gen\n");

  // Quiet, or not on a terminal: no meter. Totals over no tested locus are
  // NA, with no numeric note and nothing read.
  for (bool quiet : {true, false}) {
    ScriptedConsole plain("1\n");
    plain.errIsTerminal = quiet;
    RunSettings s = settings();
    s.quiet = quiet;
    s.loci = parseLociList("2").list;  // the monomorphic locus alone: totals over nothing
    EXPECT_EQ(runScripted<double>(editionC(), s, plain), 0);
    EXPECT_EQ(plain.err(), "");
    EXPECT_EQ(plain.out(), "");
    EXPECT_EQ(plain.unreadInput(), 2u);
  }
}

TEST(ScriptedRun, MeterLineTellsTheTimeLeft) {
  EXPECT_EQ(ProgressMeter::line(0, 40, "loci", 0), "0/40 loci    0%  0:00 elapsed");
  EXPECT_EQ(ProgressMeter::line(10, 40, "loci", 65000), "10/40 loci   25%  1:05 elapsed, about 3:15 left");
  EXPECT_EQ(ProgressMeter::line(3, 4, "pair-loci", 3 * 3600 * 1000), "3/4 pair-loci   75%  3:00:00 elapsed, about 1:00:00 left");
  EXPECT_EQ(ProgressMeter::line(4, 4, "loci", 1000), "4/4 loci  100%  0:01 elapsed");
  using Unit = WorkMeter::Unit;
  EXPECT_EQ(ProgressMeter::line(150'000'000, 600'000'000, "read", 1000, Unit::Bytes),
            "150.0/600.0 MB read   25%  0:01 elapsed, about 0:03 left");
  EXPECT_EQ(ProgressMeter::line(512, 2048, "read", 0, Unit::Bytes), "0.5/2.0 kB read   25%  0:00 elapsed, about 0:00 left");
  EXPECT_EQ(ProgressMeter::line(2'500'000'000, 5'000'000'000, "read", 0, Unit::Bytes), "2.5/5.0 GB read   50%  0:00 elapsed, about 0:00 left");
}

}  // namespace
}  // namespace ortelan
