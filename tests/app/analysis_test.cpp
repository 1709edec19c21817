// A scripted run's analysis, which counts the tables into memory, gives the
// rows that the same run gave when its tables went through table data files
// (the dialogue's readers and files, with the run's seeds): for the results
// table, in all three programs, on files as large as the table data files
// took. (The pairs are tested from the counted tables alone.)
#include "app/analysis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "apps/editions.h"
#include "chisquare/do_chisquare.h"
#include "chisquare/totals.h"
#include "exacttest/do_fisher.h"
#include "input/genepop/read_data_file.h"
#include "input/tables/table_data_reader.h"
#include "report/results_table.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"
#include "support/snp_genepop.h"

namespace ortelan {
namespace {

using testing::ScratchDir;
using testing::ScriptedConsole;

// F-statistics that are NA throughout: the table data files hold no
// genotypes, and the rows are compared for their tests.
template <class Real>
FStatistics<Real> noFStatistics(const DataSummary& data) {
  FStatistics<Real> f;
  f.loci.resize(static_cast<std::size_t>(data.NUMBOFLOCI) + 1);
  return f;
}

template <class Real>
std::string throughTableFiles(const Edition& program, const RunSettings& settings) {
  const Edition edition = scriptedEdition(program);
  ScriptedConsole console;
  Run<Real> run(edition, console);
  run.settings = settings.chain;
  run.exact = settings.exact;
  run.seeds = SeedSource::keyed(edition.seeds, *settings.seed);
  run.dataFile = run.state.INFILENAME = settings.dataFile;
  std::filesystem::create_directory("tables");
  run.tableDir = "tables";
  readDataFileWriteTables(run, run.state, settings.dataFile);
  run.state.sizeResultArrays();
  const TableFiles files(edition.tableForm, run.tableDir);
  DO_FISHER(run, files);
  DO_CHISQUARE(run, files);
  SUM_FOR_TOTAL_P(run);
  const TableHeading heading{edition.programName, edition.version, settings.dataFile, *settings.seed, settings.chain};
  const FStatistics<Real> f = noFStatistics<Real>(run.state);
  const std::string out = formatResultsTable(heading, run.state, f);
  std::filesystem::remove_all("tables");
  return out;
}

template <class Real>
std::string inMemory(const Edition& program, const RunSettings& settings) {
  const Edition edition = scriptedEdition(program);
  ScriptedConsole console;
  const Analysis<Real> analysis = analyse<Real>(edition, settings, console, nullptr);
  const TableHeading heading{edition.programName, edition.version, settings.dataFile, analysis.seed, settings.chain};
  const FStatistics<Real> f = noFStatistics<Real>(analysis.state);
  EXPECT_EQ(console.err(), "");
  return formatResultsTable(heading, analysis.state, f);
}

TEST(Analysis, CountedTablesGiveTheRowsOfTheTableDataFiles) {
  ScratchDir dir;
  // Ten thousand loci, and a hundred populations: the largest files the
  // table data files took.
  const testing::SnpShape shapes[] = {{10000, 3, 4, 0, 11}, {40, 100, 2, 0, 12}};
  for (const testing::SnpShape& c : shapes) {
    for (const Edition* edition : {&edition3d(), &edition2d(), &editionC()}) {
      SCOPED_TRACE(std::string(edition->programName) + " " + std::to_string(c.loci) + " loci");
      testing::SnpShape shape = c;
      shape.digits = edition->alleleDigits == 2 ? 2 : 3;
      {
        std::ofstream out(dir.path() / "data.gen", std::ios::binary);
        writeSnpGenepop(out, shape);
      }
      RunSettings settings;
      settings.dataFile = "data.gen";
      settings.chain = {20, 2, 10};
      settings.seed = 2026;
      // The table data files' runs estimate by the chain alone.
      settings.sampling.sampler = SamplerKind::Chain;
      const bool eightyBit = edition->reader == ReaderKind::LocusPasses;
      const std::string files = eightyBit ? throughTableFiles<long double>(*edition, settings)
                                          : throughTableFiles<double>(*edition, settings);
      const std::string memory =
          eightyBit ? inMemory<long double>(*edition, settings) : inMemory<double>(*edition, settings);
      EXPECT_EQ(memory, files);
      EXPECT_EQ(dir.listing(), "data.gen\n");
    }
  }
}

}  // namespace
}  // namespace ortelan
