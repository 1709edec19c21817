// The Manhattan plot of a genome scan of a million loci on 22 chromosomes
// (P uniform but for a few peaks, some at P = 0): the time to draw it and
// the size of the document.
#include <benchmark/benchmark.h>

#include "report/manhattan_plot.h"
#include "support/synthetic_scan.h"

namespace {

void BM_ManhattanPlot(benchmark::State& state) {
  const std::vector<ortelan::ManhattanPoint> points =
      ortelan::testing::syntheticScan(static_cast<std::size_t>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string svg = ortelan::manhattanPlotSvg(points, 100, 5000);
    bytes = svg.size();
    benchmark::DoNotOptimize(svg.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["loci"] = static_cast<double>(points.size());
}
BENCHMARK(BM_ManhattanPlot)->Arg(200'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
