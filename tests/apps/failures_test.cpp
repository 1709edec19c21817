// How the real programs end on bad input: the output, the exit status and
// what is left in the working directory.
#include <gtest/gtest.h>

#include <regex>

#include "apps/programs.h"
#include "support/process.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

using testing::ProcessResult;
using testing::k3d;
using testing::kC;
using testing::run;
using testing::ScratchDir;

// The unhandled-error report of the 80-bit programs, as the end of stdout.
bool endsWithErrorReport(const std::string& out, const std::string& classAndMessage) {
  const std::regex report("An unhandled exception occurred at \\$[0-9A-F]{8} :\n" + classAndMessage +
                          "\n(  \\$[0-9A-F]{8}  [A-Za-z_ ]+\n)+\n$");
  return std::regex_search(out, report);
}

std::string genotypeLine(const std::string& name, int loci, const std::string& genotype) {
  std::string line = name + ",";
  for (int i = 0; i < loci; ++i) line += " " + genotype;
  return line + "\n";
}

std::string manyLoci(int loci, const std::string& genotype) {
  std::string text = "Many loci\n";
  for (int i = 1; i <= loci; ++i) text += "L" + std::to_string(i) + "\n";
  return text + "Pop\n" + genotypeLine("a", loci, genotype) + "Pop\n" + genotypeLine("b", loci, genotype);
}

TEST(Failures, NoInputAtAllNeverBlocks) {
  ScratchDir dir;
  dir.write("d.gen", "t\nL\nPop\na, 0101\n");
  for (const std::string& program : {k3d, kC}) {
    const ProcessResult r = run(program, "", dir);
    EXPECT_TRUE(r.status == 217 || r.status == 246) << r.status;
  }
}

TEST(Failures, SettingsThatAreNotNumbers) {
  ScratchDir dir;
  dir.write("d.gen", "t\nL\nPop\na, 001001\nPop\nb, 002002\n");
  const ProcessResult three = run(k3d, "d.gen\nYten\n", dir);
  EXPECT_EQ(three.status, 217);
  EXPECT_TRUE(endsWithErrorReport(three.out, "EInOutError : Invalid input")) << three.out;
  EXPECT_EQ(dir.listing(), "d.gen\n");

  // ortelan_c asks again; a refused value is asked again in every program.
  const ProcessResult c = run(kC, "d.gen\nyten\n100\n1\n10\n0\n20\n", dir);
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.err, "Please give a whole number.\nThe number of batches must be at least 2.\n"
                   "The number of iterations per batch must be at least 1.\n");
  EXPECT_NE(dir.read("Ortelan.out").find("\r\n100 dememorization steps and a total of 200 iterations\r\n"
                                         "(10 batches with 20 iterations/batch).\r\n"),
            std::string::npos);
}

TEST(Failures, TenThousandLociRunToTheirReport) {
  ScratchDir dir;
  dir.write("big.gen", manyLoci(10000, "001001"));
  for (const std::string& program : {k3d, kC}) {
    const ProcessResult r = run(program, "big.gen\n\n", dir);
    EXPECT_EQ(r.status, 0);
    const std::string report = dir.read("Ortelan.out");
    EXPECT_NE(report.find("Number of loci =           10000\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\n L10000"), std::string::npos);
    EXPECT_EQ(dir.listing(), "Ortelan.out\nbig.gen\n");
  }
}

}  // namespace
}  // namespace ortelan
