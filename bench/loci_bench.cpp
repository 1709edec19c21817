// The exact test of 100 tested loci at the default settings with one
// worker and with every usable core: the time, and that both give the
// same estimates.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>

#include "apps/editions.h"
#include "exacttest/do_fisher.h"
#include "input/tables/table_data_reader.h"
#include "input/genepop/one_pass_reader.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace {

using namespace ortelan;

// 100 loci with four alleles over two populations of 50.
std::string genepopFile() {
  std::mt19937 random(11);
  std::string text = "Hundred loci\n";
  for (int l = 1; l <= 100; ++l) text.append("L").append(std::to_string(l)).append("\n");
  for (int i = 0; i < 100; ++i) {
    if (i % 50 == 0) text += "Pop\n";
    text += "i,";
    for (int l = 0; l < 100; ++l) {
      const unsigned shift = i < 50 ? 0 : static_cast<unsigned>(l % 3);
      const auto first = static_cast<char>('1' + (random() + shift) % 4);
      const auto second = static_cast<char>('1' + random() % 4);
      text += {' ', '0', '0', first, '0', '0', second};
    }
    text += "\n";
  }
  return text;
}

// The table data of the 100 loci, in a scratch working directory.
class Loci {
 public:
  Loci() {
    testing::ScriptedConsole console;
    RunContext context(edition3d(), console);
    context.seeds.emplace(context.edition.seeds, 99);
    TableDataWriter writer(context);
    readGenepopOnce(context, data_, genepopFile(), writer);
  }
  // The exact test of every locus with `cores` workers; its P-values.
  std::vector<long double> test(int cores) const {
    testing::ScriptedConsole console;
    console.cores = cores;
    ortelan::Run<long double> run(edition3d(), console);
    static_cast<DataSummary&>(run.state) = data_;
    run.state.sizeResultArrays();
    DO_FISHER(run, ortelan::TableFiles(run.edition.tableForm, run.tableDir));
    return run.state.FISHERPPERLOCUS;
  }

 private:
  testing::ScratchDir dir_;
  DataSummary data_;
};

void exactTestOfHundredLoci(benchmark::State& state) {
  static const Loci loci;
  static const std::vector<long double> oneWorker = loci.test(1);
  const int cores = static_cast<int>(state.range(0));
  for (auto _ : state) {
    if (loci.test(cores) != oneWorker) std::abort();  // the estimates must not depend on the workers
  }
}

}  // namespace

BENCHMARK(exactTestOfHundredLoci)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

BENCHMARK_MAIN();
