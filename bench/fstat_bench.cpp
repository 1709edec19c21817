// What a run with no exact test (--test none) costs beyond reading the data:
// a generated panel of 50,000 SNPs x 500 samples as a bgzipped VCF with its
// population map, in 2 populations, and in 20 with the pairs. Measured on
// two threads, as `ortelan_2d -j 2 --test none -t x.tsv --popmap map calls.vcf.gz`
// runs it:
//  - Read: the reading and counting of the file alone (readVcf);
//  - Whole: everything the run does, its results table written to memory;
//  - BeyondReading: the steps after the reading on the tables read once
//    (chi-square, totals, F-statistics, pairs, the tables' text);
//  - FStatistics: DO_FSTAT alone on those tables (with the pairs for 20
//    populations: 190 pairs x 50,000 loci);
//  - Bootstrap: DO_FSTAT with a bootstrap of 1,000 replicates (2
//    populations: the run's TOTAL alone).
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORTELAN_BENCH=ON -DORTELAN_TESTS=OFF
//   cmake --build build-bench -j2 --target ortelan_fstat_bench
//   build-bench/bench/ortelan_fstat_bench
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/analysis.h"
#include "apps/editions.h"
#include "chisquare/do_chisquare.h"
#include "chisquare/totals.h"
#include "fstat/do_fstat.h"
#include "pairs/pair_rows.h"
#include "input/tables/memory_tables.h"
#include "input/vcf/vcf_reader.h"
#include "report/pairs_table.h"
#include "report/results_table.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"
#include "support/snp_vcf.h"

namespace {

using namespace ortelan;

constexpr int kThreads = 2;

// The panel of `populations` populations, written once per benchmark.
struct Panel {
  explicit Panel(int populations) : shape{50000, populations, 500 / populations, 2, 22} {
    testing::writeSnpVcf("panel.vcf.gz", shape);
    testing::writeSnpPopmap("panel.map", shape);
  }
  testing::SnpShape shape;
};

RunSettings noneSettings(bool pairs) {
  RunSettings settings;
  settings.dataFile = "panel.vcf.gz";
  settings.popmapPath = "panel.map";
  settings.test = ExactTest::None;
  settings.seed = 1;
  settings.threads = kThreads;
  settings.pairs = pairs;
  return settings;
}

void read(benchmark::State& state) {
  testing::ScratchDir dir;
  const Panel panel(static_cast<int>(state.range(0)));
  const Edition edition = scriptedEdition(edition2d());
  for (auto _ : state) {
    testing::ScriptedConsole console;
    RunContext context(edition, console);
    context.workers = kThreads;
    DataSummary data;
    readVcf(context, data, "panel.vcf.gz", Popmap::read("panel.map"));
    if (data.NUMBOFLOCI != panel.shape.loci) std::abort();
  }
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size("panel.vcf.gz")) / 1e6;
}

void whole(benchmark::State& state) {
  testing::ScratchDir dir;
  const Panel panel(static_cast<int>(state.range(0)));
  const Edition edition = scriptedEdition(edition2d());
  const RunSettings settings = noneSettings(state.range(0) > 2);
  for (auto _ : state) {
    testing::ScriptedConsole console;
    Analysis<long double> analysis = analyse<long double>(edition, settings, console, nullptr);
    holdPairs(analysis);
    const TableHeading heading{edition.programName, edition.version, settings.dataFile, analysis.seed, settings.chain,
                               settings.test};
    std::string table = formatResultsTable(heading, analysis.state, analysis.fstat);
    if (analysis.pairs) table += formatPairsTable(heading, analysis.state, *analysis.pairs, analysis.fstat);
    benchmark::DoNotOptimize(table);
  }
}

// A run with no exact test that has read the panel.
struct ReadRun {
  // `edition` outlives the run, which keeps a reference to it.
  explicit ReadRun(const Edition& edition) : run(edition, console) {
    run.workers = kThreads;
    run.test = ExactTest::None;
    run.seeds = SeedSource::keyed(edition.seeds, 1);
    VcfData vcf = readVcf(run, run.state, "panel.vcf.gz", Popmap::read("panel.map"));
    run.seeds = SeedSource::keyed(edition.seeds, 1, vcf.sites);
    tables = {vcf.tables, vcf.genotypes};
    run.state.sizeResultArrays();
    for (int I = 1; I <= run.state.NUMBOFLOCI; ++I) run.state.FISHERPPERLOCUS[I] = 1;
  }
  testing::ScriptedConsole console;
  Run<long double> run;
  DataTables tables;
};

void beyondReading(benchmark::State& state) {
  testing::ScratchDir dir;
  const Panel panel(static_cast<int>(state.range(0)));
  const Edition edition = scriptedEdition(edition2d());
  const bool pairs = state.range(0) > 2;
  ReadRun read(edition);
  Run<long double>& run = read.run;
  const DataTables& tables = read.tables;
  const MemoryTables memory(tables.alleles, *run.seeds, run.settings);
  const TableHeading heading{edition.programName, edition.version, "panel.vcf.gz", 1, {}, ExactTest::None};
  for (auto _ : state) {
    DO_CHISQUARE(run, memory);
    SUM_FOR_TOTAL_P(run, true);
    FStatistics<long double> f = DO_FSTAT(run, tables, 0);
    std::optional<PairResults<long double>> pairResults;
    if (pairs) pairResults = DO_PAIRS(run, run.state, tables, 0, f);
    std::string table = formatResultsTable(heading, run.state, f);
    if (pairResults) table += formatPairsTable(heading, run.state, *pairResults, f);
    benchmark::DoNotOptimize(table);
  }
}

// range(0): populations; range(1): bootstrap replicates.
void fStatistics(benchmark::State& state) {
  testing::ScratchDir dir;
  const Panel panel(static_cast<int>(state.range(0)));
  const Edition edition = scriptedEdition(edition2d());
  ReadRun read(edition);
  for (auto _ : state) {
    FStatistics<long double> f = DO_FSTAT(read.run, read.tables, state.range(1));
    if (state.range(0) > 2) DO_PAIRS(read.run, read.run.state, read.tables, state.range(1), f);
    benchmark::DoNotOptimize(f.total);
  }
}

}  // namespace

// The argument: populations (2, or 20 with the pairs).
BENCHMARK(read)->Arg(2)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(whole)->Arg(2)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(beyondReading)->Arg(2)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(fStatistics)->Args({2, 0})->Args({20, 0})->Args({2, 1000})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
