// What --windows and --outliers add to a run of 1,000,000 SNP loci: a
// genome of 22 chromosomes, a site every 3 kb, in 2, 5 or 20 populations
// of 50 diploid individuals (about 3 % of the genes missing), the tables
// held as a run holds them once read. Measured on two threads, as
// `ortelan_2d -j 2 --test none --windows 100000:50000 --windows-table w.tsv --outliers -t x.tsv`
// runs it, in 80-bit reals:
//  - Outliers: DO_OUTLIERS, the F of every locus from its allele table, the
//    trim, the fit and the P- and q-values;
//  - Windows: the windows' F_ST from the loci's F-statistics;
//  - ResultsTable/0 and /1: the results table without and with the outlier
//    test's four columns (the difference is what they add);
//  - WindowsTable: the windows table's text.
// The added time is Outliers + Windows + (ResultsTable/1 - ResultsTable/0)
// + WindowsTable. CPU is the process's, over its threads.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORTELAN_BENCH=ON -DORTELAN_TESTS=OFF
//   cmake --build build-bench -j2 --target ortelan_windows_outliers_bench
//   build-bench/bench/ortelan_windows_outliers_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "apps/editions.h"
#include "app/analysis.h"
#include "fstat/do_outliers.h"
#include "fstat/windows.h"
#include "report/results_table.h"
#include "report/windows_table.h"
#include "support/scripted_console.h"
#include "support/synthetic_scan.h"

namespace {

using namespace ortelan;

constexpr int kLoci = 1000000;
constexpr int kThreads = 2;
constexpr int kGenes = 100;  // 50 diploid individuals a population
const WindowLayout kWindows{100000, 50000};

// The run state, tables and F-statistics of a scan of kLoci SNPs.
struct Scan {
  explicit Scan(int populations) : run(edition, console) {
    run.workers = kThreads;
    run.test = ExactTest::None;
    DataSummary& data = run.state;
    data.NUMBPOPS = populations;
    data.sites.assign(1, {});
    auto alleles = std::make_shared<CountedTables>(
        CountedTables::wholeLoci(std::vector<std::uint32_t>(static_cast<std::size_t>(populations), kGenes), 2));
    testing::UnitStream random(7);
    CountTable counts;
    counts.resize(populations, 2);
    fstat.loci.assign(kLoci + 1, {});
    for (int locus = 1; locus <= kLoci; ++locus) {
      data.addLocus("snp" + std::to_string(locus));
      data.sites.push_back({"chr" + std::to_string(1 + (locus - 1) / (kLoci / 22 + 1)), 3000LL * locus});
      const double common = 0.05 + 0.9 * random.next();
      for (int pop = 1; pop <= populations; ++pop) {
        // A little drift about the common frequency, and sampling.
        const double p = std::clamp(common + 0.1 * (random.next() - 0.5), 0.0, 1.0);
        const int typed = kGenes - static_cast<int>(6 * random.next());
        counts.at(pop, 1) = static_cast<int>(std::lround(p * typed));
        counts.at(pop, 2) = typed - counts.at(pop, 1);
      }
      alleles->appendLocus({1, 2}, counts);
      data.ALLELES_PER_LOCUS[static_cast<std::size_t>(locus)] = 2;
      const long double den = 0.1L + random.next(), num = den * (random.next() * 0.1L - 0.01L);
      fstat.loci[static_cast<std::size_t>(locus)] = {0.01L, num / den, 0.02L, num, den};
    }
    tables.alleles = alleles;
    run.state.sizeResultArrays();
    for (int I = 1; I <= kLoci; ++I) {
      run.state.FISHERPPERLOCUS[I] = 1;
      run.state.CHI2PERLOCUS[I] = 3 * static_cast<long double>(random.next());
      run.state.DFPERLOCUS[I] = populations - 1;
    }
    fstat.total = totalFValues<long double>(std::span(fstat.loci).subspan(1));
  }
  const Edition edition = scriptedEdition(edition2d());
  testing::ScriptedConsole console;
  Run<long double> run;
  DataTables tables;
  FStatistics<long double> fstat;
};

// One scan per populations, made once.
Scan& scanOf(int populations) {
  static std::map<int, std::unique_ptr<Scan>> scans;
  auto& scan = scans[populations];
  if (!scan) scan = std::make_unique<Scan>(populations);
  return *scan;
}

TableHeading headingOf(const Scan& scan) {
  return {scan.edition.programName, scan.edition.version, "scan.vcf.gz", 1, {}, ExactTest::None};
}

void outliers(benchmark::State& state) {
  Scan& scan = scanOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const OutlierResults<long double> results = DO_OUTLIERS(scan.run, scan.tables, kDefaultOutliersMinHe);
    benchmark::DoNotOptimize(results.df);
    state.counters["df"] = static_cast<double>(results.df);
    state.counters["candidates"] = static_cast<double>(results.candidates);
  }
}

void windows(benchmark::State& state) {
  Scan& scan = scanOf(5);
  for (auto _ : state) {
    const auto w = windowFst(scan.run.state, scan.fstat.loci, kWindows);
    benchmark::DoNotOptimize(w.data());
    state.counters["windows"] = static_cast<double>(w.size());
  }
}

// range(0): without (0) or with (1) the outlier test's columns.
void resultsTable(benchmark::State& state) {
  Scan& scan = scanOf(5);
  const OutlierResults<long double> results = DO_OUTLIERS(scan.run, scan.tables, kDefaultOutliersMinHe);
  for (auto _ : state) {
    const std::string table =
        formatResultsTable(headingOf(scan), scan.run.state, scan.fstat, state.range(0) != 0 ? &results : nullptr);
    benchmark::DoNotOptimize(table.data());
  }
}

void windowsTable(benchmark::State& state) {
  Scan& scan = scanOf(5);
  const auto w = windowFst(scan.run.state, scan.fstat.loci, kWindows);
  for (auto _ : state) {
    const std::string table = formatWindowsTable(headingOf(scan), w);
    benchmark::DoNotOptimize(table.data());
  }
}

}  // namespace

BENCHMARK(outliers)->Arg(2)->Arg(5)->Arg(20)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(5);
BENCHMARK(windows)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(5);
BENCHMARK(resultsTable)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);
BENCHMARK(windowsTable)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
