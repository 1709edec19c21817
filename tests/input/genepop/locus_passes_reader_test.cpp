#include "input/genepop/locus_passes_reader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "apps/editions.h"
#include "input/input_fixture.h"
#include "input/genepop/one_pass_reader.h"
#include "input/genepop/text_source.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

using testing::crlf;
using testing::ScratchDir;

// Two loci, two populations, a missing genotype at each locus.
const std::string kData3 =
    "Two loci, two populations\n"
    "Adh\n"
    "Pgm-1\n"
    "Pop\n"
    "a1, 001002 003003\n"
    "a2, 000000 001003\n"
    "pop\n"
    "b1, 002002 000000\n"
    "b2, 001099 003003\n";

// The same data with two-digit codes: 001099 becomes 0199.
std::string twoDigit(const std::string& text) {
  std::string out;
  for (std::size_t i = 0, j = 0; i < text.size(); i = j) {
    for (j = i; j < text.size() && text[j] >= '0' && text[j] <= '9';) ++j;
    if (j - i == 6) {
      out += text.substr(i + 1, 2) + text.substr(i + 4, 2);
    } else {
      j = std::max(j, i + 1);
      out += text.substr(i, j - i);
    }
  }
  return out;
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The 80-bit programs' readers: the locus passes, and the one pass that
// stands in for them. Every file must read alike with both.
using Reader = void (*)(RunContext&, DataSummary&, std::string_view, LocusTableSink&);
class EightyBitReader : public ::testing::TestWithParam<Reader> {};
INSTANTIATE_TEST_SUITE_P(LocusPasses, EightyBitReader, ::testing::Values(&READ_INFILE_I));
INSTANTIATE_TEST_SUITE_P(OnePass, EightyBitReader, ::testing::Values(&readGenepopOnce));

struct Reading {
  DataSummary data;
  std::string tables;  // every table file, in locus order
};

// Reads `text` from a data file, as the driver hands it to the reader.
Reading readFile(Reader read, const Edition& edition, const std::string& text) {
  ScratchDir dir;
  dir.write("data.gen", text);
  InputRun run(edition);
  const std::string lf = withUnixLineEnds(*readWholeFile("data.gen"));
  TableDataWriter writer(run.context);
  read(run.context, run.data, lf, writer);
  Reading reading{run.data, {}};
  for (int l = 1; l <= run.data.NUMBOFLOCI; ++l) reading.tables += dir.read(locusTableFileName(l)) + "|";
  return reading;
}

TEST_P(EightyBitReader, CountsEveryLocusInBothEditions) {
  for (const Edition* edition : {&edition3d(), &edition2d()}) {
    const std::string text = edition->alleleDigits == 3 ? kData3 : twoDigit(kData3);
    const Reading r = readFile(GetParam(), *edition, text);
    // The missing genotypes count as two genes each in column 0.
    EXPECT_EQ(describeData(r.data),
              "title=[Two loci, two populations] loci=2 pops=2 genes=8 individuals=4 [Adh]:3 [Pgm-1]:2");
    EXPECT_EQ(r.tables, "  2  3  " + seedsOf(*edition, 1) + " 10000 100 5000\r\n" +
                            "    1    1    0\r\n    1    2    1\r\n|" +
                            "  2  2  " + seedsOf(*edition, 2) + " 10000 100 5000\r\n" +
                            "    1    3\r\n    0    2\r\n|");
  }
}

TEST_P(EightyBitReader, LayoutsThatReadLikeThePlainFile) {
  const std::string noFinalLineEnd = kData3.substr(0, kData3.size() - 1);
  const std::string variants[] = {
      crlf(kData3),  // Windows line ends
      replaced(kData3, " 0", "\t0"),  // tabs between genotypes
      replaced(kData3, " 003", " \t 003"),
      kData3 + "\n\n",  // trailing blank lines
      kData3 + "  \n\t\n",
      kData3 + "Pop\n",  // a trailing population line
      kData3 + "Pop",
      crlf(kData3 + "\nPop\n\n"),
      noFinalLineEnd,
      replaced(replaced(kData3, "a1,", "a,"), "b2,", "bb,"),  // names of fewer than three characters
      replaced(kData3, "b2,", ","),
  };
  for (const Edition* edition : {&edition3d(), &edition2d()}) {
    const bool three = edition->alleleDigits == 3;
    const Reading plain = readFile(GetParam(), *edition, three ? kData3 : twoDigit(kData3));
    for (const std::string& variant : variants) {
      const Reading r = readFile(GetParam(), *edition, three ? variant : twoDigit(variant));
      EXPECT_EQ(describeData(r.data), describeData(plain.data)) << variant;
      EXPECT_EQ(r.tables, plain.tables) << variant;
    }
  }
}

TEST_P(EightyBitReader, PopulationLinesAndNameLists) {
  // A population line is "pop" in any case followed by nothing, a blank, a
  // tab or a comma; inside the data a population word starts one whatever
  // follows ("Popeye"). Names may stand on one line, between commas.
  const std::string data =
      "a, 001001 001001\nPOP \nb, 002002 002002\npop,2\nc, 003003 003003\n"
      "Popeye, 004004 004004\nd, 005005 005005\npOp\tSite E\ne, 006006 006006\n";
  const std::string expected =
      "title=[T] loci=2 pops=5 genes=10 individuals=5 [Population size]:5 [L2]:5";
  for (const std::string names : {"Population size\nL2\nPop  Site A\n", " Population size ,L2,\nPop\n",
                                  "Population size\nL2\npop\n"}) {
    const Reading r = readFile(GetParam(), edition3d(), "T\n" + names + data);
    EXPECT_EQ(describeData(r.data), expected) << names;
    EXPECT_EQ(rowsOf(r.tables.substr(0, r.tables.find('|'))),
              "    2    0    0    0    0\r\n    0    2    0    0    0\r\n    0    0    2    0    0\r\n"
              "    0    0    0    2    0\r\n    0    0    0    0    2\r\n")
        << names;
  }
}

TEST(LocusPassesReader, TitleAndNamesAreCut) {
  InputRun run(edition3d());
  readTitleAndLocusNames(run.context, run.data,
                         std::string(100, 't') + "\n" + std::string(300, 'n') + "\nL2\nPop\na, 001001 001001\n");
  EXPECT_EQ(run.data.TITLE_LINE, std::string(80, 't'));
  EXPECT_EQ(run.data.LOCUSNAME[1], std::string(255, 'n'));
  EXPECT_EQ(run.data.LOCUSNAME[2], "L2");
}

TEST_P(EightyBitReader, ShortLineEndsTheRunWithACountWarning) {
  // The short line of b makes pass 2 read the next line's start as b's
  // genotype and drop the rest of that line.
  struct Case {
    std::string data;
    std::string_view line1, line2;
  };
  const Case cases[] = {
      {"a, 001001 002002\nb, 001001\nc, 002002 001001\n",
       "Check the data file! There seems to be different numbers of", "individuals at different loci."},
      {"a, 001001 002002\nb, 001001\nPop\nc, 002002 001001\n",
       "Check the data file! There seems to different numbers of", "populations at different loci."},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    InputRun run(edition3d());
    TableDataWriter writer(run.context);
    try {
      GetParam()(run.context, run.data, "T\nL1\nL2\nPop\n" + c.data, writer);
      ADD_FAILURE() << "no warning";
    } catch (const RunEnded& ended) {
      EXPECT_EQ(ended.status, 0);
    }
    EXPECT_EQ(run.console.screen(), warningScreen({c.line1, c.line2}));
    EXPECT_EQ(dir.listing(), "~locus1.tmp\n");  // the table of locus 1 stays
  }
}

// The number of the run-time error that ends the reading (0: none), and
// the table files left.
std::string rangeError(Reader read, const Edition& edition, const std::string& text) {
  ScratchDir dir;
  InputRun run(edition);
  TableDataWriter writer(run.context);
  int number = 0;
  try {
    read(run.context, run.data, text, writer);
  } catch (const RunTimeError& error) {
    number = error.number;
  }
  return std::to_string(number) + " " + dir.listing();
}

std::string populations(int count) {
  std::string text = "T\nL\nPop\n";
  for (int p = 1; p <= count; ++p) text += (p > 1 ? "Pop\nx, 001001\n" : "x, 001001\n");
  return text;
}

// One locus whose individuals carry `alleles` distinct codes from 100 on.
std::string distinctAlleles(int alleles) {
  std::string text = "T\nL\nPop\n";
  for (int code = 100; code < 100 + alleles; ++code) text += "x, " + std::to_string(code) + std::to_string(code) + "\n";
  return text;
}

TEST_P(EightyBitReader, ValuesOutsideTheDataModelAreRangeErrors) {
  const Reader read = GetParam();
  // Codes run to 999, but a locus holds at most 99 alleles.
  EXPECT_EQ(rangeError(read, edition3d(), distinctAlleles(99)), "0 ~locus1.tmp\n");
  EXPECT_EQ(rangeError(read, edition3d(), distinctAlleles(100)), "201 ");
  EXPECT_EQ(rangeError(read, edition3d(), "T\nL\nPop\na, 001-01\n"), "201 ");
  EXPECT_EQ(rangeError(read, edition2d(), "T\nL\nPop\na, -101\n"), "201 ");
  EXPECT_EQ(rangeError(read, edition3d(), populations(101)), "201 ");
  EXPECT_EQ(rangeError(read, edition3d(), populations(100)), "0 ~locus1.tmp\n");
  // A bad code at a later locus: the tables before it are written.
  EXPECT_EQ(rangeError(read, edition3d(), "T\nL1\nL2\nPop\na, 001001 001-01\n"), "201 ~locus1.tmp\n");
}

TEST(LocusPassesReader, TenThousandLociAtMost) {
  std::string names = "T\n";
  for (int l = 1; l <= kMaxLoci; ++l) names += "L" + std::to_string(l) + "\n";
  InputRun run(edition3d());
  readTitleAndLocusNames(run.context, run.data, names + "Pop\na,\n");
  EXPECT_EQ(run.data.NUMBOFLOCI, kMaxLoci);
  EXPECT_EQ(run.data.LOCUSNAME[kMaxLoci], "L10000");
  InputRun tooMany(edition3d());
  try {
    readTitleAndLocusNames(tooMany.context, tooMany.data, names + "L10001\nPop\na,\n");
    ADD_FAILURE() << "10,001 loci read";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.number, 201);
  }
}

TEST_P(EightyBitReader, FileEndingInTheNameListIsTheWrongInfile) {
  for (const char* text : {"", "T", "T\nL1\nL2", "T\nL1\nL2\n", "T\nL1\nPop", "T\nL1\nPop\n", "T\r\nL1\r\nPop\r\n"}) {
    ScratchDir dir;
    dir.write("data.gen", text);
    InputRun run(edition2d());
    TableDataWriter writer(run.context);
    try {
      GetParam()(run.context, run.data, withUnixLineEnds(*readWholeFile("data.gen")), writer);
      ADD_FAILURE() << "read: " << text;
    } catch (const RunEnded& ended) {
      EXPECT_EQ(ended.status, 0);
    }
    EXPECT_EQ(run.console.screen(), warningScreen({"There is something wrong with the infile. Check it!!!"})) << text;
  }
}

}  // namespace
}  // namespace ortelan
