// The power analysis from R: one run of the core's, its power table handed
// back as columns for a data frame, the report as text when asked for.
// Faults come back as a message, for R to raise.
#include <Rcpp.h>

#include <charconv>
#include <string>
#include <vector>

#include "app/analysis.h"
#include "app/power_analysis.h"
#include "apps/editions.h"
#include "r_console.h"
#include "run_options.h"
#include "r_work_meter.h"
#include "report/power_report.h"
#include "report/power_table.h"
#include "run/failure.h"

namespace ortelan {
namespace {

using Rcpp::_;

const Edition& powerEdition(const std::string& program) {
  if (program == "ortelan_2d") return edition2d();
  if (program == "ortelan_c") return editionC();
  if (program == "ortelan_3d") return edition3d();
  Rcpp::stop("unknown program " + program);
}

double rReal(long double x) { return x != x ? NA_REAL : static_cast<double>(x); }

// The power table's rows, as formatPowerTable writes them.
template <class Real>
Rcpp::List powerColumns(const PowerAnalysis& a) {
  const PowerResults& r = a.results;
  std::vector<double> target, alpha, ne, generations, expected, theta, replicates, rejections, power, low, high;
  std::vector<std::string> test, name;
  Rcpp::IntegerVector locus, unsettled;
  forEachPowerRow(r, [&](const PowerRow& row) {
    const PowerTarget& t = r.design.targets[row.target];
    const TargetTally& tally = r.tallies[row.target];
    const PowerEstimate<Real> p = powerEstimate<Real>(row.rejections, tally.replicates);
    target.push_back(t.fst);
    test.emplace_back(row.test);
    alpha.push_back(r.tests.alphas[row.level]);
    const int number = row.total ? NA_INTEGER : r.design.loci[row.place].locus;
    locus.push_back(number);
    name.push_back(row.total ? std::string("TOTAL")
                             : tableName(a.data.LOCUSNAME[static_cast<std::size_t>(number)]));
    ne.push_back(static_cast<double>(r.design.ne));
    generations.push_back(static_cast<double>(t.generations));
    expected.push_back(t.expected);
    theta.push_back(rReal(tally.meanTheta<Real>()));
    replicates.push_back(static_cast<double>(tally.replicates));
    rejections.push_back(static_cast<double>(row.rejections));
    power.push_back(rReal(p.power));
    low.push_back(rReal(p.low));
    high.push_back(rReal(p.high));
    unsettled.push_back(row.unsettled ? static_cast<int>(*row.unsettled) : NA_INTEGER);
  });
  Rcpp::List out = Rcpp::List::create(
      _["fst_target"] = target, _["test"] = test, _["alpha"] = alpha, _["locus"] = locus, _["name"] = name,
      _["ne"] = ne, _["generations"] = generations, _["fst_expected"] = expected, _["theta"] = theta,
      _["replicates"] = replicates, _["rejections"] = rejections, _["power"] = power, _["power_low"] = low,
      _["power_high"] = high, _["unsettled"] = unsettled);
  return out;
}

template <class Real>
Rcpp::List powerRun(const Edition& program, const PowerSettings& settings, RConsole& console, RWorkMeter& meter,
                    bool wantReport) {
  const Edition edition = scriptedEdition(program);
  Rcpp::List out;
  const std::optional<OneLineFault> f = faultOf([&] {
    const PowerAnalysis a = analysePower<Real>(edition, settings, console, &meter);
    meter.clear();
    Rcpp::RObject report;
    if (wantReport) {
      report = Rcpp::wrap(formatPowerReport<Real>(edition, powerHeading(edition, settings, a), a.results, a.data,
                                                  console.today().value_or(CivilDate{})));
    }
    out = Rcpp::List::create(_["columns"] = powerColumns<Real>(a), _["seed"] = std::to_string(a.seed),
                             _["report"] = report);
  });
  return f ? Rcpp::List::create(_["fault"] = f->message, _["status"] = f->status) : out;
}

}  // namespace
}  // namespace ortelan

// One power analysis of the data `file`. `options` holds the settings:
// fst, alpha (reals), ne, replicates (whole numbers), sizes (whole numbers,
// or NULL for the data's), range (two whole numbers, or NULL), decision_error,
// seed (a string of digits, or NULL), threads, loci (or NULL), test, exact,
// sampler, hits, samples (or NULL), dememorization, batches, iterations,
// popmap (a file name, a list of samples and populations, or NULL), region
// (or NULL), report (whether to make it), temporary_directory and progress.
// The result holds the columns of the power table, or `fault` and `status`;
// `written` what the core wrote on its console meanwhile.
// [[Rcpp::export(name = ".ortelan_power", rng = false)]]
Rcpp::List ortelanPower(std::string program, std::string file, Rcpp::List options) {
  using namespace ortelan;
  const Edition& edition = powerEdition(program);
  PowerSettings s;
  RunSettings& run = s.run;
  takeRunOptions(file, options, run);
  s.fst = Rcpp::as<std::vector<double>>(options["fst"]);
  s.alphas = Rcpp::as<std::vector<double>>(options["alpha"]);
  s.ne = static_cast<std::int64_t>(Rcpp::as<double>(options["ne"]));
  s.replicates = static_cast<std::int64_t>(Rcpp::as<double>(options["replicates"]));
  s.decisionError = Rcpp::as<double>(options["decision_error"]);
  if (!Rf_isNull(options["sizes"])) {
    s.sizes.emplace();
    for (double n : Rcpp::as<std::vector<double>>(options["sizes"])) s.sizes->push_back(static_cast<std::int64_t>(n));
  }
  if (!Rf_isNull(options["range"])) {
    const std::vector<double> range = Rcpp::as<std::vector<double>>(options["range"]);
    s.range = std::pair{static_cast<std::int64_t>(range.at(0)), static_cast<std::int64_t>(range.at(1))};
  }
  RConsole console(Rcpp::as<std::string>(options["temporary_directory"]));
  RWorkMeter meter(Rcpp::as<bool>(options["progress"]));
  const bool report = Rcpp::as<bool>(options["report"]);
  // ortelan_c computes in doubles, the others in 80-bit reals.
  Rcpp::List out = program == "ortelan_c" ? powerRun<double>(edition, s, console, meter, report)
                                          : powerRun<long double>(edition, s, console, meter, report);
  out["written"] = console.written();
  return out;
}
