#include "input/genepop/individual_store.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>

#include "apps/editions.h"
#include "input/input_fixture.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

using testing::crlf;
using testing::ScratchDir;

struct Stop {
  int status = 1;  // 1: the run went on
  std::string out, err;
};

// Reads `text` as ortelan_c's data file in the current directory.
Stop readC(InputRun& run, IndividualStore& store, const std::string& text) {
  std::ofstream("data.gen", std::ios::binary) << text;
  try {
    ReadInDataFile(run.context, run.data, store, "data.gen");
  } catch (const RunEnded& ended) {
    return {ended.status, run.console.out(), run.console.err()};
  }
  return {};
}

Stop stopOf(const std::string& text) {
  ScratchDir dir;
  InputRun run(editionC());
  IndividualStore store;
  return readC(run, store, text);
}

TEST(IndividualStore, CutsGenotypesByTheirNumberOfDigits) {
  struct Case {
    std::string line;
    std::array<int, 6> codes;  // first and second allele at loci 1..3
  };
  const Case cases[] = {
      {"a, 0102 001002 0000", {1, 2, 1, 2, 0, 0}},
      {"a, 01002 099098 0304", {0, 0, 99, 98, 3, 4}},  // five digits: missing
      {"a, 01 02 0304 0506", {0, 0, 0, 0, 3, 4}},      // two tokens; the later loci shift
      {"a,0102-0304/0506", {1, 2, 3, 4, 5, 6}},
      {"a,\t0102.0304,\t0506 0708", {1, 2, 3, 4, 5, 6}},
      {"a, 0102 \xB7\xFF" "0304 0506", {1, 2, 3, 4, 5, 6}},
      {"a, 010203040506070809101112131415161718192021222324252627282930 0304 0506", {0, 0, 3, 4, 5, 6}},
      {",0102 0304 0506", {1, 2, 3, 4, 5, 6}},  // an empty name
      {"a, 146152 0304 999001", {146, 152, 3, 4, 999, 1}},  // fragment lengths
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    InputRun run(editionC());
    IndividualStore store;
    ASSERT_EQ(readC(run, store, "T\nL1\nL2\nL3\nPop\n" + c.line + "\n").status, 1) << c.line;
    ASSERT_EQ(store.size(), 1) << c.line;
    EXPECT_EQ(store.population(0), 1);
    for (int locus = 1; locus <= 3; ++locus) {
      EXPECT_EQ(store.alleles(0, locus)[0], c.codes[2 * locus - 2]) << c.line << " locus " << locus;
      EXPECT_EQ(store.alleles(0, locus)[1], c.codes[2 * locus - 1]) << c.line << " locus " << locus;
    }
  }
}

TEST(IndividualStore, BadDataLinesStopTheRun) {
  const std::string dataRow = "\nData row (2)\n" + fatalErr("Error - data row.");
  const std::pair<std::string, std::string> cases[] = {
      {"a, 0102 x304 0506", fatalErr("Err - data line")},
      {"a, 0102 0304", dataRow},
      {"a 0102 0304 0506", dataRow},  // no comma: no genotypes
  };
  for (const auto& [line, err] : cases) {
    const Stop stop = stopOf("T\nL1\nL2\nL3\nPop\nok, 0101 0101 0101\n" + line + "\n");
    EXPECT_EQ(stop.status, kFatalStopStatus) << line;
    EXPECT_EQ(stop.err, err) << line;
    EXPECT_EQ(stop.out, kPauseOut) << line;
  }
}

TEST(IndividualStore, ReadsMessyFilesAndWritesTheirTables) {
  const std::string text =
      "Title  \n"
      "Adh \t\n"
      "Est\xE9\xFF\n"
      "pOp xyz\n"
      ",0102 0304\n"
      "\n"
      "a2, 0101 0303\n"
      " \t\n"
      "POP\n"
      "b1, 0202 0404\n"
      "Popeye, 0102 0304\n"
      "c1, 0303 0101\n";
  const std::string tables = "###  1         Adh\r\n  3  3  " + seedsOf(editionC(), 1) + " 10000 100 5000\r\n" +
                             "    3    1    0\r\n    0    2    0\r\n    0    0    2\r\n" +
                             "###  2         Est\xE9\xFF\r\n  3  3  " + seedsOf(editionC(), 2) +
                             " 10000 100 5000\r\n" + "    0    3    1\r\n    0    0    2\r\n    2    0    0\r\n";
  for (const std::string& file : {text, crlf(text)}) {
    ScratchDir dir;
    InputRun run(editionC());
    IndividualStore store;
    ASSERT_EQ(readC(run, store, file).status, 1) << run.console.err();
    TableDataWriter writer(run.context);
    writeTablesFromStore(run.context, run.data, store, writer);
    EXPECT_EQ(describeData(run.data), "title=[Title  ] loci=2 pops=3 genes=8 individuals=4 [Adh]:3 [Est\xE9\xFF]:3");
    EXPECT_EQ(dir.read(kSharedTableFile), tables);
  }
}

TEST(IndividualStore, TitleKeeps254CharactersUntrimmed) {
  ScratchDir dir;
  InputRun run(editionC());
  IndividualStore store;
  readC(run, store, std::string(250, 't') + "    " + std::string(20, 'u') + "\nL\nPop\na, 0101\n");
  EXPECT_EQ(run.data.TITLE_LINE, std::string(250, 't') + "    ");
}

TEST(IndividualStore, LimitsOfTheDataModelStopTheRunByName) {
  std::string pops = "T\nL\nPop\n";
  for (int p = 1; p <= 101; ++p) pops += (p > 1 ? "Pop\nx, 0101\n" : "x, 0101\n");
  std::string names = "T\n";
  for (int l = 1; l <= kMaxLoci; ++l) names += "L\n";
  const std::pair<std::string, std::string> cases[] = {
      {pops, "100"},
      {names + "L\nPop\na, 0101\n", "10,000"},
  };
  for (const auto& [text, limit] : cases) {
    const Stop stop = stopOf(text);
    EXPECT_EQ(stop.status, kFatalStopStatus) << limit;
    EXPECT_TRUE(stop.err.starts_with("\n=========Error: ")) << stop.err;
    EXPECT_NE(stop.err.find(limit), std::string::npos) << stop.err;
  }
  // The limits themselves are accepted.
  ScratchDir dir;
  std::string line = "a,";
  for (int l = 1; l <= kMaxLoci; ++l) line += " 0102";
  InputRun loci(editionC()), populations(editionC());
  IndividualStore store;
  ASSERT_EQ(readC(loci, store, names + "Pop\n" + line + "\n").status, 1);
  EXPECT_EQ(store.alleles(0, kMaxLoci)[1], 2);
  ASSERT_EQ(readC(populations, store, pops.substr(0, pops.rfind("Pop\n"))).status, 1);
  EXPECT_EQ(store.populations(), 100);
}

TEST(IndividualStore, FileEndingInTheNameListIsTheWrongInfile) {
  for (const char* text : {"", "T", "T\nL1", "T\nL1\n", "T\nL1\nPop"}) {
    const Stop stop = stopOf(text);
    EXPECT_EQ(stop.status, kFatalStopStatus);
    EXPECT_EQ(stop.out, std::string(16, '\n') + "There is something wrong with the infile. Check it!!!\n" + kPauseOut)
        << text;
    EXPECT_EQ(stop.err, fatalErr("Error"));
  }
  ScratchDir dir;
  InputRun run(editionC());
  IndividualStore store;
  EXPECT_THROW(ReadInDataFile(run.context, run.data, store, "missing.gen"), RunEnded);
  EXPECT_EQ(run.console.err(), fatalErr("ReadInDataFile(string filename) 1 **"));
}

TEST(IndividualStore, LongLinesAndManyIndividuals) {
  std::string text = "T\n" + std::string(70000, 'n') + "\nL2\nPop\n" + std::string(400000, 'x') + ", 0102 0304\n";
  for (int i = 1; i < 3000; ++i) text += "i, 0102 0304\n";
  text += "Pop\n";
  for (int i = 0; i < 2000; ++i) text += "j, 0101 0000\n";
  ScratchDir dir;
  InputRun run(editionC());
  IndividualStore store;
  ASSERT_EQ(readC(run, store, text).status, 1) << run.console.err();
  EXPECT_EQ(run.data.LOCUSNAME[1], std::string(70000, 'n'));
  TableDataWriter writer(run.context);
  writeTablesFromStore(run.context, run.data, store, writer);
  EXPECT_EQ(run.data.TOTNUMBINDIVIDUALS, 5000);
  const std::string tables = dir.read(kSharedTableFile);
  EXPECT_NE(tables.find(" 10000 100 5000\r\n 3000 3000\r\n 4000    0\r\n###  2"), std::string::npos);
  EXPECT_TRUE(tables.ends_with(" 10000 100 5000\r\n 3000 3000\r\n    0    0\r\n"));
}

}  // namespace
}  // namespace ortelan
