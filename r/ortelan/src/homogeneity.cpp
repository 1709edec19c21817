// The entry from R: one run of the core with a program's edition, its
// results handed back as columns for R to make data frames of. Faults of
// the data come back as a message; R raises them, so that no R error
// jumps over the core's C++ frames.
#include <Rcpp.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/analysis.h"
#include "apps/editions.h"
#include "r_console.h"
#include "run_options.h"
#include "r_work_meter.h"
#include "app/merge/merge_tables.h"
#include "app/merge/shard_table.h"
#include "report/hierarchy_table.h"
#include "report/outlier_note.h"
#include "report/pairs_table.h"
#include "report/results_table.h"
#include "report/windows_table.h"
#include "report/table_values.h"
#include "report/writefinal.h"
#include "run/failure.h"

namespace ortelan {
namespace {

using Rcpp::_;

const Edition& programEdition(const std::string& program) {
  if (program == "ortelan_2d") return edition2d();
  if (program == "ortelan_c") return editionC();
  if (program == "ortelan_3d") return edition3d();
  Rcpp::stop("unknown program " + program);
}

std::vector<std::vector<int>> rowsOf(const Rcpp::IntegerMatrix& table) {
  std::vector<std::vector<int>> rows(static_cast<std::size_t>(table.nrow()));
  for (int pop = 0; pop < table.nrow(); ++pop) {
    for (int column = 0; column < table.ncol(); ++column) rows[static_cast<std::size_t>(pop)].push_back(table(pop, column));
  }
  return rows;
}

// The genind route's tables: counts[[locus]] is a populations x columns
// integer matrix, missing genes first; for the genotypic test,
// genotypes[[locus]] holds the populations x genotypes matrix `counts` and
// each genotype's allele columns `first` and `second` (from 1).
GivenData givenData(const Rcpp::List& given) {
  GivenData data;
  data.title = Rcpp::as<std::string>(given["title"]);
  data.locusNames = Rcpp::as<std::vector<std::string>>(given["loci"]);
  data.populationLabels = Rcpp::as<std::vector<std::string>>(given["populations"]);
  const Rcpp::List counts = given["counts"];
  for (R_xlen_t locus = 0; locus < counts.size(); ++locus) data.counts.push_back(rowsOf(counts[locus]));
  if (given.containsElementNamed("genotypes") && !Rf_isNull(given["genotypes"])) {
    const Rcpp::List genotypes = given["genotypes"];
    for (R_xlen_t locus = 0; locus < genotypes.size(); ++locus) {
      const Rcpp::List one = genotypes[locus];
      GivenGenotypes table;
      table.counts = rowsOf(one["counts"]);
      const std::vector<int> first = Rcpp::as<std::vector<int>>(one["first"]);
      const std::vector<int> second = Rcpp::as<std::vector<int>>(one["second"]);
      for (std::size_t g = 0; g < first.size() && g < second.size(); ++g) table.alleles.emplace_back(first[g], second[g]);
      data.genotypes.push_back(std::move(table));
    }
  }
  if (given.containsElementNamed("individuals") && !Rf_isNull(given["individuals"])) {
    const Rcpp::List individuals = given["individuals"];
    GivenIndividuals& into = data.individuals.emplace();
    into.population = Rcpp::as<std::vector<int>>(individuals["population"]);
    const Rcpp::List genes = individuals["genes"];
    for (R_xlen_t locus = 0; locus < genes.size(); ++locus) {
      const std::vector<int> columns = Rcpp::as<std::vector<int>>(genes[locus]);
      std::vector<std::uint8_t>& into_locus = into.genes.emplace_back();
      for (int column : columns) into_locus.push_back(static_cast<std::uint8_t>(std::clamp(column, 0, 255)));
    }
  }
  return data;
}

// Columns under their names, for a data frame.
class Columns {
 public:
  template <class Values>
  void add(const std::string& name, const Values& values) {
    names_.push_back(name);
    columns_.emplace_back(Rcpp::wrap(values));  // an RObject keeps it from R's collector
  }
  Rcpp::List list() const {
    Rcpp::List out(columns_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i) out[static_cast<R_xlen_t>(i)] = columns_[i];
    out.attr("names") = Rcpp::wrap(names_);
    return out;
  }

 private:
  std::vector<std::string> names_;
  std::vector<Rcpp::RObject> columns_;
};

template <class Real>
constexpr Real kNoValue = std::numeric_limits<Real>::quiet_NaN();

// A real as R's double; NaN (no value) is NA.
template <class Real>
double rValue(Real x) {
  return x != x ? NA_REAL : static_cast<double>(x);
}

// A locus's or a total's numbers as R's doubles, NA where not tested; the
// limits on its P-value; and where the P-value came from, "exact",
// "sampled" or "chain" (NA for a total, and without an exact test).
struct Numbers {
  std::vector<double> p, se, low, high, statistic, df, pStatistic;
  std::vector<std::optional<PMethod>> method;  // none: NA

  template <class Real>
  void add(bool tested, Real rp, Real rse, Real rStatistic, Real rDf, Real rpStatistic,
           std::optional<PMethod> from = std::nullopt, Real rLow = kNoValue<Real>, Real rHigh = kNoValue<Real>) {
    auto value = [tested](Real x) { return tested ? rValue(x) : NA_REAL; };
    p.push_back(value(rp));
    se.push_back(value(rse));
    low.push_back(value(rLow));
    high.push_back(value(rHigh));
    statistic.push_back(value(rStatistic));
    df.push_back(value(rDf));
    pStatistic.push_back(value(rpStatistic));
    method.push_back(tested ? from : std::nullopt);
  }
  template <class Real>
  void add(bool tested, const LocusValues<Real>& v) {
    add(tested, v.pFisher, v.seFisher, v.chi2, v.df, v.pChi2,
        v.pFisher != v.pFisher ? std::nullopt : std::optional<PMethod>(v.method), v.pLow, v.pHigh);
  }
  // The columns named after the test (resultColumnNames), from p_fisher or
  // p_exact on; a total's have no SE, no limits and no method.
  void addTo(Columns& columns, ExactTest test, bool perLocus = true) const {
    const std::vector<std::string> names = resultColumnNames(test);
    columns.add(names[1], p);
    if (perLocus) {
      columns.add(names[2], se);
      columns.add(names[3], low);
      columns.add(names[4], high);
      Rcpp::CharacterVector methods(method.size());
      for (std::size_t i = 0; i < method.size(); ++i) {
        methods[static_cast<R_xlen_t>(i)] =
            method[i] ? Rcpp::String(methodName(*method[i])) : Rcpp::String(NA_STRING);
      }
      columns.add(names[5], methods);
    }
    columns.add(names[6], statistic);
    columns.add(names[7], df);
    columns.add(names[8], pStatistic);
  }
};

// The F-statistics of rows, as the tables' last columns: fis, fst, fit,
// fst_num, fst_den, and with `limits` fst_low and fst_high.
struct FNumbers {
  std::vector<double> fis, fst, fit, num, den, low, high;

  template <class Real>
  void add(const FValues<Real>& v, const std::optional<BootstrapLimits<Real>>& limits = std::nullopt) {
    fis.push_back(rValue(v.fis));
    fst.push_back(rValue(v.fst));
    fit.push_back(rValue(v.fit));
    num.push_back(rValue(v.num));
    den.push_back(rValue(v.den));
    low.push_back(limits ? static_cast<double>(limits->low) : NA_REAL);
    high.push_back(limits ? static_cast<double>(limits->high) : NA_REAL);
  }
  void addTo(Columns& columns, bool withLimits) const {
    columns.add("fis", fis);
    columns.add("fst", fst);
    columns.add("fit", fit);
    columns.add("fst_num", num);
    columns.add("fst_den", den);
    if (!withLimits) return;
    columns.add("fst_low", low);
    columns.add("fst_high", high);
  }
};

// The permutation test's columns of a TOTAL row (NA without one), as the
// tables name them.
struct PermutationNumbers {
  std::vector<double> g, p, low, high, made;

  template <class Real>
  void add(const PermutationOutcome<Real>* o) {
    g.push_back(o != nullptr ? static_cast<double>(gOfUnits<Real>(o->observed)) : NA_REAL);
    p.push_back(o != nullptr ? rValue(o->p.p) : NA_REAL);
    low.push_back(o != nullptr ? rValue(o->p.low) : NA_REAL);
    high.push_back(o != nullptr ? rValue(o->p.high) : NA_REAL);
    made.push_back(o != nullptr ? static_cast<double>(o->count.drawn) : NA_REAL);
  }
  void addTo(Columns& columns) const {
    const std::vector<double>* values[] = {&g, &p, &low, &high, &made};
    for (std::size_t k = 0; k < std::size(values); ++k) columns.add(kPermutationColumnNames[k], *values[k]);
  }
};

// Sites of VCF data: chrom and pos of the listed loci.
void addSites(Columns& columns, const DataSummary& data, const std::vector<int>& loci) {
  if (!data.hasSites()) return;
  std::vector<std::string> chrom;
  std::vector<double> pos;  // positions beyond 2^31 are whole doubles
  for (int locus : loci) {
    if (locus == NA_INTEGER) {
      chrom.push_back(std::string());
      pos.push_back(NA_REAL);
      continue;
    }
    chrom.push_back(tableName(data.sites[static_cast<std::size_t>(locus)].chrom));
    pos.push_back(static_cast<double>(data.sites[static_cast<std::size_t>(locus)].pos));
  }
  Rcpp::CharacterVector chromColumn = Rcpp::wrap(chrom);
  for (std::size_t i = 0; i < loci.size(); ++i) {
    if (loci[i] == NA_INTEGER) chromColumn[static_cast<R_xlen_t>(i)] = NA_STRING;
  }
  columns.add("chrom", chromColumn);
  columns.add("pos", pos);
}

// The results table's rows (formatResultsTable): the loci of the run, NA
// where a locus is not tested; and the TOTAL row, NA over no tested locus.
template <class Real>
Rcpp::List lociColumns(const RunState<Real>& s, const FStatistics<Real>& f, ExactTest test,
                       const std::optional<OutlierResults<Real>>& outliers) {
  std::vector<int> number, counts;
  std::vector<std::string> name;
  Numbers numbers;
  FNumbers fNumbers;
  for (int I = 1; I <= s.NUMBOFLOCI; ++I) {
    if (!s.isInRun(I)) continue;
    number.push_back(I);
    name.push_back(tableName(s.LOCUSNAME[I]));
    counts.push_back(s.ALLELES_PER_LOCUS[I]);
    const bool tested = s.isTested(I);
    const LocusValues<Real> v = tested ? locusValues(s, I, test) : LocusValues<Real>{};
    numbers.add(tested, v);
    fNumbers.add(f.loci[static_cast<std::size_t>(I)]);
  }
  Columns columns;
  columns.add("locus", number);
  columns.add("name", name);
  addSites(columns, s, number);
  columns.add(resultColumnNames(test)[0], counts);
  numbers.addTo(columns, test);
  fNumbers.addTo(columns, false);
  if (outliers) {
    // The outlier test's columns, as the results table ends its rows.
    const std::vector<Real>* values[] = {&outliers->he, &outliers->f, &outliers->p, &outliers->q};
    for (std::size_t k = 0; k < std::size(values); ++k) {
      std::vector<double> column;
      for (int I : number) column.push_back(rValue((*values[k])[static_cast<std::size_t>(I)]));
      columns.add(kOutlierColumnNames[k], column);
    }
  }
  return columns.list();
}

// The windows table's rows (formatWindowsTable).
template <class Real>
Rcpp::List windowColumns(const std::vector<WindowFst<Real>>& windows) {
  std::vector<std::string> chrom;
  std::vector<double> start, end, fst, num, den, mean;  // positions beyond 2^31 are whole doubles
  std::vector<int> sites;
  for (const WindowFst<Real>& w : windows) {
    chrom.push_back(tableName(w.chrom));
    start.push_back(static_cast<double>(w.start));
    end.push_back(static_cast<double>(w.end));
    sites.push_back(static_cast<int>(w.sites));
    fst.push_back(rValue(w.fst));
    num.push_back(rValue(w.num));
    den.push_back(rValue(w.den));
    mean.push_back(rValue(w.meanFst));
  }
  // Named as the windows table names its columns.
  const char* const* name = kWindowColumnNames;
  Columns columns;
  columns.add(*name++, chrom);
  columns.add(*name++, start);
  columns.add(*name++, end);
  columns.add(*name++, sites);
  for (const std::vector<double>* values : {&fst, &num, &den, &mean}) columns.add(*name++, *values);
  return columns.list();
}

// The outlier test's fit: the first line's figures, its counts and the
// report's line.
template <class Real>
Rcpp::List outlierFit(const OutlierResults<Real>& o) {
  return Rcpp::List::create(_["df"] = rValue(o.df), _["f_background"] = rValue(o.fbar),
                            _["candidates"] = static_cast<double>(o.candidates),
                            _["trimmed"] = static_cast<double>(o.trimmed),
                            _["standing_out"] = static_cast<double>(o.standingOut()), _["line"] = outlierLine(o));
}

template <class Real>
Rcpp::List totalColumns(const RunState<Real>& s, const FStatistics<Real>& f, ExactTest test,
                        const std::optional<PermutationResults<Real>>& permutations) {
  const bool anyTested = s.testedLoci() > 0;
  const TotalValues<Real> t = anyTested ? totalValues(s, test) : TotalValues<Real>{};
  Numbers numbers;
  numbers.add(anyTested, t.pFisher, Real(0), t.chi2, t.df, t.pChi2);
  FNumbers fNumbers;
  fNumbers.add(f.total, f.limits);
  Columns columns;
  numbers.addTo(columns, test, false);
  fNumbers.addTo(columns, true);
  if (permutations) {
    PermutationNumbers p;
    p.add(permutations->amongPopulations && anyTested ? &*permutations->amongPopulations : nullptr);
    p.addTo(columns);
  }
  return columns.list();
}

// The hierarchy table's rows (formatHierarchyTable): the loci of the run,
// then the TOTAL row, whose locus is NA and name "TOTAL".
template <class Real>
Rcpp::List hierarchyColumns(const DataSummary& data, const HierarchyRows<Real>& hierarchy,
                            const std::optional<PermutationResults<Real>>& permutations) {
  std::vector<int> number;
  std::vector<std::string> name;
  std::vector<std::vector<double>> values(std::size(kHierarchyColumnNames));
  HierarchySum<Real> sum;
  const auto add = [&](const HierarchyRow<Real>& row, const HierarchyF<Real>& f, const std::vector<Real>& p) {
    std::size_t k = 0;
    for (const auto* levels : {&row.ss, &row.df, &row.sigma}) {
      for (Real value : *levels) values[k++].push_back(rValue(value));
    }
    for (Real value : {f.ct, f.sc, f.st, f.is, f.it}) values[k++].push_back(rValue(value));
    for (Real value : p) values[k++].push_back(rValue(value));
  };
  const std::vector<Real> none(9, kNoValue<Real>);
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    if (!data.isInRun(I)) continue;
    const HierarchyRow<Real>& row = hierarchy.rows[static_cast<std::size_t>(I)];
    number.push_back(I);
    name.push_back(tableName(data.LOCUSNAME[static_cast<std::size_t>(I)]));
    add(row, hierarchyF(row), none);
    sum.add(row);
  }
  number.push_back(NA_INTEGER);
  name.push_back("TOTAL");
  add(sum.total(), sum.f(), hierarchyPValues(permutations ? &*permutations : nullptr));
  Columns columns;
  columns.add("locus", number);
  columns.add("name", name);
  addSites(columns, data, number);
  for (std::size_t k = 0; k < values.size(); ++k) columns.add(kHierarchyColumnNames[k], values[k]);
  return columns.list();
}

// The pairs table's rows (formatPairsTable): per pair of populations, its
// loci and then its TOTAL row, whose locus is NA and name "TOTAL".
template <class Real>
Rcpp::List pairColumns(const DataSummary& data, const PairResults<Real>& pairs, const FStatistics<Real>& f,
                       ExactTest test, const std::optional<PermutationResults<Real>>& permutations) {
  PermutationNumbers permuted;
  std::vector<int> popA, popB, locusNumber, counts;
  std::vector<std::string> labelA, labelB, name;
  Numbers numbers;
  FNumbers fNumbers;
  auto row = [&](int a, int b, int locus, const std::string& locusName, int columns) {
    popA.push_back(a);
    popB.push_back(b);
    labelA.push_back(populationLabel(data, a));
    labelB.push_back(populationLabel(data, b));
    locusNumber.push_back(locus);
    name.push_back(locusName);
    counts.push_back(columns);
  };
  long pair = 0;
  for (int a = 1; a < pairs.populations; ++a) {
    for (int b = a + 1; b <= pairs.populations; ++b, ++pair) {
      for (std::size_t i = 0; i < pairs.loci.size(); ++i) {
        const int locus = pairs.loci[i];
        const PairLocusResult<Real>& r = pairs.at(pair, i);
        const LocusValues<Real> v = r.tested ? locusValues(r, test) : LocusValues<Real>{};
        row(a, b, locus, tableName(data.LOCUSNAME[static_cast<std::size_t>(locus)]), r.alleles);
        numbers.add(r.tested, v);
        fNumbers.add(f.pairAt(pair, i));
        permuted.add<Real>(nullptr);
      }
      const auto& t = pairs.totals[static_cast<std::size_t>(pair)];
      const TotalValues<Real> v = t ? totalValues(*t, test) : TotalValues<Real>{};
      row(a, b, NA_INTEGER, "TOTAL", NA_INTEGER);
      numbers.add(t.has_value(), v.pFisher, Real(0), v.chi2, v.df, v.pChi2);
      numbers.se.back() = NA_REAL;
      fNumbers.add(f.pairTotals[static_cast<std::size_t>(pair)], f.pairLimits[static_cast<std::size_t>(pair)]);
      const bool made = permutations && static_cast<std::size_t>(pair) < permutations->pairs.size();
      permuted.add(made ? &permutations->pairs[static_cast<std::size_t>(pair)] : nullptr);
    }
  }
  Columns columns;
  columns.add("pop_a", popA);
  columns.add("pop_b", popB);
  columns.add("label_a", labelA);
  columns.add("label_b", labelB);
  columns.add("locus", locusNumber);
  columns.add("name", name);
  addSites(columns, data, locusNumber);
  columns.add(resultColumnNames(test)[0], counts);
  numbers.addTo(columns, test);
  fNumbers.addTo(columns, true);
  if (permutations) permuted.addTo(columns);
  return columns.list();
}

// `pairsData` names the pairs' loci and populations: the run's own state,
// or the pairs tables' in a merge.
template <class Real>
Rcpp::List results(const Edition& edition, const Analysis<Real>& analysis, Console& console, bool wantReport,
                   ExactTest test, const DataSummary& pairsData, const DataSummary* hierarchyData = nullptr) {
  const RunState<Real>& s = analysis.state;
  std::vector<std::string> labels;
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) labels.push_back(populationLabel(s, pop));
  Rcpp::RObject report;
  if (wantReport) {
    report = Rcpp::wrap(scriptedReport(edition, s, console.today().value_or(CivilDate{}), test,
                                       analysis.outliers ? &*analysis.outliers : nullptr,
                                       analysis.permutations ? &*analysis.permutations : nullptr,
                                       analysis.hierarchy ? &analysis.hierarchy->rows : nullptr,
                                       analysis.groups ? &*analysis.groups : nullptr));
  }
  Rcpp::RObject pairs;
  if (analysis.pairs) pairs = pairColumns(pairsData, *analysis.pairs, analysis.fstat, test, analysis.permutations);
  Rcpp::RObject hierarchy;
  if (analysis.hierarchy) {
    hierarchy = hierarchyColumns(hierarchyData != nullptr ? *hierarchyData : s, *analysis.hierarchy,
                                 analysis.permutations);
  }
  Rcpp::RObject windows, outliers;
  if (analysis.windows) windows = windowColumns(*analysis.windows);
  if (analysis.outliers) outliers = outlierFit(*analysis.outliers);
  return Rcpp::List::create(
      _["seed"] = std::to_string(analysis.seed), _["title"] = s.TITLE_LINE,
      _["individuals"] = static_cast<int>(s.TOTNUMBINDIVIDUALS), _["populations"] = labels,
      _["loci_in_data"] = s.NUMBOFLOCI, _["loci"] = lociColumns(s, analysis.fstat, test, analysis.outliers),
      _["total"] = totalColumns(s, analysis.fstat, test, analysis.permutations),
      _["pairs"] = pairs, _["report"] = report, _["windows"] = windows, _["outlier_fit"] = outliers,
      _["hierarchy"] = hierarchy);
}

Rcpp::List fault(const std::string& message, int status) {
  return Rcpp::List::create(_["fault"] = message, _["status"] = status);
}

template <class Real>
Rcpp::List run(const Edition& program, const RunSettings& settings, const GivenData* given, RConsole& console,
               RWorkMeter& meter, bool wantReport) {
  const Edition edition = scriptedEdition(program);
  Rcpp::List out;
  const std::optional<OneLineFault> f = faultOf([&] {
    Analysis<Real> analysis = analyse<Real>(edition, settings, console, &meter, given);
    holdPairs(analysis);
    meter.clear();
    out = results(edition, analysis, console, wantReport, settings.test, analysis.state);
  });
  return f ? fault(f->message, f->status) : out;
}

// The merge of the tables at `paths`, as the program's merge command makes
// it; the settings the shards share go with the columns.
template <class Real>
Rcpp::List merged(const Edition& program, const std::vector<std::string>& paths, RConsole& console) {
  const Edition edition = scriptedEdition(program);
  Rcpp::List out;
  const std::optional<OneLineFault> f = faultOf([&] {
    std::vector<ShardTable> shards;
    for (const std::string& path : paths) shards.push_back(readShardTable(path, program.programName));
    const MergedTables<Real> tables = mergeShardTables<Real>(program, shards, console);
    const TableHeading& h = tables.heading;
    out = results(edition, tables.analysis, console, false, h.test, tables.pairsData, &tables.hierarchyData);
    out["has_results"] = tables.hasResults;
    out["settings"] = Rcpp::List::create(
        _["file"] = h.input, _["seed"] = std::to_string(h.seed), _["dememorization"] = h.chain.dememorizations,
        _["batches"] = h.chain.batches, _["iterations"] = h.chain.iterationsPerBatch,
        _["test"] = std::string(testName(h.test)), _["exact"] = std::string(exactModeName(h.exact)),
        _["sampler"] = std::string(samplerName(h.sampling.sampler)), _["hits"] = static_cast<double>(h.sampling.hits),
        _["samples"] = h.sampling.samples ? Rcpp::RObject(Rcpp::wrap(static_cast<double>(*h.sampling.samples)))
                                          : Rcpp::RObject(Rcpp::wrap("auto")),
        _["bootstrap"] = static_cast<double>(h.bootstrap), _["popmap"] = h.popmap, _["windows"] = h.windows,
        _["outliers_min_he"] = h.outlierMinHe, _["permutations"] = static_cast<double>(h.permutations),
        _["groups"] = h.groups);
  });
  return f ? fault(f->message, f->status) : out;
}

}  // namespace
}  // namespace ortelan

// The merge of the tables `files` of the shards of one scan, written by
// `program`: the columns of the results as a run over all the data gives
// them, and the settings the shards share; or `fault` and `status`.
// [[Rcpp::export(name = ".ortelan_merge", rng = false)]]
Rcpp::List ortelanMerge(std::string program, std::vector<std::string> files, std::string temporaryDirectory) {
  using namespace ortelan;
  const Edition& edition = programEdition(program);
  RConsole console(temporaryDirectory);
  Rcpp::List out = program == "ortelan_c" ? merged<double>(edition, files, console)
                                          : merged<long double>(edition, files, console);
  out["written"] = console.written();
  return out;
}

// One run. `file` is the data file, or with `given` (the genind route's
// tables) the name of the data in messages and the report. `options` holds
// the settings: dememorization, batches, iterations (whole numbers), seed
// (a string of digits, or NULL), loci (locus numbers, or NULL), threads,
// pairs, report (whether to make it), test (its name), exact ("auto" or
// "never"), sampler ("independent" or "chain"), hits (a whole number),
// samples (a whole number, or NULL for as many as the walk's cost), bootstrap
// (its replicates, 0 for none), popmap (a file
// name, a list of samples and populations, or NULL), region (a string, or
// NULL), windows (its size and step, or NULL), outliers (whether to make
// the outlier test), outliers_min_he (its floor of He),
// temporary_directory and progress. The result holds either the
// columns of the results or `fault` and `status`; `written` holds what the
// core wrote on its console meanwhile.
// [[Rcpp::export(name = ".ortelan_run", rng = false)]]
Rcpp::List ortelanRun(std::string program, std::string file, Rcpp::Nullable<Rcpp::List> given, Rcpp::List options) {
  using namespace ortelan;
  const Edition& edition = programEdition(program);
  RunSettings settings;
  takeRunOptions(file, options, settings);
  settings.pairs = Rcpp::as<bool>(options["pairs"]);
  settings.bootstrap = Rcpp::as<long>(options["bootstrap"]);
  const bool report = Rcpp::as<bool>(options["report"]);
  if (!Rf_isNull(options["windows"])) {
    const std::vector<double> layout = Rcpp::as<std::vector<double>>(options["windows"]);
    settings.windows = WindowLayout{static_cast<std::int64_t>(layout.at(0)), static_cast<std::int64_t>(layout.at(1))};
  }
  settings.outliers = Rcpp::as<bool>(options["outliers"]);
  settings.outliersMinHe = Rcpp::as<double>(options["outliers_min_he"]);
  const Rcpp::RObject groups = options["groups"];
  if (Rf_isString(groups)) settings.groupsPath = Rcpp::as<std::string>(groups);
  if (TYPEOF(groups) == VECSXP) {
    const Rcpp::List pairs(groups);
    const std::vector<std::string> populations = Rcpp::as<std::vector<std::string>>(pairs[0]);
    const std::vector<std::string> names = Rcpp::as<std::vector<std::string>>(pairs[1]);
    settings.groupEntries.emplace();
    for (std::size_t i = 0; i < populations.size() && i < names.size(); ++i) {
      settings.groupEntries->emplace_back(populations[i], names[i]);
    }
  }
  settings.hierarchy = Rcpp::as<bool>(options["hierarchy"]);
  settings.permutations = static_cast<long>(Rcpp::as<double>(options["permutations"]));
  std::optional<GivenData> tables;
  if (given.isNotNull()) tables = givenData(Rcpp::List(given.get()));

  RConsole console(Rcpp::as<std::string>(options["temporary_directory"]));
  RWorkMeter meter(Rcpp::as<bool>(options["progress"]));
  // ortelan_c computes in doubles, the others in 80-bit reals.
  Rcpp::List out = program == "ortelan_c"
                       ? run<double>(edition, settings, tables ? &*tables : nullptr, console, meter, report)
                       : run<long double>(edition, settings, tables ? &*tables : nullptr, console, meter, report);
  out["written"] = console.written();
  return out;
}
