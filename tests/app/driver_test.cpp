#include "app/driver.h"

#include <gtest/gtest.h>

#include <regex>

#include "apps/editions.h"
#include "input/tables/table_data_writer.h"
#include "report/writefinal.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using testing::crlf;
using testing::ScratchDir;
using testing::ScriptedConsole;

// Two populations; locus Pgm is all ones (P 1 exactly), Mono has one
// allele, Gone is missing everywhere, Adh can move.
const char* kData =
    "Small test data\n"
    "Pgm\nMono\nGone\nAdh\n"
    "Pop\n"
    "a1, 001002 003003 000000 001001\n"
    "a2, 000000 003003 000000 001002\n"
    "a3, 000000 003003 000000 002002\n"
    "Pop\n"
    "b1, 001002 003003 000000 002002\n"
    "b2, 000000 003003 000000 002002\n";

template <class Real>
int runWith(const Edition& edition, ScriptedConsole& console) {
  return runProgram<Real>(edition, console);
}

TEST(Driver, CompleteRunWritesTheReportAndRemovesTheTableData) {
  ScratchDir dir;
  dir.write("small.gen", kData);
  ScriptedConsole console("small.gen\nY200\n10\n100\n");
  EXPECT_EQ(runWith<long double>(edition3d(), console), 0);
  EXPECT_EQ(dir.listing(), "Ortelan.out\nsmall.gen\n");
  const std::string report = dir.read("Ortelan.out");
  EXPECT_EQ(report.substr(0, report.find("\r\n\r\n")),
            "Output from Ortelan_3d (5.0)  Input file: small.gen    Date: 2026-03-05 ");
  EXPECT_NE(report.find(crlf("Number of loci =               4\n"
                             "Number of individuals =        5\n"
                             "Number of populations =        2\n\n"
                             "The P-values from Fisher's exact test were obtained using:\n"
                             "200 dememorization steps and a total of 1000 iterations\n"
                             "(10 batches with 100 iterations/batch).\n")),
            std::string::npos);
  EXPECT_NE(report.find(crlf(" Pgm                                1.00000     0.00000            0.000       1      1.00000\n"
                             " Mono                          \n"
                             " Gone                          \n")),
            std::string::npos);
  // The screen is cleared at the end; the progress line showed every locus.
  EXPECT_TRUE(console.screen().ends_with("<GOTO 14,20>... and now processing locus no.       4<CLS>"));
  EXPECT_EQ(console.unreadInput(), 0u);
}

TEST(Driver, SameClockSameReportInEveryProgram) {
  for (const Edition* edition : {&edition3d(), &editionC()}) {
    std::string reports[2];
    for (std::string& report : reports) {
      ScratchDir dir;
      dir.write("small.gen", kData);
      ScriptedConsole console("small.gen\n\n");
      const int status = edition == &editionC() ? runWith<double>(*edition, console)
                                                : runWith<long double>(*edition, console);
      EXPECT_EQ(status, 0);
      report = dir.read("Ortelan.out");
    }
    EXPECT_EQ(reports[0], reports[1]);
  }
}

TEST(Driver, DoubleProgramConsoleDuringARun) {
  ScratchDir dir;
  dir.write("small.gen", kData);
  ScriptedConsole console("small.gen\n\n");
  EXPECT_EQ(runWith<double>(editionC(), console), 0);
  const std::string& out = console.out();
  EXPECT_TRUE(out.ends_with("             Execution is not finished until this screen disappears\n"
                            "\n  Now processing locus no. 1\r  Now processing locus no. 4\r"
                            "\n do_chisquare\n1\r4\r"))
      << out;
  EXPECT_EQ(console.err(), "");
  EXPECT_EQ(dir.listing(), "Ortelan.out\nsmall.gen\n");
}

TEST(Driver, DataFileWithoutLoci) {
  ScratchDir dir;
  dir.write("none.gen", "No loci here\nPop\nx, \n");
  ScriptedConsole console("none.gen\n\n");
  EXPECT_EQ(runWith<long double>(edition2d(), console), 0);
  const std::string report = dir.read("Ortelan.out");
  EXPECT_NE(report.find("Number of loci =               0\r\n"), std::string::npos);
  EXPECT_TRUE(report.ends_with(crlf("-----------------------------------------------------------------------------------------------\n"
                                    "-----------------------------------------------------------------------------------------------\n"
                                    " TOTAL                              1.00000                        0.000       0      1.00000\n")));
  // Both totals paused on their empty sums.
  EXPECT_NE(console.out().find("pause in GAMMQ - invalid arguments\npause in GAMMQ - invalid arguments\n"),
            std::string::npos);
}

TEST(Driver, MissingTableFileAtTheEndIsARunTimeErrorAfterTheReport) {
  ScratchDir dir;
  dir.write("small.gen", kData);
  ScriptedConsole console("small.gen\n\n");
  console.undeletable.insert(locusTableFileName(2));
  EXPECT_EQ(runWith<long double>(edition3d(), console), kRunTimeErrorStatus);
  EXPECT_EQ(dir.listing(), "Ortelan.out\nsmall.gen\n~locus2.tmp\n~locus3.tmp\n~locus4.tmp\n");
  const std::regex report(
      "An unhandled exception occurred at \\$[0-9A-F]{8} :\n"
      "EInOutError : File not found\n"
      "(  \\$[0-9A-F]{8}  [A-Za-z_ ]+\n)+\n$");
  const std::string& out = console.out();
  EXPECT_TRUE(std::regex_search(out, report)) << out;
}

TEST(Driver, DoubleProgramThatCannotRemoveItsTableData) {
  ScratchDir dir;
  dir.write("small.gen", kData);
  ScriptedConsole console("small.gen\n\n");
  console.undeletable.insert(kSharedTableFile);
  EXPECT_EQ(runWith<double>(editionC(), console), kFatalStopStatus);
  EXPECT_EQ(dir.listing(), "Ortelan.out\nsmall.gen\n~TMPlocus.tmp\n");
  EXPECT_EQ(console.err(), "\n=========Error: Error deleting file - tmpfile\n");
  EXPECT_TRUE(console.out().ends_with("Press any key to continue . . . \n"));
}

TEST(Driver, StopBeforeTheReportKeepsTheEarlierReport) {
  ScratchDir dir;
  dir.write("Ortelan.out", "earlier report");
  // A single population: the first tested locus cannot be tested.
  dir.write("one.gen", "One population\nL1\nPop\na, 0102\nb, 0101\n");
  ScriptedConsole console("one.gen\n\n");
  EXPECT_EQ(runWith<long double>(edition2d(), console), 0);
  EXPECT_EQ(dir.read("Ortelan.out"), "earlier report");
  EXPECT_EQ(dir.listing(), "Ortelan.out\none.gen\n~locus1.tmp\n");
  EXPECT_TRUE(console.out().ends_with("Table only contains one row!!\n"));
}

}  // namespace
}  // namespace ortelan
