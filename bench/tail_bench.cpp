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
// `coverage/O` (O = 0 by probability, 1 by G) draws tables of two rows
// whose exact P can be listed (2 to 5 columns of 4 to 150 genes, the
// columns' allele frequencies apart), 1,000 in each bin of exact P from
// 1e-2 down to below 1e-64, and counts, bin by bin, the tail P whose
// limits miss the exact P (outside_B), those more than 3 SE from it
// (beyond_3se_B), and the largest p_high / p_low (ratio_B), with the
// default budget (the walk's 510,000 steps).
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
#include <string>
#include <vector>

#include "chisquare/x_ln_x.h"
#include "exacttest/chain.h"
#include "exacttest/enumeration.h"
#include "exacttest/locus_pool.h"
#include "exacttest/margin_tables.h"
#include "exacttest/tail_p.h"
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

void coverage(benchmark::State& state) {
  const Ordering ordering = state.range(0) == 0 ? Ordering::Probability : Ordering::G;
  constexpr double kEdges[] = {1e-2, 1e-4, 1e-8, 1e-16, 1e-32, 1e-64, 0};
  constexpr int kBins = 6, kPerBin = 1000;
  std::uint64_t random = 0x2545F4914F6CDD1Dull;
  auto next = [&random] {
    random ^= random << 13;
    random ^= random >> 7;
    random ^= random << 17;
    return static_cast<double>(random >> 11) / 9007199254740992.0;
  };
  int tables[kBins] = {}, outside[kBins] = {}, beyond[kBins] = {};
  double ratio[kBins] = {};
  ChainWorkspace workspace;
  for (auto _ : state) {
    int seed = 0;
    for (bool full = false; !full;) {
      const int columns = 2 + static_cast<int>(4 * next());
      const int most = columns <= 3 ? 150 : columns == 4 ? 60 : 30;
      const double spread = 6 * next();
      CountTable table;
      table.resize(2, columns);
      for (int j = 1; j <= columns; ++j) {
        const double u = std::max(next(), 1e-12), v = next();
        const double normal = std::sqrt(-2 * std::log(u)) * std::cos(6.283185307179586 * v);
        const double p = 1 / (1 + std::exp(-spread * normal));
        const int genes = 4 + static_cast<int>((most - 3) * next());
        for (int g = 0; g < genes; ++g) ++table.at(next() < p ? 1 : 2, j);
      }
      const EnumerationOrder order{ordering, {}, 0, xLnXTieMargin(2 * std::int64_t{columns})};
      if (!tailApplies(table, order) || !enumerationIsCheaper(table, 4000000)) continue;
      const double exact = enumeratedP<double>(table, order, workspace);
      int bin = 0;
      while (bin < kBins && !(exact < kEdges[bin] && exact >= kEdges[bin + 1])) ++bin;
      if (bin == kBins || tables[bin] == kPerBin) continue;
      Ranmar generator;
      ++seed;
      generator.MAKE_RANDOM(1 + seed % 166, 1 + (seed / 166) % 166, 17, 19);
      const auto p = tailPValue<double>(table, order, 510000, generator, workspace);
      if (!p) continue;
      ++tables[bin];
      outside[bin] += exact < p->low || exact > p->high ? 1 : 0;
      beyond[bin] += std::fabs(p->p - exact) > 3 * p->se ? 1 : 0;
      ratio[bin] = std::max(ratio[bin], p->low > 0 ? p->high / p->low : 1e300);
      full = true;
      for (int b = 0; b < kBins; ++b) full = full && tables[b] == kPerBin;
    }
  }
  for (int b = 0; b < kBins; ++b) {
    const std::string at = std::to_string(b);
    state.counters["outside_" + at] = outside[b];
    state.counters["beyond_3se_" + at] = beyond[b];
    state.counters["ratio_" + at] = ratio[b];
  }
}

}  // namespace

BENCHMARK(coverage)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(panel)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(locus)->Arg(5)->Arg(20)->Arg(50)->Arg(100)->Arg(200)->Arg(300)->Unit(benchmark::kMillisecond);
BENCHMARK(walk)->Arg(5)->Arg(100)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
