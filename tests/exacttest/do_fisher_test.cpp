#include "exacttest/do_fisher.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "apps/editions.h"
#include "input/tables/table_data_reader.h"
#include "exacttest/chain.h"
#include "exacttest/chain_fixture.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using testing::crlf;
using testing::ScratchDir;
using testing::ScriptedConsole;
using Rows = std::vector<std::vector<int>>;

struct Locus {
  Rows rows;  // empty: a locus without alleles
  int alleles;
  std::array<int, 4> seeds{1, 2, 3, 4};
};

// The table data as the table writer leaves it: header, then the counts
// in fields of five.
std::string tableText(const Locus& locus, int populations, const char* settings) {
  std::string text = "  " + std::to_string(populations) + "  " + std::to_string(locus.alleles) + "  ";
  for (int seed : locus.seeds) text += std::to_string(seed) + " ";
  text += std::string(settings) + "\n";
  for (int row = 0; row < populations; ++row) {
    for (std::size_t column = 0; column < (locus.rows.empty() ? 0 : locus.rows[0].size()); ++column) {
      char field[16];
      std::snprintf(field, sizeof field, "%5d", locus.rows[row][column]);
      text += field;
    }
    text += "\n";
  }
  return crlf(text);
}

template <class Real>
struct Fisher {
  Fisher(const Edition& edition, const std::vector<Locus>& loci, const char* settings = "200 4 300")
      : run(edition, console) {
    std::string shared;
    for (std::size_t index = 0; index < loci.size(); ++index) {
      const int I = static_cast<int>(index) + 1;
      const std::string number = std::to_string(I);
      run.state.addLocus(std::string("L").append(number));
      run.state.ALLELES_PER_LOCUS[I] = loci[index].alleles;
      const std::string table = tableText(loci[index], 2, settings);
      if (edition.tableForm == TableForm::SharedFile) {
        shared += std::string("###  ").append(number).append("         L").append(number).append("\r\n");
        shared += table;
      } else {
        dir.write(std::string("~locus").append(number).append(".tmp"), table);
      }
    }
    if (edition.tableForm == TableForm::SharedFile) dir.write("~TMPlocus.tmp", shared);
    run.state.sizeResultArrays();
  }

  ScratchDir dir;
  ScriptedConsole console;
  ortelan::Run<Real> run;
};

// The estimate of a locus walked on its own with its seeds.
template <class Real>
ChainEstimate<Real> alone(const Locus& locus, std::int32_t MEM, std::int32_t B, std::int32_t C) {
  CountTable MM = countTable(locus.rows);
  Ranmar generator;
  generator.MAKE_RANDOM(locus.seeds[0], locus.seeds[1], locus.seeds[2], locus.seeds[3]);
  return CHAINE<Real>(MM, MEM, B, C, generator);
}

const Locus kMoving{{{6, 1, 3}, {2, 5, 4}}, 3, {17, 102, 45, 160}};
const Locus kOtherMoving{{{2, 9}, {7, 1}}, 2, {5, 6, 7, 8}};
const Locus kStuck{{{3, 4}, {0, 0}}, 2};  // one population without data: never moves
const Locus kMonomorphic{{{8}, {6}}, 1};
const Locus kNoAlleles{{}, 0};

std::string cursorLine(int I) {
  char number[16];
  std::snprintf(number, sizeof number, "%8d", I);
  return std::string("<GOTO 14,20>... and now processing locus no.") + number;
}

TEST(DoFisher, EightyBitProgramsReadOneFilePerLocusAndShowEveryLocus) {
  for (const Edition* edition : {&edition3d(), &edition2d()}) {
    std::vector<Locus> loci(10, kMonomorphic);
    loci[0] = kMoving;
    loci[2] = kStuck;
    loci[5] = kNoAlleles;
    loci[9] = kOtherMoving;  // ~locus10.tmp
    Fisher<long double> fisher(*edition, loci);
    DO_FISHER(fisher.run, TableFiles(fisher.run.edition.tableForm, fisher.run.tableDir));
    const auto& s = fisher.run.state;
    const auto moving = alone<long double>(kMoving, 200, 4, 300);
    EXPECT_EQ(s.FISHERPPERLOCUS[1], moving.HM);
    EXPECT_EQ(s.FISHERSEPERLOCUS[1], moving.HECA);
    EXPECT_GT(moving.HECA, 0);
    EXPECT_EQ(s.FISHERPPERLOCUS[3], 1);
    EXPECT_EQ(s.FISHERSEPERLOCUS[3], 0);
    EXPECT_EQ(s.FISHERPPERLOCUS[10], alone<long double>(kOtherMoving, 200, 4, 300).HM);
    for (int I : {2, 4, 5, 6, 7, 8, 9}) {
      EXPECT_EQ(s.FISHERPPERLOCUS[I], -1) << I;
      EXPECT_EQ(s.FISHERSEPERLOCUS[I], 0) << I;
    }
    EXPECT_EQ(s.MEM, 200);
    EXPECT_EQ(s.B, 4);
    EXPECT_EQ(s.C, 300);
    std::string screen;
    for (int I = 1; I <= 10; ++I) screen += cursorLine(I) + (I == 3 ? "Warning: Line 2 is empty!\n" : "");
    EXPECT_EQ(fisher.console.screen(), screen);
  }
}

TEST(DoFisher, OrtelanCReadsPastTheBlocksOfUntestedLoci) {
  Fisher<double> fisher(editionC(), {kMoving, kMonomorphic, kOtherMoving, kNoAlleles, kStuck});
  DO_FISHER(fisher.run, TableFiles(fisher.run.edition.tableForm, fisher.run.tableDir));
  const auto& s = fisher.run.state;
  EXPECT_EQ(s.FISHERPPERLOCUS[1], alone<double>(kMoving, 200, 4, 300).HM);
  const auto other = alone<double>(kOtherMoving, 200, 4, 300);
  EXPECT_EQ(s.FISHERPPERLOCUS[3], other.HM);
  EXPECT_EQ(s.FISHERSEPERLOCUS[3], other.HECA);
  EXPECT_EQ(s.FISHERPPERLOCUS[5], 1);
  for (int I : {2, 4}) {
    EXPECT_EQ(s.FISHERPPERLOCUS[I], -1);
    EXPECT_EQ(s.FISHERSEPERLOCUS[I], 0);
  }
  EXPECT_EQ(fisher.console.out(),
            "\n  Now processing locus no. 1\r  Now processing locus no. 3\r  Now processing locus no. 5\r");
  EXPECT_EQ(fisher.console.err(), "Warning: Line 2 is empty!\n");
}

TEST(DoFisher, NoTestedLocusLeavesTheSettingsUnread) {
  Fisher<long double> eightyBit(edition3d(), {kMonomorphic, kNoAlleles});
  std::remove("~locus1.tmp");
  std::remove("~locus2.tmp");
  DO_FISHER(eightyBit.run, TableFiles(eightyBit.run.edition.tableForm, eightyBit.run.tableDir));
  Fisher<double> c(editionC(), {kMonomorphic, kNoAlleles, kMonomorphic});
  DO_FISHER(c.run, TableFiles(c.run.edition.tableForm, c.run.tableDir));
  EXPECT_EQ(c.console.out(), "\n");
  auto check = [](const auto& state) {
    EXPECT_EQ(state.MEM, 0);
    EXPECT_EQ(state.B, 0);
    EXPECT_EQ(state.C, 0);
    for (int I = 1; I <= state.NUMBOFLOCI; ++I) {
      EXPECT_EQ(state.FISHERPPERLOCUS[I], -1);
      EXPECT_EQ(state.FISHERSEPERLOCUS[I], 0);
    }
  };
  check(eightyBit.run.state);
  check(c.run.state);
}

TEST(DoFisher, FailedCheckStopsTheRunAndLeavesTheTableData) {
  const Locus empty{{{0, 0}, {0, 0}}, 2};
  {
    Fisher<long double> fisher(edition3d(), {kStuck, empty, kMoving});
    try {
      DO_FISHER(fisher.run, TableFiles(fisher.run.edition.tableForm, fisher.run.tableDir));
      ADD_FAILURE() << "the run goes on";
    } catch (const RunEnded& ended) {
      EXPECT_EQ(ended.status, 0);
    }
    EXPECT_EQ(fisher.dir.listing(), "~locus1.tmp\n~locus2.tmp\n~locus3.tmp\n");
    EXPECT_EQ(fisher.console.screen().find(cursorLine(3)), std::string::npos);
  }
  {
    Fisher<double> fisher(editionC(), {kStuck, empty, kMoving});
    try {
      DO_FISHER(fisher.run, TableFiles(fisher.run.edition.tableForm, fisher.run.tableDir));
      ADD_FAILURE() << "the run goes on";
    } catch (const RunEnded& ended) {
      EXPECT_EQ(ended.status, -10);
    }
    EXPECT_EQ(fisher.console.out().find("locus no. 3"), std::string::npos);
    EXPECT_TRUE(fisher.dir.exists("~TMPlocus.tmp"));
  }
  {
    Fisher<long double> fisher(edition2d(), {kMonomorphic, kMoving});
    std::remove("~locus2.tmp");
    try {
      DO_FISHER(fisher.run, TableFiles(fisher.run.edition.tableForm, fisher.run.tableDir));
      ADD_FAILURE() << "the run goes on";
    } catch (const RunTimeError& error) {
      EXPECT_EQ(error.number, 2);
    }
  }
}

}  // namespace
}  // namespace ortelan

namespace ortelan {
namespace {

// Several workers give every locus the estimate one thread gives it, and
// the console shows the same, also when a locus stops the run.
TEST(DoFisher, ManyWorkersGiveWhatOneGives) {
  const Locus empty{{{0, 0}, {0, 0}}, 2};
  const std::vector<Locus> loci = {kMoving, kMonomorphic, kOtherMoving, kStuck, kMoving, kOtherMoving, kMoving};
  for (const Edition* edition : {&edition3d(), &editionC()}) {
    for (bool failing : {false, true}) {
      std::vector<Locus> these = loci;
      if (failing) these.insert(these.begin() + 5, empty);
      std::string screens[2];
      std::vector<long double> estimates[2];
      for (int cores : {1, 4}) {
        Fisher<long double> fisher(*edition, these, "300 5 400");
        fisher.console.cores = cores;
        try {
          DO_FISHER(fisher.run, TableFiles(fisher.run.edition.tableForm, fisher.run.tableDir));
        } catch (const RunEnded&) {
        }
        screens[cores == 4] = fisher.console.screen() + fisher.console.err();
        for (int I = 1; I <= fisher.run.state.NUMBOFLOCI; ++I) {
          estimates[cores == 4].push_back(fisher.run.state.FISHERPPERLOCUS[I]);
          estimates[cores == 4].push_back(fisher.run.state.FISHERSEPERLOCUS[I]);
        }
      }
      EXPECT_EQ(screens[0], screens[1]);
      EXPECT_EQ(estimates[0], estimates[1]);
    }
  }
}

}  // namespace
}  // namespace ortelan
