// A genome scan where the tables cannot be listed: 20,000 biallelic SNPs
// of 12 populations of 50 individuals with weak structure (most loci far
// from significance), a bgzipped VCF with its map, at the default settings
// on two threads, with its results table; the P-values from independent
// tables (Arg 1) against the Markov chain's (Arg 0). The counter gives the
// share of loci at P >= 0.05 (see sampler_bench.cpp for the cost of a
// table).
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORTELAN_BENCH=ON -DORTELAN_TESTS=OFF
//   cmake --build build-bench -j2 --target ortelan_scan_bench
//   build-bench/bench/ortelan_scan_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/scripted_run.h"
#include "apps/editions.h"
#include "biallelic_panel.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace {

using namespace ortelan;

constexpr int kLoci = 20000, kPopulations = 12, kIndividuals = 50;
constexpr double kSpread = 0.06;

// The share of the table's loci whose P (column p_fisher) is at least 0.05.
double shareAtLeast5Percent(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  long loci = 0, large = 0;
  std::size_t column = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.starts_with("TOTAL")) continue;
    std::istringstream fields(line);
    std::vector<std::string> row;
    for (std::string field; std::getline(fields, field, '\t');) row.push_back(field);
    if (line.starts_with("locus")) {
      column = static_cast<std::size_t>(std::find(row.begin(), row.end(), "p_fisher") - row.begin());
      continue;
    }
    ++loci;
    large += column < row.size() && std::strtod(row[column].c_str(), nullptr) >= 0.05 ? 1 : 0;
  }
  return loci > 0 ? static_cast<double>(large) / static_cast<double>(loci) : 0;
}

void scan(benchmark::State& state) {
  testing::ScratchDir dir;
  bench::writeBiallelicPanel("scan.vcf.gz", "pops.txt", kLoci, kPopulations, kIndividuals, kSpread);
  RunSettings settings;
  settings.dataFile = "scan.vcf.gz";
  settings.popmapPath = "pops.txt";
  settings.seed = 20261209;
  settings.threads = 2;
  settings.tablePath = "scan.tsv";
  settings.reportPath = "/dev/null";
  settings.quiet = true;
  settings.sampling.sampler = state.range(0) != 0 ? SamplerKind::Independent : SamplerKind::Chain;
  for (auto _ : state) {
    testing::ScriptedConsole console;
    if (runScripted<long double>(edition2d(), settings, console) != 0) std::abort();
  }
  state.counters["share_p_at_least_0.05"] = shareAtLeast5Percent("scan.tsv");
}

}  // namespace

BENCHMARK(scan)->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
