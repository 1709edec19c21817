// The pairs table of a genome scan: 20 populations of 25 samples, 50,000
// and 100,000 SNPs as a bgzipped VCF with its map, `--test none --pairs`:
// 190 pairs a locus, 9.5 (19) million rows, 2.2 (4.4) GB, each run of
// `ortelan_2d -q -s 1 --test none -j 2 --pairs pairs.tsv -t /dev/null -o
// /dev/null` a process of its own, its wall time, CPU time and peak
// resident memory (which must not grow with the loci); and in this process
// the pass over the pairs alone with the table's text made and thrown away
// (`text`), and without it (`cells`, what the heatmap needs).
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORTELAN_BENCH=ON -DORTELAN_TESTS=OFF
//   cmake --build build-bench -j2 --target ortelan_pairs_table_bench ortelan_2d
//   build-bench/bench/ortelan_pairs_table_bench
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "app/analysis.h"
#include "apps/editions.h"
#include "report/pairs_table.h"
#include "support/process.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"
#include "support/snp_vcf.h"

namespace {

using namespace ortelan;

constexpr int kThreads = 2;

// The panel of `loci` SNPs, written once into a scratch directory that lasts the run.
const std::string& panel(int loci) {
  static testing::ScratchDir dir;
  static std::map<int, std::string> written;
  auto found = written.find(loci);
  if (found != written.end()) return found->second;
  const testing::SnpShape shape{loci, 20, 25, 2, 22};
  const std::string base = (dir.path() / ("panel" + std::to_string(loci))).string();
  testing::writeSnpVcf(base + ".vcf.gz", shape);
  testing::writeSnpPopmap(base + ".map", shape);
  return written.emplace(loci, base).first->second;
}

double childCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// range(0): loci.
void wholeRun(benchmark::State& state) {
  const std::string& base = panel(static_cast<int>(state.range(0)));
  const std::string dir = std::filesystem::path(base).parent_path().string();
  const std::string table = base + "-pairs.tsv";
  long peakKb = 0;
  const double cpuBefore = childCpuSeconds();
  for (auto _ : state) {
    const testing::ProcessResult r =
        testing::runProcess(ORTELAN_2D_PATH, "", dir, 900,
                            {"-q", "-s", "1", "--test", "none", "-j", std::to_string(kThreads), "--pairs", table, "-t",
                             "/dev/null", "-o", "/dev/null", base + ".vcf.gz", "--popmap", base + ".map"});
    if (r.status != 0) {
      state.SkipWithError(("ortelan_2d failed: " + r.err.substr(0, 300)).c_str());
      return;
    }
    peakKb = std::max(peakKb, r.peakMemoryKb);
  }
  state.counters["cpu_s"] = (childCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations());
  state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024;
  state.counters["table_GB"] = static_cast<double>(std::filesystem::file_size(table)) / 1e9;
  std::filesystem::remove(table);
}

// Its rows thrown away as they come, or their text made too.
class Discarded final : public PairRowsSink<long double> {
 public:
  Discarded(bool text, const DataSummary& data) : rows_(ExactTest::None, data, [](std::string_view) {}), text_(text) {}
  void format(PairBlock<long double>& block) const override {
    if (text_) rows_.format(block);
  }
  void take(const PairBlock<long double>& block) override { rows_.take(block); }
  void total(int a, int b, const PairSummary<long double>& summary) override { rows_.total(a, b, summary); }

 private:
  PairsTableRows<long double> rows_;
  bool text_;
};

// range(0): loci; range(1): 1 with the table's text.
void pass(benchmark::State& state) {
  const std::string& base = panel(static_cast<int>(state.range(0)));
  const Edition edition = scriptedEdition(edition2d());
  RunSettings settings;
  settings.dataFile = base + ".vcf.gz";
  settings.popmapPath = base + ".map";
  settings.test = ExactTest::None;
  settings.seed = 1;
  settings.threads = kThreads;
  settings.pairs = true;
  testing::ScriptedConsole console;
  const Analysis<long double> analysis = analyse<long double>(edition, settings, console, nullptr);
  for (auto _ : state) {
    Discarded sink(state.range(1) != 0, analysis.state);
    passPairs(*analysis.pendingPairs, analysis.state, sink);
  }
  state.counters["rows_per_s"] = benchmark::Counter(
      static_cast<double>(pairLoci(analysis.state)) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(wholeRun)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(pass)->Args({50000, 0})->Args({50000, 1})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
