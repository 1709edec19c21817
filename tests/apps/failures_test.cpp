// How the real programs end on bad input: the output, the exit status and
// what is left in the working directory.
#include <gtest/gtest.h>

#include <regex>

#include "support/process.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

using testing::ProcessResult;
using testing::ScratchDir;

const std::string k3d = ORTELAN_3D_PATH;
const std::string k2d = ORTELAN_2D_PATH;
const std::string kC = ORTELAN_C_PATH;

ProcessResult run(const std::string& program, const std::string& input, const ScratchDir& dir) {
  return testing::runProcess(program, input, dir.path().string());
}

// The unhandled-error report of the 80-bit programs, as the end of stdout.
bool endsWithErrorReport(const std::string& out, const std::string& classAndMessage) {
  const std::regex report("An unhandled exception occurred at \\$[0-9A-F]{8} :\n" + classAndMessage +
                          "\n(  \\$[0-9A-F]{8}  [A-Za-z_ ]+\n)+\n$");
  return std::regex_search(out, report);
}

std::string afterPrompt(const std::string& out) {
  const std::string prompt = "   Give name of input file: ";
  return out.substr(out.find(prompt) + prompt.size());
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

TEST(Failures, DataFileThatDoesNotExist) {
  ScratchDir dir;
  for (const std::string& program : {k3d, k2d}) {
    const ProcessResult r = run(program, "missing.gen\n", dir);
    EXPECT_EQ(r.status, 217);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(endsWithErrorReport(r.out, "EInOutError : File not found")) << r.out;
    EXPECT_EQ(afterPrompt(r.out).find("An unhandled exception"), 0u) << "nothing else is shown";
  }
  const ProcessResult c = run(kC, "missing.gen\n", dir);
  EXPECT_EQ(c.status, 246);  // exit status -10
  EXPECT_EQ(c.err, "No file (missing.gen) found!\n\n=========Error: missing.gen\n");
  EXPECT_EQ(afterPrompt(c.out), "Press any key to continue . . . \n");
  EXPECT_EQ(dir.listing(), "");
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

TEST(Failures, DataWarningsOfTheEightyBitPrograms) {
  struct Case {
    const char* data;
    const char* lines;
  };
  const Case cases[] = {
      // A line with fewer genotypes than loci: the second locus pass takes
      // the next line's name as a genotype and counts one individual less.
      {"t\nL1\nL2\nPop\na, 001001 001002\nb, 001001\nc, 002002 001001\n",
       "Check the data file! There seems to be different numbers of\nindividuals at different loci.\n"},
      {"t\nL1\nL2\n", "There is something wrong with the infile. Check it!!!\n"},
      {"t\nL1\nPop\n", "There is something wrong with the infile. Check it!!!\n"},
      {"", "There is something wrong with the infile. Check it!!!\n"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write("w.gen", c.data);
    const ProcessResult r = run(k3d, "w.gen\n\n", dir);
    EXPECT_EQ(r.status, 0) << c.data;
    EXPECT_TRUE(r.out.ends_with(std::string(16, '\n') + c.lines)) << r.out;
    EXPECT_EQ(dir.read("Ortelan.out"), "") << "no report";
  }
  ScratchDir dir;
  dir.write("w.gen", "t\nL1\n");
  const ProcessResult c = run(kC, "w.gen\n\n", dir);
  EXPECT_EQ(c.status, 246);
  EXPECT_TRUE(c.out.ends_with(std::string(16, '\n') +
                              "There is something wrong with the infile. Check it!!!\nPress any key to continue . . . \n"));
  EXPECT_EQ(c.err, "\n=========Error: Error\n");
}

TEST(Failures, OutsideTheLimitsOfTheDataModel) {
  struct Case {
    std::string data;
    std::string cMessage;
  };
  std::string populations = "Many populations\nL\n";
  for (int p = 1; p <= 101; ++p) populations += "Pop\ni" + std::to_string(p) + ", 001002\n";
  const Case cases[] = {
      {"t\nL\nPop\na, 001100\n", "Allele code above 99 (individual 1, locus 1); codes run from 0 to 99."},
      {populations, "More than 100 populations in the data file; the limit is 100."},
      {manyLoci(10001, "001001"), "More than 10,000 loci in the data file; the limit is 10,000."},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write("big.gen", c.data);
    const ProcessResult three = run(k3d, "big.gen\n\n", dir);
    EXPECT_EQ(three.status, 217);
    EXPECT_TRUE(endsWithErrorReport(three.out, "ERangeError : Range check error")) << three.out;
    const ProcessResult cc = run(kC, "big.gen\n\n", dir);
    EXPECT_EQ(cc.status, 246);
    EXPECT_EQ(cc.err, "\n=========Error: " + c.cMessage + "\n");
  }
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

TEST(Failures, DoubleProgramDataLines) {
  struct Case {
    const char* data;
    const char* err;
  };
  const Case cases[] = {
      {"t\nL1\nL2\nPop\na, 0101 0202\nb, 0101\n", "\nData row (2)\n\n=========Error: Error - data row.\n"},
      {"t\nL1\nPop\na, O101\n", "\n=========Error: Err - data line\n"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write("d.gen", c.data);
    const ProcessResult r = run(kC, "d.gen\n\n", dir);
    EXPECT_EQ(r.status, 246);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(dir.listing(), "d.gen\n");
  }
}

}  // namespace
}  // namespace ortelan
