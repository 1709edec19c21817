// Exact P-values where listing the tables is cheap, against the chain
// everywhere (--exact never), in whole scripted runs of ortelan_2d at the
// default chain (10,000 + 100 x 5,000 steps), on two threads:
//  - TwoPopulationPanel: 28,501 biallelic SNPs of 1,000 individuals in two
//    populations as a bgzipped VCF with its map, a results table and a
//    Manhattan plot; every locus is a 2 x 2 table;
//  - PairsOf20Populations: 20 SNPs of 20 populations of 50, with --pairs:
//    190 pairs a locus, each a 2 x 2 table, beside the 20 x 2 tables of
//    the loci themselves, which walk the chain.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORTELAN_BENCH=ON -DORTELAN_TESTS=OFF
//   cmake --build build-bench -j2 --target ortelan_exact_bench
//   build-bench/bench/ortelan_exact_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "app/scripted_run.h"
#include "apps/editions.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"
#include "support/snp_genepop.h"
#include "biallelic_panel.h"

namespace {

using namespace ortelan;
using bench::writeBiallelicPanel;

void run(benchmark::State& state, const RunSettings& settings) {
  for (auto _ : state) {
    testing::ScriptedConsole console;
    if (runScripted<long double>(edition2d(), settings, console) != 0) std::abort();
  }
}

// A run of panel.vcf.gz at the default chain on two threads, with a results
// table and report; --exact auto for Arg 1, never for 0.
RunSettings panelRun(const benchmark::State& state) {
  RunSettings settings;
  settings.dataFile = "panel.vcf.gz";
  settings.popmapPath = "pops.txt";
  settings.seed = 20261208;
  settings.threads = 2;
  settings.tablePath = "scan.tsv";
  settings.reportPath = "scan.out";
  settings.quiet = true;
  settings.exact = state.range(0) != 0 ? ExactMode::Auto : ExactMode::Never;
  // Never: the chain everywhere, as earlier versions.
  if (state.range(0) == 0) settings.sampling.sampler = SamplerKind::Chain;
  return settings;
}

void twoPopulationPanel(benchmark::State& state) {
  testing::ScratchDir dir;
  writeBiallelicPanel("panel.vcf.gz", "pops.txt", 28501, 2, 500, 0.4);
  RunSettings settings = panelRun(state);
  settings.manhattanPath = "scan.svg";
  run(state, settings);
}

void pairsOf20Populations(benchmark::State& state) {
  testing::ScratchDir dir;
  writeBiallelicPanel("panel.vcf.gz", "pops.txt", 20, 20, 50, 0.3);
  RunSettings settings = panelRun(state);
  settings.pairsPath = "pairs.tsv";
  settings.pairs = true;
  run(state, settings);
}

// Four microsatellite loci of 10 populations of 50 individuals at 10
// alleles, 10 x 10 tables of 500 genes, none listed: what deciding whether
// to list costs, --exact auto (Arg 1) against never (0), on one thread.
void microsatelliteTables(benchmark::State& state) {
  testing::ScratchDir dir;
  std::ofstream out("b.gen", std::ios::binary);
  out << "ten by ten\nL1\nL2\nL3\nL4\n";
  std::uint64_t random = 20261209;
  const auto allele = [&random] {
    random = random * 6364136223846793005ull + 1442695040888963407ull;
    return 1 + static_cast<int>((random >> 33) % 10);
  };
  for (int pop = 0; pop < 10; ++pop) {
    out << "Pop\n";
    for (int i = 0; i < 50; ++i) {
      out << "p" << pop << "_" << i << ",";
      for (int locus = 0; locus < 4; ++locus) out << " " << 100 + allele() << 100 + allele();
      out << "\n";
    }
  }
  out.close();
  RunSettings settings;
  settings.dataFile = "b.gen";
  settings.seed = 1;
  settings.threads = 1;
  settings.reportPath = "/dev/null";
  settings.tablePath = "b.tsv";
  settings.quiet = true;
  settings.exact = state.range(0) != 0 ? ExactMode::Auto : ExactMode::Never;
  for (auto _ : state) {
    testing::ScriptedConsole console;
    if (runScripted<long double>(edition3d(), settings, console) != 0) std::abort();
  }
}

}  // namespace

// Arg 1: --exact auto; 0: --exact never.
BENCHMARK(microsatelliteTables)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(twoPopulationPanel)->Arg(1)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(pairsOf20Populations)->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
