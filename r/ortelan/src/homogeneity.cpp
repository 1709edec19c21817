// The entry from R: one run of the core with a program's edition, its
// results handed back as columns for R to make data frames of. Faults of
// the data come back as a message; R raises them, so that no R error
// jumps over the core's C++ frames.
#include <Rcpp.h>

#include <algorithm>
#include <charconv>
#include <new>
#include <string>
#include <vector>

#include "app/analysis.h"
#include "apps/editions.h"
#include "r_console.h"
#include "r_work_meter.h"
#include "report/pairs_table.h"
#include "report/results_table.h"
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

// The listed loci as ranges of consecutive numbers.
LociList lociList(const Rcpp::IntegerVector& loci) {
  std::vector<int> sorted(loci.begin(), loci.end());
  std::sort(sorted.begin(), sorted.end());
  LociList list;
  for (int locus : sorted) {
    if (!list.ranges.empty() && locus <= list.ranges.back().second + 1) {
      list.ranges.back().second = std::max(list.ranges.back().second, locus);
    } else {
      list.ranges.emplace_back(locus, locus);
    }
  }
  return list;
}

// The genind route's tables: counts[[locus]] is a populations x columns
// integer matrix, missing genes first.
GivenData givenData(const Rcpp::List& given) {
  GivenData data;
  data.title = Rcpp::as<std::string>(given["title"]);
  data.locusNames = Rcpp::as<std::vector<std::string>>(given["loci"]);
  data.populationLabels = Rcpp::as<std::vector<std::string>>(given["populations"]);
  const Rcpp::List counts = given["counts"];
  for (R_xlen_t locus = 0; locus < counts.size(); ++locus) {
    const Rcpp::IntegerMatrix table = counts[locus];
    std::vector<std::vector<int>> rows(static_cast<std::size_t>(table.nrow()));
    for (int pop = 0; pop < table.nrow(); ++pop) {
      for (int column = 0; column < table.ncol(); ++column) rows[static_cast<std::size_t>(pop)].push_back(table(pop, column));
    }
    data.counts.push_back(std::move(rows));
  }
  return data;
}

template <class Real>
Rcpp::NumericVector column(const std::vector<Real>& values) {
  Rcpp::NumericVector out(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) out[static_cast<R_xlen_t>(i)] = static_cast<double>(values[i]);
  return out;
}

// The results table's rows (formatResultsTable): the loci of the run, NA
// where a locus is not tested; and the TOTAL row, NA over no tested locus.
template <class Real>
Rcpp::List lociColumns(const RunState<Real>& s) {
  std::vector<int> number, alleles;
  std::vector<std::string> name;
  std::vector<double> p, se, chi2, df, pChi2;
  for (int I = 1; I <= s.NUMBOFLOCI; ++I) {
    if (!s.isInRun(I)) continue;
    number.push_back(I);
    name.push_back(tableName(s.LOCUSNAME[I]));
    alleles.push_back(s.ALLELES_PER_LOCUS[I]);
    const bool tested = s.isTested(I);
    const LocusValues<Real> v = tested ? locusValues(s, I) : LocusValues<Real>{};
    auto value = [&](Real x) { return tested ? static_cast<double>(x) : NA_REAL; };
    p.push_back(value(v.pFisher));
    se.push_back(value(v.seFisher));
    chi2.push_back(value(v.chi2));
    df.push_back(value(v.df));
    pChi2.push_back(value(v.pChi2));
  }
  return Rcpp::List::create(_["locus"] = number, _["name"] = name, _["alleles"] = alleles, _["p_fisher"] = p,
                            _["se_fisher"] = se, _["chi2"] = chi2, _["df"] = df, _["p_chi2"] = pChi2);
}

template <class Real>
Rcpp::List totalColumns(const RunState<Real>& s) {
  bool anyTested = false;
  for (int I = 1; I <= s.NUMBOFLOCI; ++I) anyTested = anyTested || s.isTested(I);
  const TotalValues<Real> t = anyTested ? totalValues(s) : TotalValues<Real>{};
  auto value = [&](Real v) { return anyTested ? static_cast<double>(v) : NA_REAL; };
  return Rcpp::List::create(_["p_fisher"] = value(t.pFisher), _["chi2"] = value(t.chi2), _["df"] = value(t.df),
                            _["p_chi2"] = value(t.pChi2));
}

// The pairs table's rows (formatPairsTable): per pair of populations, its
// loci and then its TOTAL row, whose locus is NA and name "TOTAL".
template <class Real>
Rcpp::List pairColumns(const DataSummary& data, const PairResults<Real>& pairs) {
  std::vector<int> popA, popB, locusNumber, alleles;
  std::vector<std::string> labelA, labelB, name;
  std::vector<double> p, se, chi2, df, pChi2;
  auto row = [&](int a, int b, int locus, const std::string& locusName, int columns, bool tested, double rp,
                 double rse, double rchi2, double rdf, double rpChi2) {
    popA.push_back(a);
    popB.push_back(b);
    labelA.push_back(populationLabel(data, a));
    labelB.push_back(populationLabel(data, b));
    locusNumber.push_back(locus);
    name.push_back(locusName);
    alleles.push_back(columns);
    p.push_back(tested ? rp : NA_REAL);
    se.push_back(tested ? rse : NA_REAL);
    chi2.push_back(tested ? rchi2 : NA_REAL);
    df.push_back(tested ? rdf : NA_REAL);
    pChi2.push_back(tested ? rpChi2 : NA_REAL);
  };
  long pair = 0;
  for (int a = 1; a < pairs.populations; ++a) {
    for (int b = a + 1; b <= pairs.populations; ++b, ++pair) {
      for (std::size_t i = 0; i < pairs.loci.size(); ++i) {
        const int locus = pairs.loci[i];
        const PairLocusResult<Real>& r = pairs.at(pair, i);
        const LocusValues<Real> v = r.tested ? locusValues(r) : LocusValues<Real>{};
        row(a, b, locus, tableName(data.LOCUSNAME[static_cast<std::size_t>(locus)]), r.alleles, r.tested,
            static_cast<double>(v.pFisher), static_cast<double>(v.seFisher), static_cast<double>(v.chi2),
            static_cast<double>(v.df), static_cast<double>(v.pChi2));
      }
      const auto& t = pairs.totals[static_cast<std::size_t>(pair)];
      const TotalValues<Real> v = t ? totalValues(*t) : TotalValues<Real>{};
      row(a, b, NA_INTEGER, "TOTAL", NA_INTEGER, t.has_value(), static_cast<double>(v.pFisher), NA_REAL,
          static_cast<double>(v.chi2), static_cast<double>(v.df), static_cast<double>(v.pChi2));
    }
  }
  return Rcpp::List::create(_["pop_a"] = popA, _["pop_b"] = popB, _["label_a"] = labelA, _["label_b"] = labelB,
                            _["locus"] = locusNumber, _["name"] = name, _["alleles"] = alleles, _["p_fisher"] = p,
                            _["se_fisher"] = se, _["chi2"] = chi2, _["df"] = df, _["p_chi2"] = pChi2);
}

template <class Real>
Rcpp::List results(const Edition& edition, const Analysis<Real>& analysis, Console& console, bool wantReport) {
  const RunState<Real>& s = analysis.state;
  std::vector<std::string> labels;
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) labels.push_back(populationLabel(s, pop));
  Rcpp::RObject report;
  if (wantReport) report = Rcpp::wrap(formatReport(edition, s, console.today().value_or(CivilDate{})));
  Rcpp::RObject pairs;
  if (analysis.pairs) pairs = pairColumns(s, *analysis.pairs);
  return Rcpp::List::create(
      _["seed"] = std::to_string(analysis.seed), _["title"] = s.TITLE_LINE,
      _["individuals"] = static_cast<int>(s.TOTNUMBINDIVIDUALS), _["populations"] = labels,
      _["loci_in_data"] = s.NUMBOFLOCI, _["loci"] = lociColumns(s), _["total"] = totalColumns(s), _["pairs"] = pairs,
      _["report"] = report);
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
    const Analysis<Real> analysis = analyse<Real>(edition, settings, console, &meter, given);
    meter.clear();
    out = results(edition, analysis, console, wantReport);
  });
  return f ? fault(f->message, f->status) : out;
}

}  // namespace
}  // namespace ortelan

// One run. `file` is the data file, or with `given` (the genind route's
// tables) the name of the data in messages and the report. `seed` is a
// string of digits or NULL, `loci` locus numbers or NULL. The result holds either
// the columns of the results or `fault` and `status`; `written` holds what
// the core wrote on its console meanwhile.
// [[Rcpp::export(name = ".ortelan_run", rng = false)]]
Rcpp::List ortelanRun(std::string program, std::string file, Rcpp::Nullable<Rcpp::List> given, int dememorization,
                      int batches, int iterations, Rcpp::Nullable<Rcpp::CharacterVector> seed,
                      Rcpp::Nullable<Rcpp::IntegerVector> loci, int threads, bool pairs, bool report,
                      std::string temporaryDirectory, bool progress) {
  using namespace ortelan;
  const Edition& edition = programEdition(program);
  RunSettings settings;
  settings.dataFile = file;
  settings.chain = {dememorization, batches, iterations};
  if (seed.isNotNull()) {
    const std::string digits = Rcpp::as<std::string>(seed.get());
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
      Rcpp::stop("the seed must be a whole number from 0 to 18446744073709551615");
    }
    settings.seed = value;
  }
  if (loci.isNotNull()) settings.loci = lociList(Rcpp::IntegerVector(loci.get()));
  settings.threads = threads;
  settings.pairs = pairs;
  std::optional<GivenData> tables;
  if (given.isNotNull()) tables = givenData(Rcpp::List(given.get()));

  RConsole console(temporaryDirectory);
  RWorkMeter meter(progress);
  // ortelan_c computes in doubles, the others in 80-bit reals.
  Rcpp::List out = program == "ortelan_c"
                       ? run<double>(edition, settings, tables ? &*tables : nullptr, console, meter, report)
                       : run<long double>(edition, settings, tables ? &*tables : nullptr, console, meter, report);
  out["written"] = console.written();
  return out;
}
