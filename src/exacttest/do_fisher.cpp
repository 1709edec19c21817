#include "exacttest/do_fisher.h"

#include <cstdio>
#include <string>

#include "exacttest/chain.h"
#include "exacttest/locus_pool.h"
#include "exacttest/table_loader.h"
#include "input/tables/table_data_reader.h"
#include "input/tables/table_data_writer.h"

namespace ortelan {
namespace {

void showProgress(RunContext& context, int locus) {
  if (context.edition.progress == ProgressStyle::Silent) return;
  if (context.edition.progress == ProgressStyle::CursorLine) {
    char number[32];
    std::snprintf(number, sizeof number, "%8d", locus);
    context.console.gotoXY(14, 20);
    context.console.write(Stream::Out, std::string("... and now processing locus no.") + number);
  } else {
    context.console.write(Stream::Out, "  Now processing locus no. " + std::to_string(locus) + "\r");
  }
}

}  // namespace

template <class Real>
void DO_FISHER(Run<Real>& run, const LocusTableStore& tables) {
  auto& state = run.state;
  const bool shared = run.edition.tableForm == TableForm::SharedFile;
  const std::unique_ptr<LocusTableSource> source = tables.source();
  if (shared) {
    if (run.edition.progress != ProgressStyle::Silent) writeLine(run.console, Stream::Out);
    if (!source->open()) run.fault(2, "DO_FISHER", kSharedTableFile, "cannot read the table data " + run.tablePath(kSharedTableFile));
  }
  std::fill(state.FISHERPPERLOCUS.begin(), state.FISHERPPERLOCUS.end(), Real(0));
  std::fill(state.FISHERSEPERLOCUS.begin(), state.FISHERSEPERLOCUS.end(), Real(0));
  // FISHER for each tested locus: the table is loaded and checked here, in
  // locus order; its chain is walked by the pool.
  std::vector<LocusEstimate<Real>> estimates(static_cast<std::size_t>(state.NUMBOFLOCI) + 1);
  {
    // A scripted run walks on workers even with one, so that it can be
    // interrupted at any time, and hands short walks over in bundles; the
    // dialogue's progress line follows the walks one by one.
    const bool scripted = run.edition.progress == ProgressStyle::Silent;
    LocusPool<Real> pool(run.chainWorkers(), estimates, 0, scripted, scripted ? kBundleSteps : 0);
    long shown = 0;  // walks told to the meter
    auto tellMeter = [&] {
      const long finished = pool.finished();
      run.advance(finished - shown);
      shown = finished;
      run.tick();
    };
    for (int I = 1; I <= state.NUMBOFLOCI; ++I) {
      const bool tested = state.isTested(I);
      if (tested || run.edition.progress == ProgressStyle::CursorLine) showProgress(run, I);
      if (!tested) {
        state.FISHERPPERLOCUS[I] = -1;
        source->passOver();
        continue;
      }
      if (!source->openLocus(I)) run.fault(2, "DO_FISHER", "Missing table data in ~TMPlocus.tmp");
      LoadedTable table;
      READINFILE(run, source->numbers(), table, state.locusLabel(I));
      walkFor(run.test, table, source->columnKeys(), run.exact, run.sampling);
      source->closeLocus();
      state.MEM = table.MEM;
      state.B = table.B;
      state.C = table.C;
      pool.walk(I, std::move(table), tellMeter);
      tellMeter();
    }
    pool.finish(tellMeter);
    tellMeter();
  }
  for (int I = 1; I <= state.NUMBOFLOCI; ++I) {
    if (!state.isTested(I)) continue;
    state.FISHERPPERLOCUS[I] = estimates[static_cast<std::size_t>(I)].HM;
    state.FISHERSEPERLOCUS[I] = estimates[static_cast<std::size_t>(I)].HECA;
    state.methodPerLocus[static_cast<std::size_t>(I)] = estimates[static_cast<std::size_t>(I)].method;
    state.pLowPerLocus[static_cast<std::size_t>(I)] = estimates[static_cast<std::size_t>(I)].low;
    state.pHighPerLocus[static_cast<std::size_t>(I)] = estimates[static_cast<std::size_t>(I)].high;
  }
}

template void DO_FISHER<double>(Run<double>&, const LocusTableStore&);
template void DO_FISHER<long double>(Run<long double>&, const LocusTableStore&);

}  // namespace ortelan
