// The cost of a P-value from independent tables against the walk's: on
// the walks' shapes of chain_bench.cpp (a SNP in 20 populations, 20 x 2,
// and in 12, 12 x 2; a pair of populations at a SNP, 2 x 2;
// a microsatellite in 10 populations, 10 x 10; a pair of populations at
// 8 alleles, 2 x 8; the genotypic test of 20 populations at the 15
// genotypes of 5 alleles, 20 x 15), the time of one independent table and
// of one step of the walk, ordered as each test orders them. The counter
// `tables_per_walk` is the number of tables that cost what the default
// walk (510,000 steps) costs on the same table: the most the default
// `--samples` may be for no locus to cost more than its walk.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "chisquare/x_ln_x.h"
#include "exacttest/chain.h"
#include "exacttest/genotypic_chain.h"
#include "exacttest/ranmar.h"
#include "exacttest/table_sampler.h"
#include "table_shapes.h"

namespace {

using ortelan::CountTable;
using ortelan::GenotypeAlleles;
using ortelan::Ordering;
using ortelan::Ranmar;

constexpr std::int32_t kDememorizations = 10000, kBatches = 100, kIterationsPerBatch = 5000;
constexpr double kStepsPerWalk = kDememorizations + double(kBatches) * kIterationsPerBatch;
constexpr std::int64_t kTables = 20000;

struct Shape {
  const char* name;
  int rows, columns, largestCount;
  Ordering ordering;
  int genotypeAlleles;  // the genotypic test: the alleles of its genotype columns; else 0
};

constexpr Shape kShapes[] = {{"SNP/20x2", 20, 2, 40, Ordering::Probability, 0},
                             {"SNP/12x2", 12, 2, 60, Ordering::Probability, 0},
                             {"2x2", 2, 2, 120, Ordering::Probability, 0},
                             {"10x10", 10, 10, 24, Ordering::Probability, 0},
                             {"2x8", 2, 8, 120, Ordering::Probability, 0},
                             {"G/10x10", 10, 10, 24, Ordering::G, 0},
                             {"genotypic/20x15", 20, 15, 6, Ordering::G, 5}};

CountTable tableOf(const Shape& shape, std::vector<GenotypeAlleles>& genotypes) {
  genotypes = shape.genotypeAlleles > 0 ? ortelan::bench::allGenotypes(shape.genotypeAlleles)
                                        : std::vector<GenotypeAlleles>{};
  const int columns = shape.genotypeAlleles > 0 ? static_cast<int>(genotypes.size()) : shape.columns;
  return ortelan::bench::patternTable(shape.rows, columns, shape.largestCount);
}

double secondsSince(std::chrono::steady_clock::time_point started) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

// Seconds per walk of the default settings, measured once per shape by
// the walk benchmarks and read by the sampling ones.
std::vector<double> walkSeconds(std::size(kShapes), 0);

void walk(benchmark::State& state, std::size_t s) {
  const Shape& shape = kShapes[s];
  std::vector<GenotypeAlleles> genotypes;
  const CountTable observed = tableOf(shape, genotypes);
  ortelan::ChainWorkspace workspace;
  const auto started = std::chrono::steady_clock::now();
  for (auto _ : state) {
    CountTable MM = observed;
    Ranmar generator;
    generator.MAKE_RANDOM(12, 34, 56, 78);
    if (genotypes.empty()) {
      benchmark::DoNotOptimize(ortelan::CHAINE<long double>(MM, kDememorizations, kBatches, kIterationsPerBatch,
                                                            generator, &workspace, nullptr, shape.ordering));
    } else {
      benchmark::DoNotOptimize(ortelan::genotypicCHAINE<long double>(MM, genotypes, shape.genotypeAlleles,
                                                                     kDememorizations, kBatches, kIterationsPerBatch,
                                                                     generator, &workspace));
    }
  }
  walkSeconds[s] = secondsSince(started) / static_cast<double>(state.iterations());
  state.counters["per_step"] =
      benchmark::Counter(kStepsPerWalk, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel("total " + std::to_string(ortelan::bench::totalOf(observed)));
}

void sample(benchmark::State& state, std::size_t s, ortelan::DrawMethod method) {
  const Shape& shape = kShapes[s];
  std::vector<GenotypeAlleles> genotypes;
  const CountTable observed = tableOf(shape, genotypes);
  const ortelan::EnumerationOrder order{shape.ordering, genotypes, shape.genotypeAlleles,
                                        ortelan::xLnXTieMargin(std::int64_t{observed.rows} *
                                                               (genotypes.empty() ? observed.columns
                                                                                  : shape.genotypeAlleles))};
  const ortelan::SamplingLimits limits{std::numeric_limits<std::int64_t>::max(), kTables};
  ortelan::ChainWorkspace workspace;
  const auto started = std::chrono::steady_clock::now();
  for (auto _ : state) {
    Ranmar generator;
    generator.MAKE_RANDOM(12, 34, 56, 78);
    benchmark::DoNotOptimize(ortelan::sampleTables(observed, order, limits, generator, workspace, nullptr, method));
  }
  const double perTable = secondsSince(started) / static_cast<double>(state.iterations()) / kTables;
  state.counters["per_table"] =
      benchmark::Counter(kTables, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  // Measured against the walk just before, and as the runs' model has it.
  if (walkSeconds[s] > 0) state.counters["tables_per_walk"] = walkSeconds[s] / perTable;
  state.counters["model_tables"] = static_cast<double>(
      ortelan::tablesCostingSteps(observed, !genotypes.empty(), static_cast<std::int64_t>(kStepsPerWalk)));
}

}  // namespace

int main(int argc, char** argv) {
  for (std::size_t s = 0; s < std::size(kShapes); ++s) {
    const std::string name = kShapes[s].name;
    benchmark::RegisterBenchmark(("walk/" + name).c_str(), walk, s)->Unit(benchmark::kMillisecond);
    // The cheapest drawing, which the runs take, and beside it the others.
    const struct {
      const char* name;
      ortelan::DrawMethod method;
    } methods[] = {{"tables/", ortelan::DrawMethod::Cheapest},
                   {"cell_by_cell/", ortelan::DrawMethod::CellByCell},
                   {"dealt/", ortelan::DrawMethod::Dealing}};
    for (const auto& m : methods) {
      benchmark::RegisterBenchmark((m.name + name).c_str(), sample, s, m.method)->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
