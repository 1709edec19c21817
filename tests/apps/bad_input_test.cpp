// Whatever a user feeds the programs, each run ends in one of its defined
// ways: a report, a data warning, a run-time error report or a fatal stop,
// with its exit status and a known set of files left behind. One row per
// input; each program it applies to has its expected ending.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <regex>

#include "apps/programs.h"
#include "support/process.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

using testing::ProcessResult;
using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::run;
using testing::ScratchDir;

// What a run shows once the dialogue is over: standard output after the
// waiting screen (or after the file prompt when the run stops there), with
// the made-up code positions of error reports blanked.
std::string afterDialogue(const std::string& out) {
  std::size_t from = 0;
  for (const std::string_view mark : {"   Give name of input file: ", "(Y/Return): ",
                                      "             Execution is not finished until this screen disappears\n",
                                      "             Now reading infile and constructing contingency tables ...\n"}) {
    const std::size_t at = out.find(mark);
    if (at != std::string::npos) from = std::max(from, at + mark.size());
  }
  return std::regex_replace(out.substr(from), std::regex("\\$[0-9A-F]{8}"), "$");
}

const std::string kWarningScreen = std::string(16, '\n');

std::string runTimeErrorReport(const std::string& classAndMessage, const std::string& where) {
  return "An unhandled exception occurred at $ :\n" + classAndMessage + "\n  $  " + where + "\n  $  main program\n\n";
}

struct Ending {
  int status;
  std::string out;  // after the dialogue
  std::string err;
  std::string files;  // besides the data file, sorted, one per line
};

struct Case {
  std::string name;
  std::string data;
  std::optional<Ending> threeDigit, twoDigit, c;
  std::string typed = "\n";  // after the file name
  std::string fileName = "data.gen";
  void (*prepare)(const ScratchDir&) = nullptr;
};

std::string genotypes(int loci, const std::string& genotype) {
  std::string line;
  for (int i = 0; i < loci; ++i) line += " " + genotype;
  return line;
}

std::vector<Case> cases() {
  const std::string& kPauseLine = testing::pauseOutput();
  const std::string wrongInfile = kWarningScreen + "There is something wrong with the infile. Check it!!!\n";
  const Ending wrong3d{0, wrongInfile, "", ""};
  const Ending wrongC{246, wrongInfile + kPauseLine, "\n=========Error: Error\n", ""};
  const std::string rangeError = runTimeErrorReport("ERangeError : Range check error", "READ_INFILE_I");
  std::string manyPops = "Many populations\nL\n";
  for (int p = 1; p <= 101; ++p) manyPops += "Pop\ni" + std::to_string(p) + ", 001002\n";
  std::string manyLoci = "Many loci\n";
  for (int l = 1; l <= 10001; ++l) manyLoci += "L" + std::to_string(l) + "\n";
  manyLoci += "Pop\na," + genotypes(10001, "001001") + "\n";
  // Codes up to 999 are read; a locus holds at most 99 alleles.
  std::string manyAlleles = "Many alleles\nL\nPop\n";
  for (int code = 100; code < 200; ++code) manyAlleles += "i, " + std::to_string(code) + std::to_string(code) + "\n";
  const std::string megabyteName(3'000'000, 'n');

  return {
      {"missing file", "", Ending{217, runTimeErrorReport("EInOutError : File not found", "OPEN_INFILE_FIRST_SCREEN"), "", ""},
       Ending{217, runTimeErrorReport("EInOutError : File not found", "OPEN_INFILE_FIRST_SCREEN"), "", ""},
       Ending{246, kPauseLine, "No file (other.gen) found!\n\n=========Error: other.gen\n", ""}, "\n", "other.gen"},
      {"empty file", "", wrong3d, wrong3d, wrongC},
      {"title line only", "Only a title\n", wrong3d, wrong3d, wrongC},
      {"names without a population line", "T\nL1\nL2\n", wrong3d, wrong3d, wrongC},
      // ortelan_c reads on: no individual, so no population and nothing to test.
      {"population line without individuals", "T\nL1\nPop\n", wrong3d, wrong3d,
       Ending{0, "\n\n do_chisquare\n", "pause in GAMMQ - invalid arguments\npause in GAMMQ - invalid arguments\n",
              "Ortelan.out\n"}},
      {"a 100th allele at a locus", manyAlleles, Ending{217, rangeError, "", ""}, std::nullopt,
       Ending{246, kPauseLine,
              "\n=========Error: More than 99 alleles at locus 1 (L); the limit is 99 alleles per locus.\n",
              "~TMPlocus.tmp\n"}},
      {"a negative allele code", "T\nL1\nL2\nPop\na, 001002 003004\nPop\nb, 002001 -04003\n",
       Ending{217, rangeError, "", "~locus1.tmp\n"}, std::nullopt, std::nullopt},
      {"101 populations", manyPops, Ending{217, rangeError, "", ""}, std::nullopt,
       Ending{246, kPauseLine, "\n=========Error: More than 100 populations in the data file; the limit is 100.\n", ""}},
      {"10,001 loci", manyLoci, Ending{217, rangeError, "", ""}, std::nullopt,
       Ending{246, kPauseLine, "\n=========Error: More than 10,000 loci in the data file; the limit is 10,000.\n", ""}},
      // The 80-bit readers take the next line's characters as genotypes.
      {"a line with fewer genotypes than loci", "T\nL1\nL2\nPop\na, 001001 001002\nb, 001001\nc, 002002 001001\n",
       Ending{0,
              kWarningScreen + "Check the data file! There seems to be different numbers of\nindividuals at different loci.\n",
              "", "~locus1.tmp\n"},
       std::nullopt, Ending{246, kPauseLine, "\nData row (2)\n\n=========Error: Error - data row.\n", ""}},
      // Genotypes after the last locus are not read.
      {"a line with more genotypes than loci", "T\nL1\nPop\na, 001002 003004\nPop\nb, 002001 004003 009\n",
       Ending{0, "... and now processing locus no.       1", "", "Ortelan.out\n"}, std::nullopt,
       Ending{0, "\n  Now processing locus no. 1\r\n do_chisquare\n1\r", "", "Ortelan.out\n"}},
      // The 80-bit programs take an allele that is not a number for a
      // missing one; ortelan_c stops at a genotype that starts with a letter.
      {"letters inside a genotype", "T\nL1\nL2\nPop\na, 0x1002 003004\nPop\nb, 002001 004003\n",
       Ending{0, "... and now processing locus no.       1... and now processing locus no.       2", "", "Ortelan.out\n"},
       std::nullopt, Ending{246, kPauseLine, "\n=========Error: Err - data line\n", ""}},
      {"a five-digit genotype in ortelan_c", "T\nL1\nL2\nPop\na, 01002 0304\nPop\nb, 0201 0403\n", std::nullopt,
       std::nullopt,
       Ending{0, "\n  Now processing locus no. 1\r  Now processing locus no. 2\r\n do_chisquare\n1\r2\r",
              "Warning: Line 1 is empty!\npause in GAMMQ - invalid arguments\n", "Ortelan.out\n"}},
      {"a letter starting a genotype", "T\nL1\nPop\na, x01002\n", std::nullopt, std::nullopt,
       Ending{246, kPauseLine, "\n=========Error: Err - data line\n", ""}},
      {"NUL bytes and binary garbage", std::string("T\nL1\nL2\nPop\na, 001002 003004\nPop\nb, 002001 \0\x01\x02\xff\n", 49),
       // The 80-bit programs read the garbage as missing alleles.
       Ending{0,
              "... and now processing locus no.       1... and now processing locus no.       2"
              "Warning: Line 2 is empty!\npause in GAMMQ - invalid arguments\n",
              "", "Ortelan.out\n"},
       std::nullopt, Ending{246, kPauseLine, "\nData row (2)\n\n=========Error: Error - data row.\n", ""}},
      {"a name line of three megabytes", "T\nL1\nPop\n" + megabyteName + ", 001002\nPop\nb, 002001\n",
       Ending{0, "... and now processing locus no.       1", "", "Ortelan.out\n"}, std::nullopt,
       Ending{0, "\n  Now processing locus no. 1\r\n do_chisquare\n1\r", "", "Ortelan.out\n"}},
      {"Latin-1 and UTF-8 names", "T\xe9\xe8\nL\xe9\x63us\nLocus_\xc3\xa9\nPop\na\xe9, 001002 003004\nPop\nb, 002001 004003\n",
       Ending{0, "... and now processing locus no.       1... and now processing locus no.       2", "", "Ortelan.out\n"},
       std::nullopt, Ending{0, "\n  Now processing locus no. 1\r  Now processing locus no. 2\r\n do_chisquare\n1\r2\r", "",
                            "Ortelan.out\n"}},
      {"a file name with blanks", "T\nL1\nPop\na, 001002\nPop\nb, 002001\n",
       Ending{0, "... and now processing locus no.       1", "", "Ortelan.out\n"}, std::nullopt,
       Ending{0, "\n  Now processing locus no. 1\r\n do_chisquare\n1\r", "", "Ortelan.out\n"}, "\n", " my data 1.gen"},
      {"a setting that is not a number", "T\nL1\nPop\na, 001002\nPop\nb, 002001\n",
       Ending{217, "\nGive number of dememorizations: " + runTimeErrorReport("EInOutError : Invalid input", "OPEN_INFILE_FIRST_SCREEN"),
              "", ""},
       Ending{217, "\nGive number of dememorizations: " + runTimeErrorReport("EInOutError : Invalid input", "OPEN_INFILE_FIRST_SCREEN"),
              "", ""},
       Ending{0, "\n  Now processing locus no. 1\r\n do_chisquare\n1\r", "Please give a whole number.\n", "Ortelan.out\n"},
       "Ylots\n10\n2\n10\n"},
      {"table data that cannot be created", "T\nL1\nPop\na, 001002\nPop\nb, 002001\n",
       Ending{217, runTimeErrorReport("EInOutError : Access denied", "READ_INFILE_I"), "", "~TMPlocus.tmp\n~locus1.tmp\n"},
       std::nullopt, Ending{246, kPauseLine, "\n=========Error: ~TMPlocus.tmp\n", "~TMPlocus.tmp\n~locus1.tmp\n"}, "\n",
       "data.gen",
       [](const ScratchDir& dir) {
         std::filesystem::create_directory(dir.path() / "~locus1.tmp");
         std::filesystem::create_directory(dir.path() / "~TMPlocus.tmp");
       }},
      {"a report that cannot be created", "T\nL1\nPop\na, 001002\nPop\nb, 002001\n",
       Ending{217, "... and now processing locus no.       1" + runTimeErrorReport("EInOutError : Access denied", "WRITEFINAL"),
              "", "Ortelan.out\n~locus1.tmp\n"},
       std::nullopt,
       Ending{246, "\n  Now processing locus no. 1\r\n do_chisquare\n1\r" + kPauseLine,
              "\n=========Error:  Error: File Ortelan.out\n", "Ortelan.out\n~TMPlocus.tmp\n"},
       "\n", "data.gen", [](const ScratchDir& dir) { std::filesystem::create_directory(dir.path() / "Ortelan.out"); }},
  };
}

std::string filesBesides(const ScratchDir& dir, const std::string& dataFile) {
  std::string listing = dir.listing();
  const std::size_t at = listing.find(dataFile + "\n");
  if (at != std::string::npos) listing.erase(at, dataFile.size() + 1);
  return listing;
}

TEST(BadInput, EveryRunEndsInADefinedWay) {
  for (const Case& c : cases()) {
    for (const auto& [program, expected] :
         {std::pair{k3d, c.threeDigit}, std::pair{k2d, c.twoDigit}, std::pair{kC, c.c}}) {
      if (!expected) continue;
      SCOPED_TRACE(c.name + " / " + program.substr(program.rfind('/') + 1));
      ScratchDir dir;
      if (c.name != "missing file") dir.write(c.fileName, c.data);
      if (c.prepare != nullptr) c.prepare(dir);
      const ProcessResult r = run(program, c.fileName + "\n" + c.typed, dir);
      EXPECT_EQ(r.signal, 0);
      EXPECT_EQ(r.status, expected->status);
      EXPECT_EQ(afterDialogue(r.out), expected->out);
      EXPECT_EQ(r.err, expected->err);
      EXPECT_EQ(filesBesides(dir, c.fileName), expected->files);
    }
  }
}

}  // namespace
}  // namespace ortelan
