// The cost of the exact test of one locus: the walk at the default chain
// settings on tables of growing size, in both real types, and a single
// draw of the generator.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "exacttest/chain.h"
#include "exacttest/literal_chain.h"
#include "exacttest/ranmar.h"

namespace {

using ortelan::CountTable;
using ortelan::Ranmar;

constexpr std::int32_t kDememorizations = 10000;
constexpr std::int32_t kBatches = 100;
constexpr std::int32_t kIterationsPerBatch = 5000;
constexpr double kStepsPerLocus = kDememorizations + double(kBatches) * kIterationsPerBatch;

// A populations x alleles table with a fixed pseudo-random pattern of
// counts: some rare alleles (small counts, a few zeros) beside common ones.
CountTable patternTable(int rows, int columns, int largestCount) {
  CountTable table;
  table.resize(rows, columns);
  std::uint32_t state = 12345u + static_cast<std::uint32_t>(rows * 100 + columns);
  for (int I = 1; I <= rows; ++I) {
    for (int J = 1; J <= columns; ++J) {
      state = state * 1103515245u + 12345u;
      const int common = (J % 3 == 1) ? largestCount : largestCount / 4 + 1;
      table.at(I, J) = static_cast<int>((state >> 16) % static_cast<std::uint32_t>(common + 1));
    }
  }
  return table;
}

// The walk of the programs, or the step-by-step walk it is held to.
template <class Real, bool Literal>
void walkOneLocus(benchmark::State& state, int rows, int columns, int largestCount) {
  const CountTable observed = patternTable(rows, columns, largestCount);
  std::int64_t total = 0;
  for (int I = 1; I <= rows; ++I) {
    for (int J = 1; J <= columns; ++J) total += observed.at(I, J);
  }
  ortelan::ChainWorkspace workspace;
  for (auto _ : state) {
    CountTable MM = observed;
    Ranmar generator;
    generator.MAKE_RANDOM(12, 34, 56, 78);
    if constexpr (Literal) {
      benchmark::DoNotOptimize(
          ortelan::reference::literalCHAINE<Real>(MM, kDememorizations, kBatches, kIterationsPerBatch, generator));
    } else {
      benchmark::DoNotOptimize(
          ortelan::CHAINE<Real>(MM, kDememorizations, kBatches, kIterationsPerBatch, generator, &workspace));
    }
  }
  // Seconds per chain step (shown with its SI prefix: 20n is 20 ns).
  state.counters["per_step"] =
      benchmark::Counter(kStepsPerLocus, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel("total " + std::to_string(total));
}

void drawOne(benchmark::State& state) {
  Ranmar generator;
  generator.MAKE_RANDOM(12, 34, 56, 78);
  for (auto _ : state) benchmark::DoNotOptimize(generator.GOSUB100());
}

struct Shape {
  int rows, columns, largestCount;
};

}  // namespace

int main(int argc, char** argv) {
  // Two rows (a pair of populations) have a walk of their own.
  constexpr Shape kShapes[] = {{2, 2, 120}, {2, 8, 120}, {5, 7, 40}, {10, 10, 24}, {30, 20, 8}};
  for (const Shape& shape : kShapes) {
    const std::string size = std::to_string(shape.rows) + "x" + std::to_string(shape.columns);
    benchmark::RegisterBenchmark(("CHAINE<double>/" + size).c_str(), walkOneLocus<double, false>, shape.rows,
                                 shape.columns, shape.largestCount)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("CHAINE<long double>/" + size).c_str(), walkOneLocus<long double, false>,
                                 shape.rows, shape.columns, shape.largestCount)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("literal<double>/" + size).c_str(), walkOneLocus<double, true>, shape.rows,
                                 shape.columns, shape.largestCount)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("literal<long double>/" + size).c_str(), walkOneLocus<long double, true>,
                                 shape.rows, shape.columns, shape.largestCount)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("GOSUB100", drawOne);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
