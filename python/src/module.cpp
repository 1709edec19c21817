// The core bound for Python (the module ortelan._core): one run of a
// program's edition with the settings its command line takes, or a merge of
// shards' tables; the results come back as the tables' columns, for the
// package to make data frames of. Faults of the data and of the arguments
// come back as the programs' one-line messages, for the package to raise.
// The GIL is released while the core works.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/analysis.h"
#include "app/command_line.h"
#include "app/merge/merge_tables.h"
#include "app/merge/shard_table.h"
#include "app/outputs.h"
#include "app/power_analysis.h"
#include "app/power_command_line.h"
#include "app/progress_meter.h"
#include "apps/editions.h"
#include "genotype_frame.h"
#include "python_console.h"
#include "report/hierarchy_table.h"
#include "report/pairs_table.h"
#include "report/power_report.h"
#include "report/power_table.h"
#include "report/results_table.h"
#include "report/outlier_note.h"
#include "report/windows_table.h"
#include "report/writefinal.h"
#include "table_columns.h"

namespace py = pybind11;

namespace ortelan {
namespace {

const Edition& programEdition(const std::string& program) {
  if (program == "ortelan_3d") return edition3d();
  if (program == "ortelan_2d") return edition2d();
  if (program == "ortelan_c") return editionC();
  throw py::value_error("unknown program " + program);
}

// What the outlier test found, beside its columns.
struct OutlierFit {
  double df = 0, fBackground = 0;
  std::size_t candidates = 0, trimmed = 0, standingOut = 0;
  std::string line;
};

// What a run or a merge hands back, read while the GIL is released.
struct Results {
  std::uint64_t seed = 0;
  std::string title;
  long individuals = 0;
  std::vector<std::string> populations;
  int lociInData = 0;
  std::optional<TableColumns> loci;
  std::optional<TableColumns> pairs;
  std::optional<TableColumns> windows;
  std::optional<TableColumns> hierarchy;
  std::optional<OutlierFit> outlierFit;
  std::optional<std::string> report;
};

template <class Real>
void describeData(Results& out, const Analysis<Real>& analysis) {
  const RunState<Real>& s = analysis.state;
  out.seed = analysis.seed;
  out.title = s.TITLE_LINE;
  out.individuals = s.TOTNUMBINDIVIDUALS;
  out.lociInData = s.NUMBOFLOCI;
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) out.populations.push_back(populationLabel(s, pop));
}

// The results table, with the outlier test's columns where it was made,
// and the windows table where there are windows.
template <class Real>
void readTables(Results& out, const TableHeading& heading, const Analysis<Real>& analysis) {
  const OutlierResults<Real>* outliers = analysis.outliers ? &*analysis.outliers : nullptr;
  const PermutationResults<Real>* permutations = analysis.permutations ? &*analysis.permutations : nullptr;
  out.loci = readTableColumns(formatResultsTable(heading, analysis.state, analysis.fstat, outliers, permutations));
  if (analysis.windows) out.windows = readTableColumns(formatWindowsTable(heading, *analysis.windows));
  if (analysis.outliers) {
    const OutlierResults<Real>& o = *analysis.outliers;
    out.outlierFit = OutlierFit{static_cast<double>(o.df), static_cast<double>(o.fbar), o.candidates, o.trimmed,
                                o.standingOut(), outlierLine(o)};
  }
}

template <class Real>
void analyseAndRead(const Edition& program, const RunSettings& settings, const GivenData* given, Console& console,
                    ProgressMeter* meter, bool wantReport, Results& out) {
  const Edition edition = scriptedEdition(program);
  Analysis<Real> analysis = analyse<Real>(edition, settings, console, meter, given);
  holdPairs(analysis);
  if (meter != nullptr) meter->clear();
  // The tables' first line, which records the settings, is not read back.
  TableHeading heading{edition.programName, edition.version, settings.dataFile, analysis.seed, settings.chain,
                       settings.test, settings.exact, settings.bootstrap};
  heading.permutations = settings.permutations;
  const PermutationResults<Real>* permutations = analysis.permutations ? &*analysis.permutations : nullptr;
  describeData(out, analysis);
  readTables(out, heading, analysis);
  if (analysis.pairs) {
    out.pairs =
        readTableColumns(formatPairsTable(heading, analysis.state, *analysis.pairs, analysis.fstat, permutations));
  }
  if (analysis.hierarchy) {
    out.hierarchy =
        readTableColumns(formatHierarchyTable(heading, analysis.state, analysis.hierarchy->rows, permutations));
  }
  if (wantReport) {
    out.report = scriptedReport(edition, analysis.state, console.today().value_or(CivilDate{}), settings.test,
                                analysis.outliers ? &*analysis.outliers : nullptr, permutations,
                                analysis.hierarchy ? &analysis.hierarchy->rows : nullptr,
                                analysis.groups ? &*analysis.groups : nullptr);
  }
}

template <class Real>
TableHeading mergeAndRead(const Edition& program, const std::vector<std::string>& paths, Console& console,
                          Results& out) {
  std::vector<ShardTable> shards;
  for (const std::string& path : paths) shards.push_back(readShardTable(path, program.programName));
  const MergedTables<Real> tables = mergeShardTables<Real>(program, shards, console);
  const TableHeading& h = tables.heading;
  describeData(out, tables.analysis);
  if (tables.hasResults) readTables(out, h, tables.analysis);
  const PermutationResults<Real>* permutations =
      tables.analysis.permutations ? &*tables.analysis.permutations : nullptr;
  if (tables.analysis.pairs) {
    out.pairs = readTableColumns(
        formatPairsTable(h, tables.pairsData, *tables.analysis.pairs, tables.analysis.fstat, permutations));
  }
  if (tables.analysis.hierarchy) {
    out.hierarchy = readTableColumns(
        formatHierarchyTable(h, tables.hierarchyData, tables.analysis.hierarchy->rows, permutations));
  }
  return h;
}

// The settings the shards share.
py::dict pythonSettings(const TableHeading& h) {
  py::dict settings;
  settings["data"] = h.input;
  settings["seed"] = h.seed;
  settings["dememorization"] = h.chain.dememorizations;
  settings["batches"] = h.chain.batches;
  settings["iterations"] = h.chain.iterationsPerBatch;
  settings["test"] = std::string(testName(h.test));
  settings["exact"] = std::string(exactModeName(h.exact));
  settings["sampler"] = std::string(samplerName(h.sampling.sampler));
  settings["hits"] = h.sampling.hits;
  settings["samples"] = h.sampling.samples ? py::object(py::int_(*h.sampling.samples)) : py::object(py::none());
  settings["windows"] = h.windows.empty() ? py::object(py::none()) : py::object(py::str(h.windows));
  settings["outliers"] = !h.outlierMinHe.empty();
  settings["outliers_min_he"] = h.outlierMinHe.empty() ? py::object(py::none())
                                                       : py::object(py::float_(std::stod(h.outlierMinHe)));
  settings["bootstrap"] = h.bootstrap;
  settings["popmap"] = h.popmap.empty() ? py::object(py::none()) : py::object(py::str(h.popmap));
  settings["groups"] = h.groups.empty() ? py::object(py::none()) : py::object(py::str(h.groups));
  settings["permutations"] = h.permutations;
  return settings;
}

// A column as NumPy holds it: reals, whole numbers with where they are
// missing, or text (None where missing), each distinct text made once.
py::tuple pythonColumn(const TableColumn& column) {
  py::object missing = py::none();
  if (column.kind != ColumnKind::Real) {
    py::array_t<bool> mask(static_cast<py::ssize_t>(column.missing.size()));
    bool* m = mask.mutable_data();
    for (std::size_t i = 0; i < column.missing.size(); ++i) m[i] = column.missing[i] != 0;
    missing = std::move(mask);
  }
  switch (column.kind) {
    case ColumnKind::Real:
      return py::make_tuple(column.name, py::array_t<double>(static_cast<py::ssize_t>(column.reals.size()),
                                                             column.reals.data()),
                            missing);
    case ColumnKind::Whole:
      return py::make_tuple(column.name, py::array_t<std::int64_t>(static_cast<py::ssize_t>(column.wholes.size()),
                                                                   column.wholes.data()),
                            missing);
    case ColumnKind::Text:
      break;
  }
  py::list texts(column.texts.size());
  py::dict made;
  for (std::size_t i = 0; i < column.texts.size(); ++i) {
    if (column.missing[i] != 0) {
      texts[i] = py::none();
      continue;
    }
    py::str text(column.texts[i]);
    py::object same = made.attr("setdefault")(text, text);
    texts[i] = same;
  }
  return py::make_tuple(column.name, texts, missing);
}

py::object pythonTable(const std::optional<TableColumns>& table) {
  if (!table) return py::none();
  py::list columns;
  for (const TableColumn& column : table->columns) columns.append(pythonColumn(column));
  return columns;
}

py::dict pythonResults(const Results& r) {
  py::dict out;
  out["seed"] = r.seed;
  out["title"] = r.title;
  out["individuals"] = r.individuals;
  out["populations"] = r.populations;
  out["loci_in_data"] = r.lociInData;
  out["loci"] = pythonTable(r.loci);
  out["pairs"] = pythonTable(r.pairs);
  out["windows"] = pythonTable(r.windows);
  out["hierarchy"] = pythonTable(r.hierarchy);
  if (r.outlierFit) {
    const OutlierFit& o = *r.outlierFit;
    py::dict fit;
    // NaN where there was no fit.
    fit["df"] = o.df;
    fit["f_background"] = o.fBackground;
    fit["candidates"] = o.candidates;
    fit["trimmed"] = o.trimmed;
    fit["standing_out"] = o.standingOut;
    fit["line"] = o.line;
    out["outlier_fit"] = fit;
  } else {
    out["outlier_fit"] = py::none();
  }
  out["report"] = r.report ? py::object(py::str(*r.report)) : py::object(py::none());
  return out;
}

py::dict pythonFault(const OneLineFault& fault, const std::string& written = {}) {
  py::dict out;
  out["fault"] = fault.message;
  out["status"] = fault.status;
  out["written"] = written;
  return out;
}

// The text of a usage error, without the program's name and the hint to --help.
std::string usageWhat(const std::string& text) {
  const std::size_t start = text.find(": error: ");
  const std::size_t from = start == std::string::npos ? 0 : start + 9;
  return text.substr(from, text.find('\n', from) - from);
}

GenotypeFrame frameOf(const py::dict& given, const Edition& edition) {
  GenotypeFrame frame;
  frame.title = given["title"].cast<std::string>();
  frame.name = given["name"].cast<std::string>();
  frame.individuals = given["individuals"].cast<std::vector<std::string>>();
  frame.population = given["population"].cast<std::vector<int>>();
  frame.populations = given["populations"].cast<std::vector<std::string>>();
  frame.loci = given["loci"].cast<std::vector<std::string>>();
  readGenotypeColumns(frame, given["columns"], edition.alleleDigits, given["missing"]);
  return frame;
}

// One run: `arguments` are the program's command line without the data
// file, which is `data` (for a data frame `frame`, its name in messages).
py::dict run(const std::string& programName, const std::string& data, std::vector<std::string> arguments,
             py::object frame, py::object popmap, bool wantReport, bool progress,
             const std::string& temporaryDirectory, py::object groups, bool hierarchy) {
  const Edition& program = programEdition(programName);
  arguments.push_back("--");
  arguments.push_back(data);
  const CommandLine line = parseCommandLine(program, arguments);
  if (!line.settings) return pythonFault(OneLineFault{usageWhat(line.err), kUsageStatus});
  RunSettings settings = *line.settings;
  if (!popmap.is_none()) settings.popmapEntries = popmap.cast<std::vector<std::pair<std::string, std::string>>>();
  if (!groups.is_none()) settings.groupEntries = groups.cast<std::vector<std::pair<std::string, std::string>>>();
  settings.hierarchy = settings.hierarchy || hierarchy;

  PythonConsole console(temporaryDirectory);
  std::optional<GivenData> given;
  if (!frame.is_none()) {
    const std::optional<OneLineFault> fault = faultOf([&] { given = givenDataOf(frameOf(frame, program)); });
    if (fault) return pythonFault(*fault);
  }
  PythonStderr stderrConsole(console);
  std::optional<ProgressMeter> meter;
  if (progress) meter.emplace(stderrConsole);
  Results results;
  std::optional<OneLineFault> fault;
  {
    py::gil_scoped_release released;
    fault = faultOf([&] {
      // ortelan_c computes in doubles, the others in 80-bit reals.
      if (&program == &editionC()) {
        analyseAndRead<double>(program, settings, given ? &*given : nullptr, console, meter ? &*meter : nullptr,
                               wantReport, results);
      } else {
        analyseAndRead<long double>(program, settings, given ? &*given : nullptr, console,
                                    meter ? &*meter : nullptr, wantReport, results);
      }
    });
    if (fault && meter) meter->clear();
  }
  console.raiseIfInterrupted();
  py::dict out = fault ? pythonFault(*fault) : pythonResults(results);
  out["written"] = console.written();
  return out;
}

// The power table without the lines of its theta sums, which a merge
// needs and a data frame does not.
std::string withoutThetaLines(const std::string& table) {
  const std::size_t at = table.find("\r\n# theta ");
  return at == std::string::npos ? table : table.substr(0, at + 2);
}

// What a power analysis hands back, read while the GIL is released.
struct PowerOut {
  std::uint64_t seed = 0;
  std::optional<TableColumns> table;
  std::optional<std::string> report;
};

template <class Real>
void analysePowerAndRead(const Edition& program, const PowerSettings& settings, Console& console,
                         ProgressMeter* meter, bool wantReport, PowerOut& out) {
  const Edition edition = scriptedEdition(program);
  const PowerAnalysis analysis = analysePower<Real>(edition, settings, console, meter);
  if (meter != nullptr) meter->clear();
  const PowerHeading heading = powerHeading(edition, settings, analysis);
  out.seed = analysis.seed;
  out.table = readTableColumns(withoutThetaLines(formatPowerTable<Real>(heading, analysis.results, analysis.data)));
  if (wantReport) {
    out.report = formatPowerReport<Real>(edition, heading, analysis.results, analysis.data,
                                         console.today().value_or(CivilDate{}));
  }
}

// One power analysis: `arguments` are the command line of `power` without
// the data file, which is `data`.
py::dict power(const std::string& programName, const std::string& data, std::vector<std::string> arguments,
               py::object popmap, bool wantReport, bool progress, const std::string& temporaryDirectory) {
  const Edition& program = programEdition(programName);
  arguments.push_back("--");
  arguments.push_back(data);
  const PowerCommandLine line = parsePowerCommandLine(program, arguments);
  if (!line.settings) return pythonFault(OneLineFault{usageWhat(line.err), kUsageStatus});
  PowerSettings settings = *line.settings;
  if (!popmap.is_none()) settings.run.popmapEntries = popmap.cast<std::vector<std::pair<std::string, std::string>>>();
  PythonConsole console(temporaryDirectory);
  PythonStderr stderrConsole(console);
  std::optional<ProgressMeter> meter;
  if (progress) meter.emplace(stderrConsole);
  PowerOut result;
  std::optional<OneLineFault> fault;
  {
    py::gil_scoped_release released;
    fault = faultOf([&] {
      // ortelan_c computes in doubles, the others in 80-bit reals.
      if (&program == &editionC()) {
        analysePowerAndRead<double>(program, settings, console, meter ? &*meter : nullptr, wantReport, result);
      } else {
        analysePowerAndRead<long double>(program, settings, console, meter ? &*meter : nullptr, wantReport, result);
      }
    });
    if (fault && meter) meter->clear();
  }
  console.raiseIfInterrupted();
  py::dict out;
  if (fault) {
    out = pythonFault(*fault);
  } else {
    out["seed"] = result.seed;
    out["table"] = pythonTable(result.table);
    out["report"] = result.report ? py::object(py::str(*result.report)) : py::object(py::none());
  }
  out["written"] = console.written();
  return out;
}

py::dict merge(const std::string& programName, const std::vector<std::string>& paths,
               const std::string& temporaryDirectory) {
  const Edition& program = programEdition(programName);
  PythonConsole console(temporaryDirectory);
  Results results;
  TableHeading heading;
  std::optional<OneLineFault> fault;
  {
    py::gil_scoped_release released;
    fault = faultOf([&] {
      heading = &program == &editionC() ? mergeAndRead<double>(program, paths, console, results)
                                         : mergeAndRead<long double>(program, paths, console, results);
    });
  }
  console.raiseIfInterrupted();
  py::dict out = fault ? pythonFault(*fault) : pythonResults(results);
  if (!fault) out["settings"] = pythonSettings(heading);
  out["written"] = console.written();
  return out;
}

// Why a file cannot be made at `path`; empty when it can.
std::string writableProblem(const std::string& path) { return Outputs::checkWritable(path); }

// Writes the files, each whole or none at all; the reason of a failure, or empty.
std::string writeFiles(const std::vector<std::pair<std::string, std::string>>& files) {
  Outputs outputs;
  for (const auto& [path, text] : files) outputs.add(path, text);
  PythonConsole console{std::string()};
  return outputs.commit(console);
}

}  // namespace
}  // namespace ortelan

PYBIND11_MODULE(_core, m) {
  m.doc() = "The Ortelan core: runs, merges and power analyses, their tables as columns";
  m.def("run", &ortelan::run, py::arg("program"), py::arg("data"), py::arg("arguments"), py::arg("frame"),
        py::arg("popmap"), py::arg("report"), py::arg("progress"), py::arg("temporary_directory"),
        py::arg("groups") = py::none(), py::arg("hierarchy") = false);
  m.def("merge", &ortelan::merge, py::arg("program"), py::arg("paths"), py::arg("temporary_directory"));
  m.def("power", &ortelan::power, py::arg("program"), py::arg("data"), py::arg("arguments"), py::arg("popmap"),
        py::arg("report"), py::arg("progress"), py::arg("temporary_directory"));
  m.def("writable_problem", &ortelan::writableProblem, py::arg("path"));
  m.def("write_files", &ortelan::writeFiles, py::arg("files"));
}
