// A genome scan where the tables cannot be listed: 20,000 biallelic SNPs
// of 12 populations of 50 individuals, a bgzipped VCF with its map, at the
// default settings on two threads, with its results table; the P-values
// from independent tables, and in the far tail (first Arg 1), against the
// Markov chain's (first Arg 0). The second Arg is how far the populations'
// allele frequencies lie apart, in hundredths: 6, weak structure, most
// loci far from significance; 30, many loci far in the tail. The counters
// give the share of loci at P >= 0.05, the loci below P = 1e-4, the tail
// loci, and the loci below 1e-4 whose P is not from the tail (see
// sampler_bench.cpp for the cost of a table, tail_bench.cpp for the tail).
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORTELAN_BENCH=ON -DORTELAN_TESTS=OFF
//   cmake --build build-bench -j2 --target ortelan_scan_bench
//   build-bench/bench/ortelan_scan_bench --benchmark_filter='scan/1/'
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

// Of the table's loci: the share whose P (column p_fisher) is at least
// 0.05; and how many have a P below 1e-4, how many a tail P, and how many
// a P below 1e-4 that is not a tail P.
struct Counts {
  double shareAtLeast5Percent = 0;
  long below = 0, tail = 0, belowNotTail = 0;
};

Counts countsOf(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  long loci = 0, large = 0;
  Counts c;
  std::size_t column = 0, method = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.starts_with("TOTAL")) continue;
    std::istringstream fields(line);
    std::vector<std::string> row;
    for (std::string field; std::getline(fields, field, '\t');) row.push_back(field);
    if (line.starts_with("locus")) {
      column = static_cast<std::size_t>(std::find(row.begin(), row.end(), "p_fisher") - row.begin());
      method = static_cast<std::size_t>(std::find(row.begin(), row.end(), "method") - row.begin());
      continue;
    }
    ++loci;
    const long double p = column < row.size() ? std::strtold(row[column].c_str(), nullptr) : 1;
    const bool tail = method < row.size() && row[method].rfind("tail", 0) == 0;
    large += p >= 0.05L ? 1 : 0;
    c.below += p < 1e-4L ? 1 : 0;
    c.tail += tail ? 1 : 0;
    c.belowNotTail += p < 1e-4L && !tail ? 1 : 0;
  }
  c.shareAtLeast5Percent = loci > 0 ? static_cast<double>(large) / static_cast<double>(loci) : 0;
  return c;
}

void scan(benchmark::State& state) {
  testing::ScratchDir dir;
  bench::writeBiallelicPanel("scan.vcf.gz", "pops.txt", kLoci, kPopulations, kIndividuals,
                             static_cast<double>(state.range(1)) / 100);
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
  const Counts c = countsOf("scan.tsv");
  state.counters["share_p_at_least_0.05"] = c.shareAtLeast5Percent;
  state.counters["below_1e-4"] = static_cast<double>(c.below);
  state.counters["tail_loci"] = static_cast<double>(c.tail);
  state.counters["below_1e-4_not_tail"] = static_cast<double>(c.belowNotTail);
}

}  // namespace

BENCHMARK(scan)->Args({1, 6})->Args({1, 30})->Args({0, 6})->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
