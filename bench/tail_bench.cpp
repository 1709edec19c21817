// The P-value far in the tail on a panel of SNPs in 12 populations of 50
// individuals (12 x 2 tables of 100 genes a population), the populations'
// allele frequencies apart by more and more from one locus to the next, so
// that P runs from 1 down to some 1e-300: each locus as a run takes it
// (walkLoadedTable at the default settings: listed where cheap, else
// independent tables, and the tail where they stay short), beside the
// chain's default walk of the same table.
//
// `panel` runs the whole panel once; its counters:
//  - tail_loci: the loci whose P is from the tail; below_1e-4_not_tail:
//    those with a P below 1e-4 that is not;
//  - median_tail_ms, median_tail_cpu_ms, max_tail_ms: the tail loci's
//    times, wall and processor;
//  - max_over_walk: the most any locus took over its own walk (processor
//    times);
//  - max_ratio: the largest p_high / p_low of a P below 1e-4;
//  - least_log10_p, greatest_log10_p: the range of the tail's P.
// `locus/E` times one locus whose P is about 10^-E, and `walk/E` the walk of
// the same table.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORTELAN_BENCH=ON -DORTELAN_TESTS=OFF
//   cmake --build build-bench -j2 --target ortelan_tail_bench
//   build-bench/bench/ortelan_tail_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <vector>

#include "exacttest/chain.h"
#include "exacttest/locus_pool.h"
#include "exacttest/table_loader.h"

namespace {

using namespace ortelan;

constexpr int kPopulations = 12, kGenes = 100, kLoci = 240;

double processorSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Locus k of the panel: a first allele's frequency about `base`, moved
// apart between the populations by up to `spread`, genes drawn binomially.
LoadedTable locusOf(int k, double spread) {
  std::uint64_t state = 0x9e3779b97f4a7c15ull * static_cast<std::uint64_t>(k + 1);
  auto uniform = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  };
  LoadedTable table;
  table.N = kPopulations;
  table.M = 2;
  table.UU = {1 + k % 166, 1 + (k / 166) % 166, 11, 13};
  table.MEM = 10000;
  table.B = 100;
  table.C = 5000;
  table.MM.resize(kPopulations, 2);
  const double base = 0.2 + 0.6 * uniform();
  for (int pop = 1; pop <= kPopulations; ++pop) {
    const double p = std::clamp(base + spread * (uniform() - 0.5), 0.0, 1.0);
    int first = 0;
    for (int g = 0; g < kGenes; ++g) first += uniform() < p ? 1 : 0;
    table.MM.at(pop, 1) = first;
    table.MM.at(pop, 2) = kGenes - first;
  }
  table.TOT = kPopulations * kGenes;
  table.ordering = Ordering::Probability;
  table.mayEnumerate = true;
  table.sampling = {SamplerKind::Independent, 100, std::nullopt};
  return table;
}

double spreadOf(int k) { return 2.4 * k / kLoci; }

void panel(benchmark::State& state) {
  ChainWorkspace workspace;
  std::vector<double> tailWall, tailProcessor;
  double overWalk = 0, maxRatio = 0, least = 0, greatest = -400;
  int tails = 0, belowNotTail = 0;
  for (auto _ : state) {
    for (int k = 0; k < kLoci; ++k) {
      LoadedTable table = locusOf(k, spreadOf(k));
      const double wall0 = wallSeconds(), cpu0 = processorSeconds();
      const LocusEstimate<long double> e = walkLoadedTable<long double>(table, workspace, nullptr);
      const double wall = wallSeconds() - wall0, cpu = processorSeconds() - cpu0;
      Ranmar generator;
      generator.MAKE_RANDOM(table.UU[0], table.UU[1], table.UU[2], table.UU[3]);
      CountTable walked = table.MM;
      const double walk0 = processorSeconds();
      benchmark::DoNotOptimize(CHAINE<long double>(walked, table.MEM, table.B, table.C, generator, &workspace));
      const double walk = processorSeconds() - walk0;
      overWalk = std::max(overWalk, cpu / walk);
      const double log10P = static_cast<double>(std::log10(e.HM));
      if (e.method == PMethod::Tail) {
        ++tails;
        tailWall.push_back(wall);
        tailProcessor.push_back(cpu);
        least = std::min(least, log10P);
        greatest = std::max(greatest, log10P);
      } else if (e.HM < 1e-4L) {
        ++belowNotTail;
      }
      if (e.HM < 1e-4L && e.low > 0) maxRatio = std::max(maxRatio, static_cast<double>(e.high / e.low));
    }
  }
  const auto median = [](std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  state.counters["tail_loci"] = tails;
  state.counters["below_1e-4_not_tail"] = belowNotTail;
  state.counters["median_tail_ms"] = 1e3 * median(tailWall);
  state.counters["median_tail_cpu_ms"] = 1e3 * median(tailProcessor);
  state.counters["max_tail_ms"] = tailWall.empty() ? 0 : 1e3 * *std::max_element(tailWall.begin(), tailWall.end());
  state.counters["max_over_walk"] = overWalk;
  state.counters["max_ratio"] = maxRatio;
  state.counters["least_log10_p"] = least;
  state.counters["greatest_log10_p"] = greatest;
}

// The panel's locus whose P is nearest 10^-E.
int locusNear(int exponent) {
  static std::vector<double> log10P;
  if (log10P.empty()) {
    ChainWorkspace workspace;
    for (int k = 0; k < kLoci; ++k) {
      LoadedTable table = locusOf(k, spreadOf(k));
      log10P.push_back(static_cast<double>(std::log10(walkLoadedTable<long double>(table, workspace, nullptr).HM)));
    }
  }
  int best = 0;
  for (int k = 0; k < kLoci; ++k) {
    if (std::fabs(log10P[k] + exponent) < std::fabs(log10P[best] + exponent)) best = k;
  }
  return best;
}

void locus(benchmark::State& state) {
  const int k = locusNear(static_cast<int>(state.range(0)));
  ChainWorkspace workspace;
  long double p = 0;
  for (auto _ : state) {
    LoadedTable table = locusOf(k, spreadOf(k));
    p = walkLoadedTable<long double>(table, workspace, nullptr).HM;
  }
  state.counters["log10_p"] = static_cast<double>(std::log10(p));
}

void walk(benchmark::State& state) {
  const int k = locusNear(static_cast<int>(state.range(0)));
  ChainWorkspace workspace;
  for (auto _ : state) {
    LoadedTable table = locusOf(k, spreadOf(k));
    Ranmar generator;
    generator.MAKE_RANDOM(table.UU[0], table.UU[1], table.UU[2], table.UU[3]);
    benchmark::DoNotOptimize(CHAINE<long double>(table.MM, table.MEM, table.B, table.C, generator, &workspace));
  }
}

}  // namespace

BENCHMARK(panel)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(locus)->Arg(5)->Arg(20)->Arg(50)->Arg(100)->Arg(200)->Arg(300)->Unit(benchmark::kMillisecond);
BENCHMARK(walk)->Arg(5)->Arg(100)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
