// The pass over the pairs gives the same rows whatever its workers and the
// blocks they make, held whole or streamed: the streamed table is the held
// one to the byte, for every test, with a bootstrap.
#include "pairs/pair_rows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/analysis.h"
#include "apps/editions.h"
#include "report/pairs_table.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"
#include "support/snp_genepop.h"

namespace ortelan {
namespace {

TEST(PairRows, TheSameRowsOnAnyWorkersHeldOrStreamed) {
  testing::ScratchDir dir;
  {
    // Enough loci for several blocks a pair, a chain's and a pass's without one.
    std::ofstream out(dir.path() / "data.gen", std::ios::binary);
    testing::writeSnpGenepop(out, {300, 5, 6, 2, 31});
  }
  const Edition edition = scriptedEdition(edition2d());
  for (ExactTest test : {ExactTest::None, ExactTest::Genic, ExactTest::Genotypic}) {
    SCOPED_TRACE(testName(test));
    RunSettings settings;
    settings.dataFile = (dir.path() / "data.gen").string();
    settings.chain = {20, 2, 10};
    settings.seed = 2026;
    settings.test = test;
    settings.pairs = true;
    settings.bootstrap = test == ExactTest::Genic ? 20 : 0;
    testing::ScriptedConsole console;
    const Analysis<long double> analysis = analyse<long double>(edition, settings, console, nullptr);
    ASSERT_TRUE(analysis.pendingPairs);
    const TableHeading heading{edition.programName, edition.version, settings.dataFile, 2026, settings.chain, test};
    std::string first;
    for (int workers : {1, 2, 3}) {
      SCOPED_TRACE(std::to_string(workers) + " workers");
      PendingPairs pending = *analysis.pendingPairs;
      pending.workers = workers;
      FStatistics<long double> f = analysis.fstat;
      const PairResults<long double> held = DO_PAIRS(pending, analysis.state, f);
      const std::string table = formatPairsTable(heading, analysis.state, held, f);
      if (first.empty()) first = table;
      EXPECT_EQ(table, first);

      std::string streamed = pairsTableHeader(heading, analysis.state);
      PairsTableRows<long double> rows(test, analysis.state, [&](std::string_view block) { streamed += block; });
      passPairs(pending, analysis.state, rows);
      EXPECT_EQ(streamed, table);
      const std::vector<PairPlotCell> cells = pairPlotCells(held, f);
      ASSERT_EQ(rows.cells().size(), cells.size());
      const auto same = [](double x, double y) { return x == y || (x != x && y != y); };
      for (std::size_t k = 0; k < cells.size(); ++k) {
        EXPECT_TRUE(same(rows.cells()[k].p, cells[k].p) && same(rows.cells()[k].theta, cells[k].theta) &&
                    same(rows.cells()[k].thetaHigh, cells[k].thetaHigh))
            << "pair " << k;
      }
    }
    // 10 pairs x 300 loci and a TOTAL row each, after the two header lines.
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 2 + 10 * 301);
  }
}

}  // namespace
}  // namespace ortelan
