// Reading and counting a genome-scale GENEPOP file: 100,000 SNP loci x 1,000
// individuals in 20 populations, two-digit codes, the names on one line
// (about 500 MB, written once into a scratch directory). A whole scripted
// run of ortelan_2d with the shortest chain (-d 0 -b 2 -i 1) and a results
// table, everything included: the rate is megabytes of text per second, and
// the peak resident memory of the process is shown beside it.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/scripted_run.h"
#include "apps/editions.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"
#include "support/snp_genepop.h"

namespace {

using namespace ortelan;

constexpr testing::SnpShape kShape{100000, 20, 50, 2, 1};

long peakMemoryKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void readAndCountSnpPanel(benchmark::State& state) {
  testing::ScratchDir dir;
  {
    std::ofstream out(dir.path() / "panel.gen", std::ios::binary);
    writeSnpGenepop(out, kShape);
  }
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(dir.path() / "panel.gen"));
  RunSettings settings;
  settings.dataFile = "panel.gen";
  settings.chain = {0, 2, 1};
  settings.seed = 1;
  settings.tablePath = "panel.tsv";
  settings.quiet = true;
  settings.sampling.sampler = SamplerKind::Chain;  // the chain's cost, as measured before independent tables
  const long before = peakMemoryKb();
  for (auto _ : state) {
    testing::ScriptedConsole console;
    if (runScripted<long double>(edition2d(), settings, console) != 0) std::abort();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["peak_MB"] = static_cast<double>(peakMemoryKb()) / 1024;
  state.counters["peak_MB_before"] = static_cast<double>(before) / 1024;
}

}  // namespace

BENCHMARK(readAndCountSnpPanel)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
