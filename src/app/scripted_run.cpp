#include "app/scripted_run.h"

#include <memory>

#include "app/analysis.h"
#include "app/command_line.h"
#include "app/outputs.h"
#include "app/progress_meter.h"
#include "app/result_files.h"
#include "report/outlier_note.h"
#include "report/results_table.h"
#include "report/writefinal.h"
#include "run/failure.h"

namespace ortelan {
namespace {

template <class Real>
void writeResults(const Edition& edition, const RunSettings& settings, const Analysis<Real>& analysis,
                  Console& console, ProgressMeter* meter) {
  Outputs outputs;
  if (meter != nullptr) outputs.beforeStandardOutput([meter] { meter->clear(); });
  const CivilDate date = console.today().value_or(CivilDate{});
  outputs.add(settings.reportPath,
              scriptedReport(edition, analysis.state, date, settings.test,
                             analysis.outliers ? &*analysis.outliers : nullptr,
                             analysis.permutations ? &*analysis.permutations : nullptr,
                             analysis.hierarchy ? &analysis.hierarchy->rows : nullptr,
                             analysis.groups ? &*analysis.groups : nullptr));
  TableHeading heading{edition.programName, edition.version, settings.dataFile, analysis.seed, settings.chain,
                       settings.test, settings.exact, settings.bootstrap};
  heading.permutations = settings.permutations;
  if (settings.groupsPath) heading.groups = *settings.groupsPath;
  if (settings.popmapPath) heading.popmap = *settings.popmapPath;
  heading.region = settings.region;
  heading.sampling = settings.sampling;
  if (settings.windows) heading.windows = windowLayoutText(*settings.windows);
  if (analysis.outliers) setOutlierHeading(heading, settings.outliersMinHe, *analysis.outliers);
  addResultFiles(outputs,
                 {settings.tablePath, settings.pairsPath, settings.pairsPlotPath, settings.manhattanPath,
                  settings.windowsTablePath, settings.hierarchyPath, settings.permutationsTablePath},
                 heading, analysis, analysis.state);
  if (std::string reason = outputs.commit(console); !reason.empty()) throw OneLineFault{reason};
}

}  // namespace

template <class Real>
int runScripted(const Edition& program, const RunSettings& settings, Console& console) {
  const Edition edition = scriptedEdition(program);
  std::unique_ptr<ProgressMeter> meter;
  if (!settings.quiet && console.isTerminal(Stream::Err)) meter = std::make_unique<ProgressMeter>(console);
  const std::optional<OneLineFault> fault = faultOf([&] {
    // A place that cannot be written to is found before a long run, not after.
    for (const auto& path : {std::optional<std::string>(settings.reportPath), settings.tablePath, settings.pairsPath,
                             settings.pairsPlotPath, settings.manhattanPath, settings.windowsTablePath,
                             settings.hierarchyPath, settings.permutationsTablePath}) {
      if (!path) continue;
      if (std::string reason = Outputs::checkWritable(*path); !reason.empty()) throw OneLineFault{reason};
    }
    const Analysis<Real> analysis = analyse<Real>(edition, settings, console, meter.get());
    // The pairs' rows are made as their table is written: the meter goes on.
    writeResults(edition, settings, analysis, console, meter.get());
    if (meter) meter->clear();
  });
  if (!fault) return 0;
  if (meter) meter->clear();
  console.write(Stream::Err, fault->status == kUsageStatus
                                 ? usageError(edition, fault->message)
                                 : std::string(edition.programName) + ": error: " + fault->message + "\n");
  return fault->status;
}

template int runScripted<double>(const Edition&, const RunSettings&, Console&);
template int runScripted<long double>(const Edition&, const RunSettings&, Console&);

}  // namespace ortelan
