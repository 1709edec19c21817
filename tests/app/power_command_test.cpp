#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/analysis.h"
#include "app/merge/power_merge.h"
#include "app/power_analysis.h"
#include "app/power_command_line.h"
#include "apps/editions.h"
#include "report/power_report.h"
#include "report/power_table.h"
#include "run/failure.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

PowerCommandLine parse(std::vector<std::string> arguments) {
  return parsePowerCommandLine(edition3d(), arguments);
}

// Bad values end in one line and status 2, naming what is wrong; good ones
// come to the settings, the targets and levels in increasing order.
TEST(PowerCommandLine, BadValuesEndInOneLine) {
  const struct {
    std::vector<std::string> arguments;
    std::string said;
  } bad[] = {{{"--fst", "-0.01", "a.gen"}, "--fst"},
             {{"--fst", "0.01,1", "a.gen"}, "--fst"},
             {{"--fst", "0.01,,0.02", "a.gen"}, "--fst"},
             {{"--fst", "nan", "a.gen"}, "--fst"},
             {{"--ne", "0", "a.gen"}, "--ne"},
             {{"--ne", "12.5", "a.gen"}, "--ne"},
             {{"--alpha", "0", "a.gen"}, "--alpha"},
             {{"--alpha", "0.05,1", "a.gen"}, "--alpha"},
             {{"--sizes", "0", "a.gen"}, "--sizes"},
             {{"--sizes", "20,x", "a.gen"}, "--sizes"},
             {{"--replicates", "0", "a.gen"}, "--replicates"},
             {{"--replicates-range", "5-2", "a.gen"}, "--replicates-range"},
             {{"--replicates", "100", "--replicates-range", "50-101", "a.gen"}, "goes past the 100 replicates"},
             {{"--decision-error", "0.6", "a.gen"}, "--decision-error"},
             {{"-t", "x.tsv", "--plot", "./x.tsv", "a.gen"}, "name the same file"},
             {{"--fst", "0.01"}, "DATAFILE"}};
  for (const auto& [arguments, said] : bad) {
    const PowerCommandLine line = parse(arguments);
    SCOPED_TRACE(arguments[0] + " " + arguments[1]);
    EXPECT_FALSE(line.settings);
    EXPECT_EQ(line.status, 2);
    EXPECT_TRUE(line.err.starts_with("ortelan_3d: error: ")) << line.err;
    EXPECT_NE(line.err.find(said), std::string::npos) << line.err;
  }
  const PowerCommandLine line = parse({"--fst", "0.02,0.005", "--alpha", "0.05,0.01", "--sizes", "30,20", "--ne",
                                       "250", "--replicates", "40", "--replicates-range", "11-20", "-s", "9", "a.gen"});
  ASSERT_TRUE(line.settings) << line.err;
  const PowerSettings& s = *line.settings;
  EXPECT_EQ(s.fst, (std::vector<double>{0.02, 0.005}));
  EXPECT_EQ(s.alphas, (std::vector<double>{0.01, 0.05}));
  EXPECT_EQ(s.sizes, (std::vector<std::int64_t>{30, 20}));
  EXPECT_EQ(s.ne, 250);
  EXPECT_EQ(s.range, (std::pair<std::int64_t, std::int64_t>{11, 20}));
  EXPECT_EQ(s.run.seed, 9u);
  EXPECT_EQ(s.reportPath, "Ortelan-power.out");
}

// A power analysis of the example, its replicates whole or in ranges.
PowerAnalysis analysed(const PowerSettings& settings) {
  testing::ScriptedConsole console;
  return analysePower<long double>(scriptedEdition(edition3d()), settings, console, nullptr);
}

PowerSettings exampleSettings() {
  PowerSettings s;
  s.run.dataFile = ORTELAN_EXAMPLES_DIR "/trout.gen";
  s.run.seed = 4;
  s.run.threads = 2;
  s.fst = {0.01, 0.05};
  s.alphas = {0.01, 0.05};
  s.replicates = 24;
  return s;
}

std::string tableOf(const PowerSettings& settings) {
  const PowerAnalysis a = analysed(settings);
  return formatPowerTable<long double>(powerHeading(edition3d(), settings, a), a.results, a.data);
}

// Shards of the replicates merge into the whole run's table, to the byte,
// in any order; shards that overlap, leave a gap, or were run with other
// settings are refused in one line with status 2.
TEST(PowerMerge, ShardsMergeIntoTheWholeRunsTable) {
  const PowerSettings whole = exampleSettings();
  const std::string table = tableOf(whole);
  EXPECT_TRUE(isPowerTable(table));
  auto shard = [&](std::int64_t first, std::int64_t last, double ne = 1000) {
    PowerSettings s = whole;
    s.range = std::pair{first, last};
    s.ne = static_cast<std::int64_t>(ne);
    return PowerShard{"r" + std::to_string(first) + "-" + std::to_string(last) + ".tsv", tableOf(s)};
  };
  const PowerShard a = shard(1, 10), b = shard(11, 17), c = shard(18, 24);
  EXPECT_NE(a.second.find(" replicates_range=1-10\r\n"), std::string::npos);
  EXPECT_EQ(mergePowerTables<long double>(edition3d(), {c, a, b}), table);
  EXPECT_EQ(mergePowerTables<long double>(edition3d(), {{"all.tsv", table}}), table);
  const struct {
    std::vector<PowerShard> shards;
    std::string said;
  } refused[] = {{{a, c}, "no shard holds replicates 11-17"},
                 {{a, b}, "no shard holds replicates 18-24"},
                 {{a, shard(8, 17), c}, "both hold replicate 8"},
                 {{a, b, shard(18, 24, 500)}, "other settings: ne=500 and ne=1000"}};
  for (const auto& [shards, said] : refused) {
    try {
      mergePowerTables<long double>(edition3d(), shards);
      ADD_FAILURE() << "merged: " << said;
    } catch (const OneLineFault& fault) {
      EXPECT_EQ(fault.status, 2);
      EXPECT_NE(fault.message.find(said), std::string::npos) << fault.message;
      EXPECT_EQ(fault.message.find('\n'), std::string::npos);
    }
  }
}

// The example's design: its locus of one allele left out and said, the
// report's three parts, and a merge refuses a table cut short.
TEST(PowerMerge, ReportAndTableOfTheExample) {
  testing::ScriptedConsole console;
  const PowerSettings settings = exampleSettings();
  const PowerAnalysis a = analysePower<double>(scriptedEdition(editionC()), settings, console, nullptr);
  EXPECT_NE(console.err().find("left out 1 locus with fewer than two alleles in the pooled populations: 3 (LDH-C1)"),
            std::string::npos)
      << console.err();
  EXPECT_EQ(a.results.design.loci.size(), 3u);
  const std::string report = formatPowerReport<double>(editionC(), powerHeading(editionC(), settings, a), a.results,
                                                       a.data, CivilDate{2026, 3, 5});
  for (const char* part : {"DESIGN\r\n", "POWER AGAINST F_ST\r\n", "ERROR OF THE FIRST KIND (F_ST = 0)\r\n",
                           "3 (LDH-C1)", "Date: 2026-03-05"}) {
    EXPECT_NE(report.find(part), std::string::npos) << part;
  }
  const std::string table = formatPowerTable<double>(powerHeading(editionC(), settings, a), a.results, a.data);
  // 3 targets x (2 x 3 loci x 2 tests + 2 x 2 totals) rows, the header, the first line and 3 theta lines.
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 3 * 16 + 2 + 3);
  try {
    mergePowerTables<double>(editionC(), {{"cut.tsv", table.substr(0, table.size() / 2)}});
    ADD_FAILURE() << "merged a table cut short";
  } catch (const OneLineFault& fault) {
    EXPECT_EQ(fault.status, 1);
    EXPECT_TRUE(fault.message.starts_with("cut.tsv: line ")) << fault.message;
  }
}

}  // namespace
}  // namespace ortelan
