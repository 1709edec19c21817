// GENEPOP files as laboratories write them: alleles coded by fragment
// length, locus names on one line, population lines with text. Each reads
// as the plain file it stands for, to the last byte of report and table.
#include <gtest/gtest.h>

#include <regex>

#include "apps/programs.h"

namespace ortelan {
namespace {

using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::ProcessResult;
using testing::runWith;
using testing::ScratchDir;

// Three populations of four individuals, three loci; a code is taken from
// `codes` of its locus by index (0: missing).
const int kGenotypes[3][4][3][2] = {
    {{{1, 2}, {1, 1}, {1, 3}}, {{2, 2}, {1, 2}, {3, 3}}, {{1, 1}, {2, 2}, {0, 0}}, {{1, 3}, {1, 1}, {1, 1}}},
    {{{3, 3}, {2, 2}, {2, 2}}, {{2, 3}, {2, 1}, {2, 3}}, {{3, 3}, {2, 2}, {1, 2}}, {{2, 2}, {0, 0}, {3, 3}}},
    {{{1, 1}, {1, 1}, {1, 1}}, {{1, 2}, {1, 2}, {1, 3}}, {{4, 4}, {1, 1}, {2, 2}}, {{1, 1}, {2, 1}, {1, 1}}},
};

struct Layout {
  std::vector<std::vector<int>> codes;    // per locus, index -> code
  int digits = 3;
  std::string names = "Adh\nPgm-1\nEst\n";  // the name list
  std::string populationLines[3] = {"Pop", "Pop", "Pop"};
};

std::string dataFile(const Layout& layout) {
  std::string text = "Trout, fragment lengths\n" + layout.names;
  for (int pop = 0; pop < 3; ++pop) {
    text += layout.populationLines[pop] + "\n";
    for (int i = 0; i < 4; ++i) {
      text += "p" + std::to_string(pop) + "i" + std::to_string(i) + ",";
      for (int locus = 0; locus < 3; ++locus) {
        char genotype[16];
        const auto& codes = layout.codes[static_cast<std::size_t>(locus)];
        std::snprintf(genotype, sizeof genotype, " %0*d%0*d", layout.digits,
                      codes[static_cast<std::size_t>(kGenotypes[pop][i][locus][0])], layout.digits,
                      codes[static_cast<std::size_t>(kGenotypes[pop][i][locus][1])]);
        text += genotype;
      }
      text += "\n";
    }
  }
  return text;
}

// The report and the table of a seeded run of `file`, the file's name
// taken out.
std::string resultsOf(const std::string& program, const std::string& file, const std::string& text) {
  ScratchDir dir;
  dir.write(file, text);
  const ProcessResult r = runWith(program, {"-s", "7", "-d", "500", "-b", "4", "-i", "500", "-t", "res.tsv", file}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string both = dir.read("Ortelan.out") + dir.read("res.tsv");
  return std::regex_replace(std::regex_replace(both, std::regex(file), "FILE"), std::regex("Date: [0-9-]+"), "");
}

TEST(RealFiles, FragmentLengthsReadAsTheFileRecodedOneToK) {
  Layout lengths, recoded;
  lengths.codes = {{0, 146, 152, 158, 990}, {0, 98, 102, 0, 0}, {0, 201, 199, 207, 0}};
  // In increasing code order per locus: 199 < 201 < 207 at the third locus.
  recoded.codes = {{0, 1, 2, 3, 4}, {0, 1, 2, 0, 0}, {0, 2, 1, 3, 0}};
  for (const std::string& program : {k3d, kC}) {
    const std::string expected = resultsOf(program, "recoded.gen", dataFile(recoded));
    EXPECT_EQ(resultsOf(program, "lengths.gen", dataFile(lengths)), expected) << program;
    EXPECT_NE(expected.find(" Adh "), std::string::npos);
  }
}

TEST(RealFiles, NamesOnOneLineAndPopulationLinesWithText) {
  for (const auto& [program, digits] : {std::pair{k3d, 3}, std::pair{k2d, 2}, std::pair{kC, 2}}) {
    Layout plain;
    plain.digits = digits;
    plain.codes = {{0, 1, 2, 3, 4}, {0, 1, 2, 0, 0}, {0, 1, 2, 3, 0}};
    Layout real = plain;
    real.names = "Adh, Pgm-1 ,Est\n";
    real.populationLines[0] = "POP ";
    real.populationLines[1] = "Pop  Site A";
    real.populationLines[2] = "pop,2";
    EXPECT_EQ(resultsOf(program, "real.gen", dataFile(real)), resultsOf(program, "plain.gen", dataFile(plain)))
        << program;
  }
}

}  // namespace
}  // namespace ortelan
