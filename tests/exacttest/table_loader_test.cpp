#include "exacttest/table_loader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "apps/editions.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using testing::crlf;
using testing::ScriptedConsole;

// One locus's table data as the loader sees it: the header line onwards
// (the title line of the shared file has already been read by then).
struct Load {
  Load(const Edition& edition, const std::string& text) : context(edition, console), buffer(crlf(text)) {
    TableScanner scanner(&buffer);
    READINFILE(context, scanner, table);
  }
  // What the loader left unread.
  std::string rest() {
    std::string text;
    for (int c = buffer.sbumpc(); c != std::char_traits<char>::eof(); c = buffer.sbumpc()) text += char(c);
    return text;
  }

  ScriptedConsole console;
  RunContext context;
  std::stringbuf buffer;
  LoadedTable table;
};

const Edition* const kEditions[] = {&edition3d(), &edition2d(), &editionC()};

TEST(ReadInFile, LoadsSettingsSeedsCountsAndMargins) {
  for (const Edition* edition : kEditions) {
    Load load(*edition,
              "  3  4  17 102 45 160 10000 100 5000\n"
              "   12    3    0    1\n"
              "    0    5    2    0\n"
              "    4    0    9    6\n"
              "###  2         Est-2\n");
    const LoadedTable& t = load.table;
    EXPECT_EQ(t.N, 3);
    EXPECT_EQ(t.M, 4);
    EXPECT_EQ(t.UU, (std::array<int, 4>{17, 102, 45, 160}));
    EXPECT_EQ(t.MEM, 10000);
    EXPECT_EQ(t.B, 100);
    EXPECT_EQ(t.C, 5000);
    EXPECT_EQ(t.TOT, 42);
    // Counts in [1..3, 1..4], row totals in column 5, column totals and the
    // grand total in row 4.
    EXPECT_EQ(t.MM.cells, (std::vector<std::int32_t>{0, 0, 0, 0, 0, 0,    //
                                                     0, 12, 3, 0, 1, 16,  //
                                                     0, 0, 5, 2, 0, 7,    //
                                                     0, 4, 0, 9, 6, 19,   //
                                                     0, 16, 8, 11, 7, 42}));
    EXPECT_EQ(load.console.out() + load.console.err(), "");
    EXPECT_EQ(load.rest(), "###  2         Est-2\r\n");  // the next block starts at its title
  }
}

TEST(ReadInFile, LocusFileRowsAreReadLineByLineSharedFileAsOneStream) {
  // A locus file's header and row lines are read for their numbers and the
  // rest of each line is skipped; the shared file's counts run on across
  // line ends.
  const std::string text = "  2  2  1 1 1 1 0 2 10 77\n    3    4    9\n    5    6\n";
  Load perLocus(edition3d(), text);
  EXPECT_EQ(perLocus.table.MM.at(1, 1), 3);
  EXPECT_EQ(perLocus.table.MM.at(2, 1), 5);
  EXPECT_EQ(perLocus.table.TOT, 18);
  Load shared(editionC(), "  2  2  1 1 1 1 0 2 10\n    3\n    4    5    6\n");
  EXPECT_EQ(shared.table.MM.at(1, 2), 4);
  EXPECT_EQ(shared.table.MM.at(2, 2), 6);
}

TEST(ReadInFile, EmptyFirstRowIsOnlyAWarning) {
  for (const Edition* edition : kEditions) {
    Load load(*edition, "  2  2  1 168 1 168 10 2 10\n    0    0\n    5    6\n");
    const std::string& shown = edition == &editionC() ? load.console.err() : load.console.out();
    EXPECT_EQ(shown, "Warning: Line 1 is empty!\n");
    EXPECT_EQ(load.table.TOT, 11);
  }
}

// The check messages and the stop, on each program's own stream.
void expectStop(const Edition& edition, const std::string& text, const std::string& messages) {
  ScriptedConsole console;
  RunContext context(edition, console);
  std::stringbuf buffer(crlf(text));
  TableScanner scanner(&buffer);
  LoadedTable table;
  try {
    READINFILE(context, scanner, table);
    ADD_FAILURE() << "the run goes on";
  } catch (const RunEnded& ended) {
    EXPECT_EQ(buffer.in_avail(), 0);  // the whole table is read first
    if (&edition == &editionC()) {
      EXPECT_EQ(ended.status, -10);
      EXPECT_EQ(console.err(), messages + "\n=========Error: halt\n");
      EXPECT_EQ(console.out(), "Press any key to continue . . . \n");
    } else {
      EXPECT_EQ(ended.status, 0);
      EXPECT_EQ(console.out(), messages);
      EXPECT_EQ(console.err(), "");
    }
  }
}

TEST(ReadInFile, FailedChecksStopTheRunAfterTheWholeTable) {
  for (const Edition* edition : kEditions) {
    SCOPED_TRACE(edition->nameLine);
    expectStop(*edition, "  1  2  5 5 5 5 10 2 10\n    0    3\n",
               "Table only contains one row!!\nWarning: Column 1 is empty!\n");
    expectStop(*edition, "  2  1  5 5 5 5 10 2 10\n    0\n    4\n",
               "Table only contains one column!!\nWarning: Line 1 is empty!\n");
    expectStop(*edition, "  1  1  0 169 0 169 10 2 10\n    7\n",
               "Table only contains one row!!\nTable only contains one column!!\n"
               "Seed number must be in the range 1-168!!\n");
    expectStop(*edition, "  2  3  1 1 1 1 10 2 10\n    0    0    0\n    0    0    0\n",
               "Warning: Line 1 is empty!\nWarning: Line 2 is empty!\nSomething is wrong. The table is empty!!\n"
               "Warning: Column 1 is empty!\nWarning: Column 2 is empty!\nWarning: Column 3 is empty!\n");
  }
  for (int position = 0; position < 4; ++position) {
    for (const char* bad : {"0", "169", "-3"}) {
      std::string seeds[4] = {"1", "168", "1", "168"};
      seeds[position] = bad;
      expectStop(edition3d(),
                 "  2  2  " + seeds[0] + " " + seeds[1] + " " + seeds[2] + " " + seeds[3] + " 10 2 10\n"
                 "    1    2\n    3    4\n",
                 "Seed number must be in the range 1-168!!\n");
    }
  }
}

TEST(ReadInFile, UnreadableNumberIsInvalidInputOrFatalStop) {
  const std::string text = "  2  2  1 1 1 1 10 2 10\n    1    x\n    3    4\n";
  for (const Edition* edition : {&edition3d(), &edition2d()}) {
    try {
      Load load(*edition, text);
      ADD_FAILURE() << "read";
    } catch (const RunTimeError& error) {
      EXPECT_EQ(error.number, 106);
    }
  }
  ScriptedConsole console;
  RunContext context(editionC(), console);
  std::stringbuf buffer(text);
  TableScanner scanner(&buffer);
  LoadedTable table;
  try {
    READINFILE(context, scanner, table);
    ADD_FAILURE() << "read";
  } catch (const RunEnded& ended) {
    EXPECT_EQ(ended.status, -10);
    EXPECT_EQ(console.err().rfind("\n=========Error: ", 0), 0u);
  }
}

TEST(ReadInFile, SettingsTheWalkCannotUseStopTheRun) {
  // The dialogue refuses them; they reach the table data only by editing it.
  for (const char* settings : {"-1 2 10", "10 1 10", "10 0 10", "10 2 0"}) {
    try {
      Load bad(edition3d(), std::string("  2  2  1 1 1 1 ") + settings + "\n    1    2\n    3    4\n");
      ADD_FAILURE() << settings;
    } catch (const RunTimeError& error) {
      EXPECT_EQ(error.number, 201);
    }
  }
  Load fewest(edition3d(), "  2  2  1 1 1 1 0 2 1\n    1    2\n    3    4\n");
  EXPECT_EQ(fewest.table.MEM, 0);
}

}  // namespace
}  // namespace ortelan
