// The pairwise tests of 20 populations of 30 individuals at 10 loci of 8
// alleles, by each exact test (genic, genic-g, genotypic), with 10,000 dememorization steps and 20 batches of 5,000 (190
// pairs x 10 loci, 110,000 chain steps each, 209 million in all): a whole
// scripted run, reading and writing included, on one worker and on every
// usable core, which must give the same pairs table.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>

#include "app/scripted_run.h"
#include "apps/editions.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace {

using namespace ortelan;

// Allele frequencies that drift from population to population, so that
// some pairs differ and some do not.
std::string genepopFile() {
  std::mt19937 random(2026);
  std::string text = "Twenty populations, ten loci\n";
  for (int l = 1; l <= 10; ++l) text.append("Locus").append(std::to_string(l)).append(l < 10 ? ", " : "\n");
  for (int pop = 0; pop < 20; ++pop) {
    text += "Pop\n";
    for (int i = 0; i < 30; ++i) {
      text.append("p").append(std::to_string(pop)).append("-").append(std::to_string(i)).append(",");
      for (int l = 0; l < 10; ++l) {
        auto allele = [&] {
          const unsigned skew = static_cast<unsigned>((pop * (l + 1)) % 8);
          const unsigned draw = random() % 16;
          return 100 + ((draw < 8 ? draw : skew) % 8) * 2;  // fragment lengths 100..114
        };
        text.append(" ").append(std::to_string(allele())).append(std::to_string(allele()));
      }
      text += "\n";
    }
  }
  return text;
}

std::string pairsTable(int threads, ExactTest test = ExactTest::Genic) {
  testing::ScratchDir dir;
  dir.write("twenty.gen", genepopFile());
  RunSettings settings;
  settings.dataFile = "twenty.gen";
  settings.chain = {10000, 20, 5000};
  settings.seed = 1;
  settings.threads = threads;
  settings.pairsPath = "pairs.tsv";
  settings.pairs = true;
  settings.quiet = true;
  settings.test = test;
  settings.sampling.sampler = SamplerKind::Chain;  // the chain's cost, as measured before independent tables
  testing::ScriptedConsole console;
  if (runScripted<long double>(edition3d(), settings, console) != 0) std::abort();
  return dir.read("pairs.tsv");
}

// range(0): the workers; range(1): the test (0 genic, 1 genic-g, 2 genotypic).
void pairsOfTwentyPopulations(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  const auto test = static_cast<ExactTest>(state.range(1));
  const std::string oneWorker = pairsTable(1, test);
  for (auto _ : state) {
    if (pairsTable(threads, test) != oneWorker) std::abort();  // the results must not depend on the workers
  }
  // Seconds per chain step and core, all overhead included (shown with its
  // SI prefix: 19n is 19 ns).
  state.counters["per_step_and_core"] =
      benchmark::Counter(209e6 / threads, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(pairsOfTwentyPopulations)
    ->ArgsProduct({{1, 2}, {0, 1, 2}})
    ->ArgNames({"workers", "test"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

BENCHMARK_MAIN();
