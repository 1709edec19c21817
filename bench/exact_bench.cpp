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

#include <htslib/bgzf.h>

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

namespace {

using namespace ortelan;

// A bgzipped VCF of biallelic SNPs: `populations` of `individuals`, the
// first allele's frequency drawn per locus and moved apart between
// populations by up to `spread`, as a scan of diverged populations has it.
void writeBiallelicPanel(const std::string& vcf, const std::string& map, int loci, int populations, int individuals,
                         double spread) {
  std::uint64_t state = 88172645463325252ull;
  auto uniform = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  };
  std::ofstream mapOut(map, std::ios::binary);
  std::string text = "##fileformat=VCFv4.2\n##contig=<ID=chr1>\n"
                     "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
                     "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  for (int pop = 1; pop <= populations; ++pop) {
    for (int i = 1; i <= individuals; ++i) {
      // Appended, not `"p" + std::string`: GCC 12 at -O2 warns (-Wrestrict) of that.
      std::string sample = "p";
      sample.append(std::to_string(pop)).append("_").append(std::to_string(i));
      text += "\t" + sample;
      mapOut << sample << "\tpop" << pop << "\n";
    }
  }
  text += "\n";
  BGZF* out = bgzf_open(vcf.c_str(), "w");
  if (out == nullptr) throw std::runtime_error("cannot write " + vcf);
  for (int locus = 1; locus <= loci; ++locus) {
    text += "chr1\t" + std::to_string(100 * locus) + "\tsnp" + std::to_string(locus) + "\tA\tC\t.\tPASS\t.\tGT";
    const double base = 0.1 + 0.8 * uniform();
    for (int pop = 0; pop < populations; ++pop) {
      const double p = std::clamp(base + spread * (uniform() - 0.5), 0.02, 0.98);
      for (int i = 0; i < individuals; ++i) {
        text += '\t';
        text += uniform() < p ? '0' : '1';
        text += '/';
        text += uniform() < p ? '0' : '1';
      }
    }
    text += '\n';
    if (text.size() > (1u << 20)) {
      if (bgzf_write(out, text.data(), text.size()) < 0) throw std::runtime_error("cannot write " + vcf);
      text.clear();
    }
  }
  if (bgzf_write(out, text.data(), text.size()) < 0 || bgzf_close(out) != 0) {
    throw std::runtime_error("cannot write " + vcf);
  }
}

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

}  // namespace

// Arg 1: --exact auto; 0: --exact never.
BENCHMARK(twoPopulationPanel)->Arg(1)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(pairsOf20Populations)->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
