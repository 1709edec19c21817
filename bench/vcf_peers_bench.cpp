// Reading and counting a bgzip-compressed VCF panel of 50,000 SNPs x 500
// samples with its population map, in 2 populations and in 5: the allele
// and genotype tables of every record, all a run with `--test none` reads
// before its statistics (`ours`); and the whole job of `ortelan_2d --test
// none` on it, a process of its own (`whole`). Beside them, on the same file
// and with the same two threads, the whole job of `plink2 --fst CATEGORY
// method=wc` and of `vcftools --weir-fst-pop`, when they are installed (a
// peer that is not is skipped). All times are wall times; `of_plink2` is our
// time over plink2's of the same panel in the same run.
//
// The stages of one reading on one thread, for profiling: bgzf decompression
// alone, then the lines, then htslib's parsing of every line, then its
// decoding of GT.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORTELAN_BENCH=ON -DORTELAN_TESTS=OFF
//   cmake --build build-bench -j2 --target ortelan_vcf_peers_bench
//   build-bench/bench/ortelan_vcf_peers_bench
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <htslib/bgzf.h>
#include <htslib/kseq.h>
#include <htslib/vcf.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/analysis.h"
#include "apps/editions.h"
#include "input/vcf/vcf_reader.h"
#include "support/process.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"
#include "support/snp_vcf.h"

namespace {

using namespace ortelan;

constexpr int kLoci = 50000;
constexpr int kSamples = 500;
constexpr int kThreads = 2;

testing::SnpShape shapeOf(int populations) {
  return {kLoci, populations, kSamples / populations, 2, 7};
}

// The panel of `populations` populations, written once into a scratch
// directory that lasts the run: VCF, map, plink2's phenotype file and
// vcftools' sample lists.
const std::string& panel(int populations) {
  static testing::ScratchDir dir;
  static std::map<int, std::string> written;
  auto found = written.find(populations);
  if (found != written.end()) return found->second;
  const testing::SnpShape shape = shapeOf(populations);
  const std::string base = (dir.path() / ("panel" + std::to_string(populations))).string();
  testing::writeSnpVcf(base + ".vcf.gz", shape);
  testing::writeSnpPopmap(base + ".map", shape);
  std::ofstream pheno(base + ".pheno", std::ios::binary);
  pheno << "#IID\tpop\n";
  for (int pop = 1; pop <= shape.populations; ++pop) {
    std::ofstream list(base + ".pop" + std::to_string(pop), std::ios::binary);
    for (int i = 1; i <= shape.individualsPerPopulation; ++i) {
      pheno << testing::snpIndividual(pop, i) << "\tpop" << pop << "\n";
      list << testing::snpIndividual(pop, i) << "\n";
    }
  }
  return written.emplace(populations, base).first->second;
}

std::string onPath(const std::string& tool) {
  std::istringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  for (std::string dir; std::getline(path, dir, ':');) {
    const std::filesystem::path candidate = std::filesystem::path(dir) / tool;
    if (!dir.empty() && std::filesystem::exists(candidate)) return candidate.string();
  }
  return {};
}

// CPU seconds (user and system, every thread) of this process, or of its
// children that have ended.
double cpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::map<int, double>& plink2Seconds() {
  static std::map<int, double> seconds;
  return seconds;
}

void ours(benchmark::State& state) {
  const int populations = static_cast<int>(state.range(0));
  const std::string& base = panel(populations);
  const Edition edition = scriptedEdition(edition2d());
  const Popmap map = Popmap::read(base + ".map");
  long loci = 0;
  double total = 0;
  const double cpuBefore = cpuSeconds(RUSAGE_SELF);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    testing::ScriptedConsole console;
    RunContext context(edition, console);
    context.workers = kThreads;
    DataSummary data;
    const VcfData read = readVcf(context, data, base + ".vcf.gz", map);
    if (!read.genotypes || read.genotypes->loci() != data.NUMBOFLOCI) std::abort();
    loci = data.NUMBOFLOCI;
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  if (loci != kLoci) std::abort();
  state.counters["cpu_ms"] = 1000 * (cpuSeconds(RUSAGE_SELF) - cpuBefore) / static_cast<double>(state.iterations());
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(base + ".vcf.gz")) / 1e6;
  const auto plink2 = plink2Seconds().find(populations);
  if (plink2 != plink2Seconds().end()) {
    state.counters["of_plink2"] = total / static_cast<double>(state.iterations()) / plink2->second;
  }
}

// The stages of htslib's reading of the panel on one thread: `stage` 0
// decompresses it, 1 also cuts it into lines, 2 also parses each line
// (vcf_parse), 3 also decodes its GT (bcf_get_genotypes).
void stages(benchmark::State& state) {
  const std::string path = panel(2) + ".vcf.gz";
  const int stage = static_cast<int>(state.range(0));
  for (auto _ : state) {
    if (stage == 0) {
      BGZF* in = bgzf_open(path.c_str(), "r");
      std::vector<char> buffer(1 << 20);
      std::size_t bytes = 0;
      for (ssize_t n; (n = bgzf_read(in, buffer.data(), buffer.size())) > 0;) bytes += static_cast<std::size_t>(n);
      bgzf_close(in);
      benchmark::DoNotOptimize(bytes);
      continue;
    }
    htsFile* file = hts_open(path.c_str(), "r");
    bcf_hdr_t* header = bcf_hdr_read(file);
    bcf1_t* record = bcf_init();
    kstring_t line{0, 0, nullptr};
    std::int32_t* values = nullptr;
    int capacity = 0;
    long sum = 0;
    while (hts_getline(file, KS_SEP_LINE, &line) >= 0) {
      sum += static_cast<long>(line.l);
      if (stage < 2) continue;
      if (vcf_parse(&line, header, record) < 0) std::abort();
      if (stage < 3) continue;
      sum += bcf_get_genotypes(header, record, &values, &capacity);
    }
    benchmark::DoNotOptimize(sum);
    std::free(values);
    std::free(line.s);
    bcf_destroy(record);
    bcf_hdr_destroy(header);
    hts_close(file);
  }
}

// A peer's whole job as a child process in the panel's directory (or our
// own, given by its path): plink2's time kept, ours set beside it.
template <class Arguments>
void peer(benchmark::State& state, const std::string& tool, Arguments arguments, bool isPlink2) {
  const std::string program = tool.find('/') != std::string::npos ? tool : onPath(tool);
  if (program.empty()) {
    state.SkipWithError((tool + " is not installed").c_str());
    return;
  }
  const int populations = static_cast<int>(state.range(0));
  const std::string& base = panel(populations);
  const std::string dir = std::filesystem::path(base).parent_path().string();
  double total = 0;
  const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const testing::ProcessResult r = testing::runProcess(program, "", dir, 600, arguments(base, populations));
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r.status != 0) {
      state.SkipWithError((tool + " failed: " + r.err.substr(0, 300)).c_str());
      return;
    }
  }
  state.counters["cpu_ms"] = 1000 * (cpuSeconds(RUSAGE_CHILDREN) - cpuBefore) / static_cast<double>(state.iterations());
  const double seconds = total / static_cast<double>(state.iterations());
  if (isPlink2) plink2Seconds()[populations] = seconds;
  const auto plink2 = plink2Seconds().find(populations);
  if (!isPlink2 && plink2 != plink2Seconds().end()) state.counters["of_plink2"] = seconds / plink2->second;
}

void plink2(benchmark::State& state) {
  peer(state, "plink2", [](const std::string& base, int) {
    return std::vector<std::string>{"--vcf", base + ".vcf.gz", "--pheno", base + ".pheno", "--fst", "pop", "method=wc",
                                    "--threads", std::to_string(kThreads), "--out", base + "-plink2", "--silent"};
  }, true);
}

// The whole job of `ortelan_2d -q -s 1 -j 2 --test none` on the panel, as a
// user runs it: reading, chi-square, F-statistics, the report and table
// written (to /dev/null).
void whole(benchmark::State& state) {
  peer(state, ORTELAN_2D_PATH, [](const std::string& base, int) {
    return std::vector<std::string>{"-q", "-s", "1", "-j", std::to_string(kThreads), "--test", "none", "--popmap",
                                    base + ".map", "-o", "/dev/null", "-t", "/dev/null", base + ".vcf.gz"};
  }, false);
}

void vcftools(benchmark::State& state) {
  peer(state, "vcftools", [](const std::string& base, int populations) {
    std::vector<std::string> arguments{"--gzvcf", base + ".vcf.gz", "--out", base + "-vcftools"};
    for (int pop = 1; pop <= populations; ++pop) {
      arguments.insert(arguments.end(), {"--weir-fst-pop", base + ".pop" + std::to_string(pop)});
    }
    return arguments;
  }, false);
}

}  // namespace

BENCHMARK(plink2)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(ours)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(whole)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(stages)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(vcftools)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
