// Reading and counting a genome-scale SNP panel, 100,000 loci x 1,000
// individuals in 20 populations, in the two forms a user may have it: a
// GENEPOP file through the counting reader (readAndCount), and the same
// genotypes as a bgzip-compressed VCF file with a population map through
// the VCF reader (readVcf). Each file is written once into a scratch
// directory. Besides the time, `read_peak_MB` is the most resident memory
// the process held while reading (the high-water mark is reset before).
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORTELAN_BENCH=ON
//   cmake --build build-bench -j2 --target ortelan_vcf_bench
//   build-bench/bench/ortelan_vcf_bench --benchmark_filter=Genepop
//   build-bench/bench/ortelan_vcf_bench --benchmark_filter=Vcf
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/analysis.h"
#include "apps/editions.h"
#include "input/genepop/counting_reader.h"
#include "input/vcf/vcf_reader.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"
#include "support/snp_genepop.h"
#include "support/snp_vcf.h"

namespace {

using namespace ortelan;

constexpr testing::SnpShape kShape{100000, 20, 50, 2, 1};

// Linux's high-water mark of resident memory, restarted from the present.
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }
double peakMemoryMb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024;
  }
  return 0;
}

template <class Read>
void measure(benchmark::State& state, const std::string& file, Read read) {
  const Edition edition = scriptedEdition(edition2d());
  double peak = 0;
  long loci = 0;
  for (auto _ : state) {
    resetPeakMemory();
    testing::ScriptedConsole console;
    RunContext context(edition, console);
    context.workers = 2;
    DataSummary data;
    read(context, data);
    loci = data.NUMBOFLOCI;
    peak = std::max(peak, peakMemoryMb());
  }
  if (loci != kShape.loci) std::abort();
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  state.counters["read_peak_MB"] = peak;
}

void readAndCountGenepop(benchmark::State& state) {
  testing::ScratchDir dir;
  {
    std::ofstream out("panel.gen", std::ios::binary);
    writeSnpGenepop(out, kShape);
  }
  measure(state, "panel.gen", [](RunContext& context, DataSummary& data) { readAndCount(context, data, "panel.gen"); });
}

void readVcfWithMap(benchmark::State& state) {
  testing::ScratchDir dir;
  testing::writeSnpVcf("panel.vcf.gz", kShape);
  testing::writeSnpPopmap("panel.map", kShape);
  measure(state, "panel.vcf.gz", [](RunContext& context, DataSummary& data) {
    readVcf(context, data, "panel.vcf.gz", Popmap::read("panel.map"));
  });
}

}  // namespace

BENCHMARK(readAndCountGenepop)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(readVcfWithMap)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
