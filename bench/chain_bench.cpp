// The cost of the exact test of one locus: the walk at the default chain
// settings on tables of growing size, in both real types, ordered by
// probability or by G; the genotypic walk; and a single draw of the
// generator.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "chisquare/g_statistic.h"
#include "exacttest/chain.h"
#include "exacttest/genotypic_chain.h"
#include "exacttest/literal_chain.h"
#include "exacttest/ranmar.h"
#include "table_shapes.h"

namespace {

using ortelan::CountTable;
using ortelan::GenotypeAlleles;
using ortelan::Ordering;
using ortelan::Ranmar;
using ortelan::bench::allGenotypes;
using ortelan::bench::patternTable;
using ortelan::bench::totalOf;

constexpr std::int32_t kDememorizations = 10000;
constexpr std::int32_t kBatches = 100;
constexpr std::int32_t kIterationsPerBatch = 5000;
constexpr double kStepsPerLocus = kDememorizations + double(kBatches) * kIterationsPerBatch;

// Seconds per chain step (shown with its SI prefix: 20n is 20 ns).
void countSteps(benchmark::State& state, std::int64_t total) {
  state.counters["per_step"] =
      benchmark::Counter(kStepsPerLocus, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel("total " + std::to_string(total));
}

// The walk of the programs, or the step-by-step walk it is held to.
template <class Real, bool Literal>
void walkOneLocus(benchmark::State& state, int rows, int columns, int largestCount, Ordering ordering) {
  const CountTable observed = patternTable(rows, columns, largestCount);
  ortelan::ChainWorkspace workspace;
  for (auto _ : state) {
    CountTable MM = observed;
    Ranmar generator;
    generator.MAKE_RANDOM(12, 34, 56, 78);
    if constexpr (Literal) {
      benchmark::DoNotOptimize(
          ortelan::reference::literalCHAINE<Real>(MM, kDememorizations, kBatches, kIterationsPerBatch, generator));
    } else {
      benchmark::DoNotOptimize(ortelan::CHAINE<Real>(MM, kDememorizations, kBatches, kIterationsPerBatch, generator,
                                                     &workspace, nullptr, ordering));
    }
  }
  countSteps(state, totalOf(observed));
}

// The genotypic walk on a populations x genotypes table of every genotype
// of `alleles` alleles.
template <class Real>
void walkGenotypes(benchmark::State& state, int rows, int alleles, int largestCount) {
  const std::vector<GenotypeAlleles> genotypes = allGenotypes(alleles);
  const CountTable observed = patternTable(rows, static_cast<int>(genotypes.size()), largestCount);
  ortelan::ChainWorkspace workspace;
  for (auto _ : state) {
    CountTable MM = observed;
    Ranmar generator;
    generator.MAKE_RANDOM(12, 34, 56, 78);
    benchmark::DoNotOptimize(ortelan::genotypicCHAINE<Real>(MM, genotypes, alleles, kDememorizations, kBatches,
                                                            kIterationsPerBatch, generator, &workspace));
  }
  countSteps(state, totalOf(observed));
}

void drawOne(benchmark::State& state) {
  Ranmar generator;
  generator.MAKE_RANDOM(12, 34, 56, 78);
  for (auto _ : state) benchmark::DoNotOptimize(generator.GOSUB100());
}

struct Shape {
  int rows, columns, largestCount;
};

std::string sizeOf(const Shape& shape) { return std::to_string(shape.rows) + "x" + std::to_string(shape.columns); }

}  // namespace

int main(int argc, char** argv) {
  const auto add = [](const std::string& name, auto walk, auto... arguments) {
    benchmark::RegisterBenchmark(name.c_str(), walk, arguments...)->Unit(benchmark::kMillisecond);
  };
  // Two rows (a pair of populations) have a walk of their own. 20 x 2: a
  // SNP in 20 populations.
  constexpr Shape kShapes[] = {{2, 2, 120}, {2, 8, 120}, {5, 7, 40}, {10, 10, 24}, {30, 20, 8}, {20, 2, 40}};
  for (const Shape& shape : kShapes) {
    const std::string size = sizeOf(shape);
    const auto P = Ordering::Probability;
    add("CHAINE<double>/" + size, walkOneLocus<double, false>, shape.rows, shape.columns, shape.largestCount, P);
    add("CHAINE<long double>/" + size, walkOneLocus<long double, false>, shape.rows, shape.columns,
        shape.largestCount, P);
    add("literal<double>/" + size, walkOneLocus<double, true>, shape.rows, shape.columns, shape.largestCount, P);
    add("literal<long double>/" + size, walkOneLocus<long double, true>, shape.rows, shape.columns,
        shape.largestCount, P);
  }
  // Ordered by G, beside the same shapes by probability above.
  constexpr Shape kGShapes[] = {{2, 2, 120}, {2, 8, 120}, {10, 10, 24}};
  for (const Shape& shape : kGShapes) {
    const std::string size = sizeOf(shape);
    add("CHAINE<double>/G/" + size, walkOneLocus<double, false>, shape.rows, shape.columns, shape.largestCount,
        Ordering::G);
    add("CHAINE<long double>/G/" + size, walkOneLocus<long double, false>, shape.rows, shape.columns,
        shape.largestCount, Ordering::G);
  }
  // The genotypic walk on 20 populations x the 15 genotypes of 5 alleles,
  // and the walk by probability on the same table.
  constexpr Shape kGenotypes{20, 15, 6};
  add("genotypic<double>/20x15", walkGenotypes<double>, kGenotypes.rows, 5, kGenotypes.largestCount);
  add("genotypic<long double>/20x15", walkGenotypes<long double>, kGenotypes.rows, 5, kGenotypes.largestCount);
  add("CHAINE<double>/20x15", walkOneLocus<double, false>, kGenotypes.rows, kGenotypes.columns,
      kGenotypes.largestCount, Ordering::Probability);
  add("CHAINE<long double>/20x15", walkOneLocus<long double, false>, kGenotypes.rows, kGenotypes.columns,
      kGenotypes.largestCount, Ordering::Probability);
  benchmark::RegisterBenchmark("GOSUB100", drawOne);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
