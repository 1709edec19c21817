#include "app/scripted_run.h"

#include <memory>
#include <new>

#include "app/analysis.h"
#include "app/outputs.h"
#include "app/progress_meter.h"
#include "report/pairs_table.h"
#include "report/results_table.h"
#include "report/writefinal.h"
#include "run/failure.h"

namespace ortelan {
namespace {

template <class Real>
void writeResults(const Edition& edition, const RunSettings& settings, const Analysis<Real>& analysis,
                  Console& console) {
  Outputs outputs;
  const CivilDate date = console.today().value_or(CivilDate{});
  outputs.add(settings.reportPath, formatReport(edition, analysis.state, date));
  const TableHeading heading{edition.programName, edition.version, settings.dataFile, analysis.seed, settings.chain};
  if (settings.tablePath) outputs.add(*settings.tablePath, formatResultsTable(heading, analysis.state));
  if (settings.pairsPath) outputs.add(*settings.pairsPath, formatPairsTable(heading, analysis.state, *analysis.pairs));
  if (settings.pairsPlotPath) {
    std::vector<std::string> labels;
    for (int pop = 1; pop <= analysis.state.NUMBPOPS; ++pop) labels.push_back(populationLabel(analysis.state, pop));
    outputs.add(*settings.pairsPlotPath, pairsPlotSvg(labels, pairPlotCells(*analysis.pairs)));
  }
  if (std::string reason = outputs.commit(console); !reason.empty()) throw OneLineFault{reason};
}

}  // namespace

template <class Real>
int runScripted(const Edition& program, const RunSettings& settings, Console& console) {
  const Edition edition = scriptedEdition(program);
  std::unique_ptr<ProgressMeter> meter;
  if (!settings.quiet && console.isTerminal(Stream::Err)) meter = std::make_unique<ProgressMeter>(console);
  auto fail = [&](const std::string& what, int status) {
    if (meter) meter->clear();
    console.write(Stream::Err, std::string(edition.programName) + ": error: " + what + "\n");
    if (status == kUsageStatus) console.write(Stream::Err, "Run with --help for more information.\n");
    return status;
  };
  try {
    // A place that cannot be written to is found before a long run, not after.
    for (const auto& path : {std::optional<std::string>(settings.reportPath), settings.tablePath, settings.pairsPath,
                             settings.pairsPlotPath}) {
      if (!path) continue;
      if (std::string reason = Outputs::checkWritable(*path); !reason.empty()) throw OneLineFault{reason};
    }
    const Analysis<Real> analysis = analyse<Real>(edition, settings, console, meter.get());
    if (meter) meter->clear();
    writeResults(edition, settings, analysis, console);
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
