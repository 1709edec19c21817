#include "chisquare/do_chisquare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "apps/editions.h"
#include "chisquare/tail_forms.h"
#include "input/tables/table_data_reader.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using testing::crlf;
using testing::ScratchDir;
using testing::ScriptedConsole;

using Rows = std::vector<std::vector<int>>;

// One locus's table, populations x alleles present; no columns when no
// gene was typed at the locus.
struct Locus {
  Rows rows;
  int alleles() const { return static_cast<int>(rows.front().size()); }
};

// Header (rows, columns, four seeds, the three settings) and the row lines,
// each count right-aligned in five characters, LF line ends.
std::string tableText(const Locus& locus) {
  std::string text = "  " + std::to_string(locus.rows.size()) + "  " + std::to_string(locus.alleles()) +
                     "  17 102 45 160 10000 100 5000\n";
  for (const auto& row : locus.rows) {
    for (int count : row) {
      char field[16];
      std::snprintf(field, sizeof field, "%5d", count);
      text += field;
    }
    text += "\n";
  }
  return text;
}

// The table data as the program's reader leaves it: one file per locus, or
// one shared file with a title line before each block. Loci listed in
// `withoutFile` get no file of their own.
void writeTableData(const ScratchDir& dir, const Edition& edition, const std::vector<Locus>& loci,
                    const std::vector<int>& withoutFile = {}) {
  std::string shared;
  for (std::size_t i = 0; i < loci.size(); ++i) {
    const int number = static_cast<int>(i) + 1;
    if (edition.tableForm == TableForm::SharedFile) {
      shared += "###  " + std::to_string(number) + "         Locus-" + std::to_string(number) + "\n";
      shared += tableText(loci[i]);
    } else if (std::find(withoutFile.begin(), withoutFile.end(), number) == withoutFile.end()) {
      dir.write("~locus" + std::to_string(number) + ".tmp", crlf(tableText(loci[i])));
    }
  }
  if (edition.tableForm == TableForm::SharedFile) dir.write("~TMPlocus.tmp", crlf(shared));
}

template <class Real>
void describe(RunState<Real>& state, const std::vector<Locus>& loci) {
  for (std::size_t i = 0; i < loci.size(); ++i) state.addLocus("Locus-" + std::to_string(i + 1));
  state.sizeResultArrays();
  state.NUMBPOPS = static_cast<int>(loci.front().rows.size());
  for (std::size_t i = 0; i < loci.size(); ++i) {
    state.ALLELES_PER_LOCUS[i + 1] = loci[i].alleles();
    // Values that an untested locus must keep.
    state.CHI2PERLOCUS[i + 1] = 123;
    state.DFPERLOCUS[i + 1] = 456;
  }
}

// Margins 60, 50, 0 and 30, 40, 40: chi-square 451/36 on 2 df.
const Locus kGeneral{{{10, 20, 30}, {20, 20, 10}, {0, 0, 0}}};
// Chi-square 20 on 1 df.
const Locus kDiagonal{{{10, 0}, {0, 10}, {0, 0}}};
const Locus kOneAllele{{{8}, {0}, {6}}};
const Locus kNothingTyped{{{}, {}, {}}};

struct Expected {
  long double chi, df, p;  // p < 0: not tested
};
const Expected kGeneralResult{451.0L / 36, 2, std::exp(-451.0L / 72)};
const Expected kDiagonalResult{20, 1, std::erfc(std::sqrt(10.0L))};
const Expected kUntested{0, 0, -1};

struct Scenario {
  const char* name;
  std::vector<Locus> loci;
  std::vector<Expected> results;
  const char* counter;  // ortelan_c's locus counter
};

const Scenario kScenarios[] = {
    {"one allele between two tested loci", {kGeneral, kOneAllele, kDiagonal},
     {kGeneralResult, kUntested, kDiagonalResult}, "1\r3\r"},
    {"untested loci first and in between", {kNothingTyped, kDiagonal, kOneAllele, kGeneral},
     {kUntested, kDiagonalResult, kUntested, kGeneralResult}, "2\r4\r"},
};

template <class Real>
void checkScenario(const Edition& edition, const Scenario& scenario) {
  SCOPED_TRACE(scenario.name);
  ScratchDir dir;
  std::vector<int> untested;
  for (std::size_t i = 0; i < scenario.loci.size(); ++i) {
    if (scenario.results[i].p < 0) untested.push_back(static_cast<int>(i) + 1);
  }
  // No file is opened for an untested locus, so it needs none.
  writeTableData(dir, edition, scenario.loci, untested);
  ScriptedConsole console;
  ortelan::Run<Real> run(edition, console);
  describe(run.state, scenario.loci);

  DO_CHISQUARE(run, TableFiles(run.edition.tableForm, run.tableDir));

  for (std::size_t i = 0; i < scenario.results.size(); ++i) {
    SCOPED_TRACE("locus " + std::to_string(i + 1));
    const Expected& e = scenario.results[i];
    if (e.p < 0) {
      EXPECT_EQ(run.state.CHI2PPERLOCUS[i + 1], -1);
      EXPECT_EQ(run.state.CHI2PERLOCUS[i + 1], 123);
      EXPECT_EQ(run.state.DFPERLOCUS[i + 1], 456);
    } else {
      EXPECT_CLOSE(run.state.CHI2PERLOCUS[i + 1], e.chi, 1e-12L);
      EXPECT_EQ(run.state.DFPERLOCUS[i + 1], e.df);
      EXPECT_CLOSE(run.state.CHI2PPERLOCUS[i + 1], e.p, 1.2e-6L * e.p);
    }
  }
  if (edition.announcesChisquare) {
    EXPECT_EQ(console.out(), std::string("\n do_chisquare\n") + scenario.counter);
  } else {
    EXPECT_EQ(console.out(), "");
  }
  EXPECT_EQ(console.err(), "");
}

TEST(DoChisquare, TestedAndUntestedLoci) {
  for (const Scenario& scenario : kScenarios) {
    {
      SCOPED_TRACE("ortelan_3d");
      checkScenario<long double>(edition3d(), scenario);
    }
    {
      SCOPED_TRACE("ortelan_2d");
      checkScenario<long double>(edition2d(), scenario);
    }
    {
      SCOPED_TRACE("ortelan_c");
      checkScenario<double>(editionC(), scenario);
    }
  }
}

// One population typed at a tested locus: the invalid-arguments pause
// shows on the program's diagnostic stream, waits, and the locus gets
// chi 0 on 0 df with P = 1.
template <class Real>
void checkSinglePopulation(const Edition& edition) {
  ScratchDir dir;
  const std::vector<Locus> loci{{{{0, 0}, {4, 9}, {0, 0}}}};
  writeTableData(dir, edition, loci);
  ScriptedConsole console("7\n");
  ortelan::Run<Real> run(edition, console);
  describe(run.state, loci);

  DO_CHISQUARE(run, TableFiles(run.edition.tableForm, run.tableDir));

  EXPECT_EQ(run.state.CHI2PERLOCUS[1], 0);
  EXPECT_EQ(run.state.DFPERLOCUS[1], 0);
  EXPECT_EQ(run.state.CHI2PPERLOCUS[1], 1);
  const std::string pause = "pause in GAMMQ - invalid arguments\n";
  if (edition.diagnostics == Stream::Err) {
    EXPECT_EQ(console.out(), "\n do_chisquare\n1\r");
    EXPECT_EQ(console.err(), pause);
  } else {
    EXPECT_EQ(console.out(), pause);
    EXPECT_EQ(console.err(), "");
  }
  EXPECT_LT(console.unreadInput(), 2u);
}

TEST(DoChisquare, SinglePopulationPausesAndGoesOn) {
  checkSinglePopulation<long double>(edition3d());
  checkSinglePopulation<double>(editionC());
}

TEST(DoChisquare, MissingLocusFileIsRunTimeError2) {
  for (const Edition* edition : {&edition3d(), &edition2d()}) {
    ScratchDir dir;
    const std::vector<Locus> loci{kGeneral, kDiagonal};
    writeTableData(dir, *edition, loci, {2});
    ScriptedConsole console;
    ortelan::Run<long double> run(*edition, console);
    describe(run.state, loci);
    try {
      DO_CHISQUARE(run, TableFiles(run.edition.tableForm, run.tableDir));
      ADD_FAILURE() << "the run went on without ~locus2.tmp";
    } catch (const RunTimeError& error) {
      EXPECT_EQ(error.number, 2);
    }
    EXPECT_EQ(console.out(), "");
  }
}

TEST(DoChisquare, MissingSharedFileIsFatalStop) {
  ScratchDir dir;
  ScriptedConsole console;
  ortelan::Run<double> run(editionC(), console);
  describe(run.state, std::vector<Locus>{kGeneral});
  try {
    DO_CHISQUARE(run, TableFiles(run.edition.tableForm, run.tableDir));
    ADD_FAILURE() << "the run went on without ~TMPlocus.tmp";
  } catch (const RunEnded& ended) {
    EXPECT_EQ(ended.status, -10);
  }
  EXPECT_NE(console.err().find("\n=========Error: ~TMPlocus.tmp\n"), std::string::npos) << console.err();
  EXPECT_EQ(console.out().find("do_chisquare"), std::string::npos);
}

}  // namespace
}  // namespace ortelan
