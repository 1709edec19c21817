#include "app/driver.h"

#include "app/dialogue.h"
#include "chisquare/do_chisquare.h"
#include "chisquare/totals.h"
#include "exacttest/do_fisher.h"
#include "input/genepop/read_data_file.h"
#include "input/tables/table_data_reader.h"
#include "report/writefinal.h"
#include "run/failure.h"

namespace ortelan {

template <class Real>
void READ_GENEPOP_INFILE_WRITE_CONTINGENCY_OUTFILES(Run<Real>& run) {
  const bool tickClock = run.edition.seeds == SeedDraw::TickClock1To166;
  const std::uint64_t clock = tickClock ? run.console.tickCountMs()
                                        : static_cast<std::uint64_t>(run.console.calendarSeconds());
  run.seeds.emplace(run.edition.seeds, clock);

  DialogueAnswers answers = OPEN_INFILE_FIRST_SCREEN(run.edition, run.console);
  run.state.INFILENAME = answers.fileName;
  run.dataFile = answers.fileName;
  run.settings = answers.settings;
  readDataFileWriteTables(run, run.state, answers.fileName);
  run.state.sizeResultArrays();
}

template <class Real>
int runProgram(const Edition& edition, Console& console) {
  Run<Real> run(edition, console);
  try {
    READ_GENEPOP_INFILE_WRITE_CONTINGENCY_OUTFILES(run);
    const TableFiles tables(edition.tableForm, run.tableDir);
    DO_FISHER(run, tables);
    DO_CHISQUARE(run, tables);
    SUM_FOR_TOTAL_P(run);
    WRITEFINAL(run);
    ERASE_FILES(run, run.state);
    if (edition.clearsScreenAtEnd) console.clearScreen();
    return 0;
  } catch (const RunEnded& ended) {
    return ended.status;
  } catch (const RunTimeError& error) {
    writeUnhandledErrorReport(console, error);
    return kRunTimeErrorStatus;
  }
}

template int runProgram<double>(const Edition&, Console&);
template int runProgram<long double>(const Edition&, Console&);

}  // namespace ortelan
