// The cost of reading a GENEPOP file and writing the table data of every
// locus, by the 80-bit programs' reader (once, or by locus passes) and by
// ortelan_c's store, for growing numbers of loci.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "apps/editions.h"
#include "input/genepop/individual_store.h"
#include "input/genepop/locus_passes_reader.h"
#include "input/genepop/one_pass_reader.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace {

using namespace ortelan;

// Two populations of `individuals` in all, SNP-like loci with two or three
// alleles, three-digit codes.
std::string genepopFile(int loci, int individuals) {
  std::mt19937 random(7);
  std::string text = "Benchmark data\n";
  for (int l = 1; l <= loci; ++l) text.append("snp").append(std::to_string(l)).append("\n");
  for (int i = 0; i < individuals; ++i) {
    if (i == 0 || i == individuals / 2) text += "Pop\n";
    text.append("ind").append(std::to_string(i)).append(",");
    for (int l = 0; l < loci; ++l) {
      char genotype[8];
      std::snprintf(genotype, sizeof genotype, " 0%02u0%02u", static_cast<unsigned>(1 + random() % 3),
                    static_cast<unsigned>(1 + random() % 3));
      text += genotype;
    }
    text += "\n";
  }
  return text;
}

enum class Reader { Once, Passes, Store };

void readAndWrite(benchmark::State& state, Reader reader) {
  const int loci = static_cast<int>(state.range(0));
  const int individuals = static_cast<int>(state.range(1));
  const std::string text = genepopFile(loci, individuals);
  const testing::ScratchDir dir;  // the table files go there
  for (auto _ : state) {
    testing::ScriptedConsole console;
    RunContext context(reader == Reader::Store ? editionC() : edition3d(), console);
    context.seeds.emplace(context.edition.seeds, 1);
    DataSummary data;
    TableDataWriter writer(context);
    if (reader == Reader::Once) readGenepopOnce(context, data, text, writer);
    if (reader == Reader::Passes) READ_INFILE_I(context, data, text, writer);
    if (reader == Reader::Store) {
      IndividualStore store;
      readDataText(context, data, store, text);
      writeTablesFromStore(context, data, store, writer);
    }
    benchmark::DoNotOptimize(data.NUMBOFLOCI);
  }
  state.SetLabel(std::to_string(text.size() / 1000000) + " MB");
}

}  // namespace

BENCHMARK_CAPTURE(readAndWrite, once, Reader::Once)
    ->Args({1000, 500})->Args({4000, 500})->Args({10000, 500})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readAndWrite, passes, Reader::Passes)
    ->Args({1000, 500})->Args({4000, 500})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(readAndWrite, store, Reader::Store)
    ->Args({1000, 500})->Args({4000, 500})->Args({10000, 500})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
