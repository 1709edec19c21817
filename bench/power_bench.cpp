// The speed of a power analysis on two threads, on the two designs a user
// plans a study with:
//  - microsatellites: 20 loci of 10 alleles, 10 populations of 50
//    individuals, the six default F_ST targets (0, 0.001, 0.0025, 0.005,
//    0.01, 0.02) x 1,000 replicates;
//  - SNPs: 1,000 loci, 20 populations of 25 individuals, three targets
//    (0, 0.01, 0.02) x 100 replicates;
// each with the chi-square and the genic exact test (listed where cheap,
// else independent tables, default settings) and their combinations over
// loci. Wall time and the process's CPU time, one run each:
//
//   build-bench/bench/ortelan_power_bench --benchmark_filter=Microsatellites
//
// The data files are made up here, their allele frequencies drawn once.
#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/analysis.h"
#include "app/power_analysis.h"
#include "apps/editions.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace {

// A GENEPOP file of `loci` loci of `alleles` alleles (three-digit codes),
// `populations` populations of `individuals`, each locus's frequencies
// drawn once and shared by the populations.
void writeGenepop(const std::string& path, int loci, int alleles, int populations, int individuals) {
  std::mt19937 random(17);
  std::vector<std::discrete_distribution<int>> locusLaw;
  for (int l = 0; l < loci; ++l) {
    std::vector<double> weights;
    for (int a = 0; a < alleles; ++a) weights.push_back(0.2 + std::uniform_real_distribution<double>(0, 1)(random));
    locusLaw.emplace_back(weights.begin(), weights.end());
  }
  std::ofstream out(path);
  out << "Made-up data for the power benchmark\n";
  for (int l = 1; l <= loci; ++l) out << "loc" << l << "\n";
  // Three digits an allele: 1 to 99.
  auto code = [](int allele) { return std::string(allele < 10 ? "00" : "0") + std::to_string(allele); };
  for (int p = 1; p <= populations; ++p) {
    out << "Pop\n";
    for (int i = 1; i <= individuals; ++i) {
      out << "p" << p << "_" << i << ",";
      for (auto& law : locusLaw) {
        const int first = 1 + law(random), second = 1 + law(random);
        out << ' ' << code(first) << code(second);
      }
      out << "\n";
    }
  }
}

void runPower(benchmark::State& state, int loci, int alleles, int populations, int individuals,
              std::vector<double> fst, std::int64_t replicates) {
  ortelan::testing::ScratchDir dir;
  writeGenepop((dir.path() / "data.gen").string(), loci, alleles, populations, individuals);
  ortelan::PowerSettings settings;
  settings.run.dataFile = (dir.path() / "data.gen").string();
  settings.run.seed = 2026;
  settings.run.threads = 2;
  settings.fst = std::move(fst);
  settings.replicates = replicates;
  const ortelan::Edition edition = ortelan::scriptedEdition(ortelan::edition3d());
  for (auto _ : state) {
    ortelan::testing::ScriptedConsole console;
    const ortelan::PowerAnalysis analysis = ortelan::analysePower<long double>(edition, settings, console, nullptr);
    benchmark::DoNotOptimize(analysis.results.tallies.data());
    state.counters["replicates"] = static_cast<double>(replicates * static_cast<std::int64_t>(
                                                                        analysis.results.design.targets.size()));
  }
}

void Microsatellites(benchmark::State& state) {
  runPower(state, 20, 10, 10, 50, {0, 0.001, 0.0025, 0.005, 0.01, 0.02}, 1000);
}
void Snps(benchmark::State& state) { runPower(state, 1000, 2, 20, 25, {0.01, 0.02}, 100); }

BENCHMARK(Microsatellites)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(Snps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
