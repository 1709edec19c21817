#include "run/driver.h"

#include "chisquare/do_chisquare.h"
#include "chisquare/totals.h"
#include "exacttest/do_fisher.h"
#include "input/individual_store.h"
#include "input/one_pass_reader.h"
#include "input/table_data_writer.h"
#include "input/text_source.h"
#include "report/writefinal.h"
#include "run/dialogue.h"
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
  run.settings = answers.settings;

  if (run.edition.reader == ReaderKind::LocusPasses) {
    std::optional<std::string> text = readWholeFile(answers.fileName);
    if (!text) runTimeError(2, "READ_INFILE_I");
    const std::string data = withUnixLineEnds(std::move(*text));
    TableDataWriter writer(run);
    readGenepopOnce(run, run.state, data, writer);
  } else {
    IndividualStore store;
    ReadInDataFile(run, run.state, store, answers.fileName);
    TableDataWriter writer(run);
    writeTablesFromStore(run, run.state, store, writer);
  }
  run.state.sizeResultArrays();
}

template <class Real>
void ERASE_FILES(Run<Real>& run) {
  if (run.edition.tableForm == TableForm::SharedFile) {
    if (!run.console.removeFile(kSharedTableFile)) fatalStop(run.console, "Error deleting file - tmpfile");
    return;
  }
  for (int I = 1; I <= run.state.NUMBOFLOCI; ++I) {
    if (!run.console.removeFile(locusTableFileName(I))) runTimeError(2, "ERASE_FILES");
  }
}

template <class Real>
int runProgram(const Edition& edition, Console& console) {
  Run<Real> run(edition, console);
  try {
    READ_GENEPOP_INFILE_WRITE_CONTINGENCY_OUTFILES(run);
    DO_FISHER(run);
    DO_CHISQUARE(run);
    SUM_FOR_TOTAL_P(run);
    WRITEFINAL(run);
    ERASE_FILES(run);
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
