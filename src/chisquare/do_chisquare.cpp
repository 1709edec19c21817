#include "chisquare/do_chisquare.h"

#include <string>

#include "chisquare/asymptotic_test.h"
#include "chisquare/cntab1.h"
#include "input/tables/table_data_reader.h"
#include "input/tables/table_data_writer.h"
#include "run/pause.h"

namespace ortelan {
namespace {

constexpr const char* kWhere = "DO_CHISQUARE";

}  // namespace

template <class Real>
void DO_CHISQUARE(Run<Real>& run, const LocusTableStore& tables) {
  const std::unique_ptr<LocusTableSource> source = tables.source();
  if (!source->open()) run.fault(2, kWhere, kSharedTableFile, "cannot read the table data " + run.tablePath(kSharedTableFile));
  if (run.edition.announcesChisquare) {
    writeLine(run.console, Stream::Out);
    writeLine(run.console, Stream::Out, " do_chisquare");
  }
  const PauseFn pause = [&run](std::string_view message) { numericPause(run.edition, run.console, message); };
  CountTable table;
  auto& state = run.state;
  for (int I = 1; I <= state.NUMBOFLOCI; ++I) {
    if (!state.isTested(I)) {
      state.CHI2PPERLOCUS[I] = -1;
      source->passOver();
      continue;
    }
    if (run.edition.announcesChisquare) run.console.write(Stream::Out, std::to_string(I) + "\r");
    if (!source->openLocus(I)) run.fault(2, kWhere, "Missing table data in ~TMPlocus.tmp");
    readLocusTable(run, source->numbers(), table, kWhere);
    source->closeLocus();
    Real CHISQ, DF, PROB;
    if (besideChiSquare(run.test)) {
      CNTAB1(table, table.rows, table.columns, CHISQ, DF, PROB, pause);
    } else {
      // The G tests: G in place of the chi-square, with the same tail.
      asymptoticStatistic(run.test, table, source->columnKeys(), CHISQ, DF);
      PROB = GAMMQ(Real(0.5) * DF, Real(0.5) * CHISQ, pause);
    }
    state.CHI2PERLOCUS[I] = CHISQ;
    state.DFPERLOCUS[I] = DF;
    state.CHI2PPERLOCUS[I] = PROB;
  }
}

template void DO_CHISQUARE<double>(Run<double>&, const LocusTableStore&);
template void DO_CHISQUARE<long double>(Run<long double>&, const LocusTableStore&);

}  // namespace ortelan
