#include "app/power_command.h"

#include <algorithm>
#include <memory>

#include "app/analysis.h"
#include "app/command_line.h"
#include "app/outputs.h"
#include "app/power_analysis.h"
#include "app/power_command_line.h"
#include "app/progress_meter.h"
#include "report/power_report.h"
#include "report/power_table.h"
#include "run/failure.h"

namespace ortelan {

template <class Real>
std::vector<PowerCurve> powerCurves(const PowerResults& results) {
  std::vector<PowerCurve> curves;
  forEachPowerRow(results, [&](const PowerRow& row) {
    if (!row.total) return;
    auto curve = std::find_if(curves.begin(), curves.end(), [&](const PowerCurve& c) {
      return c.test == row.test && c.alpha == results.tests.alphas[row.level];
    });
    if (curve == curves.end()) {
      curves.push_back({std::string(row.test), results.tests.alphas[row.level], {}});
      curve = curves.end() - 1;
    }
    const PowerTarget& target = results.design.targets[row.target];
    const std::int64_t replicates = results.tallies[row.target].replicates;
    const PowerEstimate<Real> p = powerEstimate<Real>(row.rejections, replicates);
    curve->points.push_back({target.fst, target.expected, target.generations, static_cast<double>(p.power),
                             static_cast<double>(p.low), static_cast<double>(p.high), replicates});
  });
  return curves;
}

template <class Real>
int runPowerCommand(const Edition& program, const std::vector<std::string>& arguments, Console& console) {
  const PowerCommandLine line = parsePowerCommandLine(program, arguments);
  if (!line.settings) {
    console.write(Stream::Out, line.out);
    console.write(Stream::Err, line.err);
    return line.status;
  }
  const PowerSettings& settings = *line.settings;
  const Edition edition = scriptedEdition(program);
  std::unique_ptr<ProgressMeter> meter;
  if (!settings.run.quiet && console.isTerminal(Stream::Err)) meter = std::make_unique<ProgressMeter>(console);
  const std::optional<OneLineFault> fault = faultOf([&] {
    // A place that cannot be written to is found before a long run, not after.
    for (const auto& path : {std::optional<std::string>(settings.reportPath), settings.tablePath, settings.plotPath}) {
      if (!path) continue;
      if (std::string reason = Outputs::checkWritable(*path); !reason.empty()) throw OneLineFault{reason};
    }
    const PowerAnalysis analysis = analysePower<Real>(edition, settings, console, meter.get());
    const PowerHeading heading = powerHeading(edition, settings, analysis);
    Outputs outputs;
    if (meter) outputs.beforeStandardOutput([&meter] { meter->clear(); });
    outputs.add(settings.reportPath, formatPowerReport<Real>(edition, heading, analysis.results, analysis.data,
                                                             console.today().value_or(CivilDate{})));
    if (settings.tablePath) outputs.add(*settings.tablePath, formatPowerTable<Real>(heading, analysis.results, analysis.data));
    if (settings.plotPath) outputs.add(*settings.plotPath, powerPlot(settings.run.dataFile, powerCurves<Real>(analysis.results)));
    if (std::string reason = outputs.commit(console); !reason.empty()) throw OneLineFault{reason};
    if (meter) meter->clear();
  });
  if (!fault) return 0;
  if (meter) meter->clear();
  console.write(Stream::Err, fault->status == kUsageStatus
                                 ? usageError(edition, fault->message)
                                 : std::string(edition.programName) + ": error: " + fault->message + "\n");
  return fault->status;
}

template std::vector<PowerCurve> powerCurves<double>(const PowerResults&);
template std::vector<PowerCurve> powerCurves<long double>(const PowerResults&);
template int runPowerCommand<double>(const Edition&, const std::vector<std::string>&, Console&);
template int runPowerCommand<long double>(const Edition&, const std::vector<std::string>&, Console&);

}  // namespace ortelan
