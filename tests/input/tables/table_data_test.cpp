#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <vector>

#include "apps/editions.h"
#include "input/input_fixture.h"
#include "input/tables/table_data_reader.h"
#include "input/tables/table_data_writer.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

using testing::ScratchDir;

const LocusSeeds kSeeds{17, 102, 45, 160};

std::string format(const LocusCounts& counts, int populations, const ChainSettings& settings = {}) {
  return formatLocusTable(counts, summarizeColumns(counts, populations), populations, kSeeds, settings);
}

std::vector<std::int64_t> readNumbers(TableScanner& scanner, int count) {
  std::vector<std::int64_t> numbers(static_cast<std::size_t>(count));
  for (auto& n : numbers) EXPECT_EQ(scanner.readInteger(n), TableScanner::Read::Ok);
  return numbers;
}

TEST(TableData, WritesTheCountsOfThePresentAlleles) {
  LocusCounts counts;
  auto& t = counts.TABLE;
  t[1][0] = 2, t[1][1] = 12, t[1][5] = 3, t[1][99] = 1;  // code 7 absent here
  t[2][5] = 1, t[2][7] = 4, t[2][99] = 9999;
  t[3][0] = 6;  // no typed gene
  EXPECT_EQ(format(counts, 3),
            "  3  4  17 102 45 160 10000 100 5000\r\n"
            "   12    3    0    1\r\n"
            "    0    1    4 9999\r\n"
            "    0    0    0    0\r\n");

  LocusCounts missing;
  missing.TABLE[1][0] = 4, missing.TABLE[2][0] = 2;
  EXPECT_EQ(format(missing, 2), "  2  0  17 102 45 160 10000 100 5000\r\n\r\n\r\n");
}

TEST(TableData, LargeCountsStayReadable) {
  LocusCounts counts;
  counts.TABLE[1][1] = 9999, counts.TABLE[1][2] = 10000, counts.TABLE[1][3] = 123456;
  const std::string text = format(counts, 1, {200, 10, 100});
  EXPECT_EQ(text, "  1  3  17 102 45 160 200 10 100\r\n 9999 10000 123456\r\n");
  std::istringstream in(text);
  TableScanner scanner(in.rdbuf());
  EXPECT_EQ(readNumbers(scanner, 12), (std::vector<std::int64_t>{1, 3, 17, 102, 45, 160, 200, 10, 100, 9999, 10000, 123456}));
  std::int64_t n = 0;
  EXPECT_EQ(scanner.readInteger(n), TableScanner::Read::End);

  std::istringstream words(" +7\r\n x12 99999999999999999999 -3");
  TableScanner other(words.rdbuf());
  EXPECT_EQ(other.readInteger(n), TableScanner::Read::Ok);
  EXPECT_EQ(n, 7);
  EXPECT_EQ(other.readInteger(n), TableScanner::Read::NotANumber);
  EXPECT_EQ(other.readInteger(n), TableScanner::Read::NotANumber);
  EXPECT_EQ(other.readInteger(n), TableScanner::Read::Ok);
  EXPECT_EQ(n, -3);
}

TEST(TableData, WriterNamesItsFilesAndDrawsFourSeedsPerLocus) {
  ScratchDir dir;
  LocusCounts counts;
  counts.TABLE[1][2] = 2;
  const ColumnSummary columns = summarizeColumns(counts, 1);
  {
    InputRun run(edition3d());
    TableDataWriter writer(run.context);
    writer.writeLocus(1, "A", counts, columns, 1);
    writer.writeLocus(10000, "B", counts, columns, 1);
  }
  {
    InputRun run(editionC());
    TableDataWriter writer(run.context);
    writer.writeLocus(12, "Est-2", counts, columns, 1);
    writer.writeLocus(13, "", counts, columns, 1);
    writer.finish();
  }
  EXPECT_EQ(dir.listing(), "~TMPlocus.tmp\n~locus1.tmp\n~locus10000.tmp\n");
  const std::string table = " 10000 100 5000\r\n    2\r\n";
  EXPECT_EQ(dir.read("~locus1.tmp"), "  1  1  " + seedsOf(edition3d(), 1) + table);
  EXPECT_EQ(dir.read("~locus10000.tmp"), "  1  1  " + seedsOf(edition3d(), 2) + table);
  EXPECT_EQ(dir.read(kSharedTableFile), "###  12         Est-2\r\n  1  1  " + seedsOf(editionC(), 1) + table +
                                            "###  13         \r\n  1  1  " + seedsOf(editionC(), 2) + table);
}

TEST(TableData, SeedsLieInTheRangeOfEachClock) {
  struct Case {
    SeedDraw draw;
    int lowest, highest;
  };
  for (const Case c : {Case{SeedDraw::TickClock1To166, 1, 166}, Case{SeedDraw::CalendarClock2To167, 2, 167}}) {
    for (std::uint64_t clock : {0ull, 123456ull, 1765000000ull}) {
      SeedSource source(c.draw, clock), again(c.draw, clock);
      int lowest = 1000, highest = -1000;
      for (int i = 0; i < 20000; ++i) {
        const int seed = source.next();
        EXPECT_EQ(again.next(), seed);
        lowest = std::min(lowest, seed), highest = std::max(highest, seed);
      }
      EXPECT_EQ(lowest, c.lowest);
      EXPECT_EQ(highest, c.highest);
    }
  }
}

TEST(TableData, SharedFileReaderPassesOverUntestedLoci) {
  ScratchDir dir;
  LocusCounts polymorphic, missing, mono, last;
  polymorphic.TABLE[1][1] = 1, polymorphic.TABLE[1][2] = 2, polymorphic.TABLE[2][1] = 3;
  missing.TABLE[1][0] = 2, missing.TABLE[2][0] = 2;
  mono.TABLE[1][4] = 2, mono.TABLE[2][4] = 2;
  last.TABLE[1][3] = 5, last.TABLE[2][9] = 6;
  {
    InputRun run(editionC());
    TableDataWriter writer(run.context);
    int locus = 0;
    for (const LocusCounts* counts : {&polymorphic, &missing, &mono, &last}) {
      writer.writeLocus(++locus, "L", *counts, summarizeColumns(*counts, 2), 2);
    }
    writer.finish();
  }
  TableDataSource source(TableForm::SharedFile);
  ASSERT_TRUE(source.open());
  ASSERT_TRUE(source.openLocus(1));
  EXPECT_EQ(readNumbers(source.scanner(), 2), (std::vector<std::int64_t>{2, 2}));
  source.scanner().skipLine();
  for (const std::vector<std::int64_t>& row : {std::vector<std::int64_t>{1, 2}, std::vector<std::int64_t>{3, 0}}) {
    EXPECT_EQ(readNumbers(source.scanner(), 2), row);
    source.scanner().skipLine();
  }
  source.passOver();  // empty rows
  source.passOver();
  ASSERT_TRUE(source.openLocus(4));
  std::ostringstream header;
  for (std::int64_t n : readNumbers(source.scanner(), 6)) header << n << ' ';
  EXPECT_EQ(header.str(), "2 2 " + seedsOf(editionC(), 4) + " ");
  source.scanner().skipLine();
  EXPECT_EQ(readNumbers(source.scanner(), 4), (std::vector<std::int64_t>{5, 0, 0, 6}));
  source.scanner().skipLine();
  EXPECT_FALSE(source.openLocus(5));
}

TEST(TableData, TableDataThatCannotBeWrittenEndsTheRun) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ScratchDir dir;
  std::filesystem::create_symlink("/dev/full", locusTableFileName(1));
  std::filesystem::create_symlink("/dev/full", kSharedTableFile);
  LocusCounts counts;
  const ColumnSummary columns = summarizeColumns(counts, 1);
  {
    InputRun run(edition2d());
    TableDataWriter writer(run.context);
    try {
      writer.writeLocus(1, "A", counts, columns, 1);
      ADD_FAILURE() << "written";
    } catch (const RunTimeError& error) {
      EXPECT_EQ(error.number, 101);
    }
  }
  {
    InputRun run(editionC());
    TableDataWriter writer(run.context);
    EXPECT_THROW(writer.writeLocus(1, "A", counts, columns, 1), RunEnded);
    EXPECT_EQ(run.console.err(), fatalErr(kSharedTableFile));
  }
  std::filesystem::remove(kSharedTableFile);
  std::filesystem::create_directory(kSharedTableFile);
  InputRun run(editionC());
  EXPECT_THROW(TableDataWriter writer(run.context), RunEnded);
  EXPECT_EQ(run.console.err(), fatalErr(kSharedTableFile));
}

}  // namespace
}  // namespace ortelan
