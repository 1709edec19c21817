// The permutation tests over loci and the hierarchical analysis, in whole
// scripted runs of ortelan_2d on two threads:
//  - CombinedTest: 28,501 biallelic SNPs of 1,000 individuals in two
//    populations (exact_bench.cpp's panel), the results table and report at
//    the default settings, without permutations (Arg 0) and with the
//    combined test's 1,000 (Arg 1000); the panel's populations differ, so
//    no test stops early. Target: at most 10 s more with the test.
//  - Hierarchy: 10^6 SNPs of 500 individuals in 20 populations of 4
//    groups, --test none, the results table, without (Arg 0) and with
//    --hierarchy and its table (Arg 1). Target: at most 1.5 times the run
//    without it. The panel is written once (some minutes) and kept in the
//    working directory as hierarchy-panel.vcf.gz for the next runs.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORTELAN_BENCH=ON -DORTELAN_TESTS=OFF
//   cmake --build build-bench -j2 --target ortelan_permutations_bench
//   build-bench/bench/ortelan_permutations_bench
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/scripted_run.h"
#include "apps/editions.h"
#include "biallelic_panel.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace {

using namespace ortelan;
using bench::writeBiallelicPanel;

void run(benchmark::State& state, const RunSettings& settings) {
  for (auto _ : state) {
    testing::ScriptedConsole console;
    if (runScripted<long double>(edition2d(), settings, console) != 0) std::abort();
  }
}

void combinedTest(benchmark::State& state) {
  testing::ScratchDir dir;
  writeBiallelicPanel("panel.vcf.gz", "pops.txt", 28501, 2, 500, 0.4);
  RunSettings settings;
  settings.dataFile = "panel.vcf.gz";
  settings.popmapPath = "pops.txt";
  settings.seed = 20261208;
  settings.threads = 2;
  settings.tablePath = "scan.tsv";
  settings.reportPath = "scan.out";
  settings.quiet = true;
  settings.permutations = state.range(0);
  run(state, settings);
}

void hierarchy(benchmark::State& state) {
  // Kept beside the benchmark: the panel takes minutes to write.
  const std::string vcf = std::filesystem::absolute("hierarchy-panel.vcf.gz").string();
  const std::string map = std::filesystem::absolute("hierarchy-pops.txt").string();
  if (!std::filesystem::exists(vcf)) writeBiallelicPanel(vcf, map, 1000000, 20, 25, 0.3);
  testing::ScratchDir dir;
  std::ofstream groups("groups.txt", std::ios::binary);
  for (int pop = 1; pop <= 20; ++pop) groups << "pop" << pop << "\tregion" << (pop - 1) / 5 + 1 << "\n";
  groups.close();
  RunSettings settings;
  settings.dataFile = vcf;
  settings.popmapPath = map;
  settings.seed = 1;
  settings.threads = 2;
  settings.test = ExactTest::None;
  settings.tablePath = "scan.tsv";
  settings.reportPath = "/dev/null";
  settings.quiet = true;
  if (state.range(0) != 0) {
    settings.groupsPath = "groups.txt";
    settings.hierarchy = true;
    settings.hierarchyPath = "hierarchy.tsv";
  }
  run(state, settings);
}

}  // namespace

BENCHMARK(combinedTest)->Arg(0)->Arg(1000)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(hierarchy)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);

BENCHMARK_MAIN();
