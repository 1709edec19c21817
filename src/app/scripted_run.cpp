#include "app/scripted_run.h"

#include <exception>
#include <memory>
#include <new>

#include "app/outputs.h"
#include "app/progress_meter.h"
#include "chisquare/do_chisquare.h"
#include "chisquare/totals.h"
#include "exacttest/do_fisher.h"
#include "input/read_data_file.h"
#include "report/results_table.h"
#include "report/writefinal.h"
#include "run/failure.h"

namespace ortelan {
namespace {

// The private directory of the table data, removed whatever happens.
class PrivateDirectory {
 public:
  explicit PrivateDirectory(Console& console) : console_(console), path_(console.makePrivateDirectory()) {}
  ~PrivateDirectory() {
    if (!path_.empty()) console_.removeDirectory(path_);
  }
  PrivateDirectory(const PrivateDirectory&) = delete;
  PrivateDirectory& operator=(const PrivateDirectory&) = delete;
  const std::string& path() const { return path_; }

 private:
  Console& console_;
  std::string path_;
};

// A run seed from the clock, when none is given: the calendar second and
// the millisecond tick, mixed.
std::uint64_t seedFromClock(Console& console) {
  const auto seconds = static_cast<std::uint64_t>(console.calendarSeconds());
  return mix64((seconds << 20) ^ console.tickCountMs());
}

[[noreturn]] void usageFault(std::string what) { throw OneLineFault{std::move(what), kUsageStatus}; }

// Marks the loci of --loci; a locus beyond the file's last is a usage fault.
void selectLoci(DataSummary& data, const RunSettings& settings) {
  if (!settings.loci) return;
  if (settings.loci->highest() > data.NUMBOFLOCI) {
    usageFault("--loci: locus " + std::to_string(settings.loci->highest()) + " is beyond the last locus of " +
               settings.dataFile + " (" + std::to_string(data.NUMBOFLOCI) + ")");
  }
  data.lociInRun = settings.loci->marks(data.NUMBOFLOCI);
}

template <class Real>
void runSteps(Run<Real>& run, const RunSettings& settings, std::unique_ptr<ProgressMeter>& meter) {
  for (const auto& path : {std::optional<std::string>(settings.reportPath), settings.tablePath}) {
    if (!path) continue;
    if (std::string reason = Outputs::checkWritable(*path); !reason.empty()) throw OneLineFault{reason};
  }
  PrivateDirectory tableDirectory(run.console);
  if (tableDirectory.path().empty()) throw OneLineFault{"cannot make a private directory for the table data"};
  run.tableDir = tableDirectory.path();

  readDataFileWriteTables(run, run.state, settings.dataFile);
  run.state.sizeResultArrays();
  selectLoci(run.state, settings);

  long units = 0;
  for (int I = 1; I <= run.state.NUMBOFLOCI; ++I) units += run.state.isTested(I) ? 1 : 0;
  if (!settings.quiet && run.console.isTerminal(Stream::Err)) {
    meter = std::make_unique<ProgressMeter>(run.console, units, "loci");
    run.meter = meter.get();
  }
  DO_FISHER(run);
  DO_CHISQUARE(run);
  SUM_FOR_TOTAL_P(run);
  if (meter) meter->clear();

  Outputs outputs;
  const CivilDate date = run.console.today().value_or(CivilDate{});
  outputs.add(settings.reportPath, formatReport(run.edition, run.state, date));
  if (settings.tablePath) {
    const TableHeading heading{run.edition.programName, run.edition.version, settings.dataFile,
                               *run.seeds->runSeed(), settings.chain};
    outputs.add(*settings.tablePath, formatResultsTable(heading, run.state));
  }
  if (std::string reason = outputs.commit(run.console); !reason.empty()) throw OneLineFault{reason};
  ERASE_FILES(run, run.state);
}

}  // namespace

Edition scriptedEdition(const Edition& program) {
  Edition e = program;
  e.clearsOpeningScreen = false;
  e.clearsScreenAtEnd = false;
  e.failure = FailureStyle::OneLine;
  e.diagnostics = Stream::Err;
  e.progress = ProgressStyle::Silent;
  e.pauseWait = PauseWait::None;
  e.announcesChisquare = false;
  return e;
}

template <class Real>
int runScripted(const Edition& program, const RunSettings& settings, Console& console) {
  const Edition edition = scriptedEdition(program);
  Run<Real> run(edition, console);
  run.settings = settings.chain;
  run.seeds = SeedSource::keyed(edition.seeds, settings.seed ? *settings.seed : seedFromClock(console));
  run.dataFile = settings.dataFile;
  run.state.INFILENAME = settings.dataFile;
  run.workers = settings.threads;
  std::unique_ptr<ProgressMeter> meter;
  auto fail = [&](const std::string& what, int status) {
    if (meter) meter->clear();
    console.write(Stream::Err, std::string(edition.programName) + ": error: " + what + "\n");
    if (status == kUsageStatus) console.write(Stream::Err, "Run with --help for more information.\n");
    return status;
  };
  try {
    runSteps(run, settings, meter);
    return 0;
  } catch (const OneLineFault& fault) {
    return fail(fault.message, fault.status);
  } catch (const RunTimeError& error) {
    return fail("run-time error " + std::to_string(error.number) + " in " + error.where, kFaultStatus);
  } catch (const RunEnded& ended) {
    return fail("the run ended early (status " + std::to_string(ended.status) + ")", kFaultStatus);
  } catch (const std::bad_alloc&) {
    return fail("out of memory", kFaultStatus);
  }
}

template int runScripted<double>(const Edition&, const RunSettings&, Console&);
template int runScripted<long double>(const Edition&, const RunSettings&, Console&);

}  // namespace ortelan
