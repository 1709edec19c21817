// The results table of a scripted run: tab-separated, one row per locus in
// the run and a row of totals, with every number at full precision, for R
// (read.delim(comment.char = "#")) and spreadsheets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fstat/bootstrap.h"
#include "fstat/do_fstat.h"
#include "fstat/do_outliers.h"
#include "fstat/f_values.h"
#include "permutation/do_permutations.h"
#include "report/table_values.h"
#include "run/edition.h"
#include "run/run_state.h"

namespace ortelan {

// What the table's first line records, so that any run can be repeated.
struct TableHeading {
  std::string_view program;
  std::string_view version;
  std::string input;
  std::uint64_t seed = 0;
  ChainSettings chain;
  ExactTest test = ExactTest::Genic;
  ExactMode exact = ExactMode::Auto;
  long bootstrap = 0;    // replicates of the bootstrap over loci
  std::string popmap{};  // VCF input: the population map
  std::string region{};  // VCF input: the regions read, if not the whole file
  std::size_t merged = 0;  // tables put together from this many shards' (0: a run's own)
  std::string windows{};   // --windows: "SIZE:STEP"
  // --outliers: the floor of He of the candidates, and the fit's df and F
  // of the background ("NA" without a fit).
  std::string outlierMinHe{}, outlierDf{}, outlierF{};
  SamplingSettings sampling{};  // where the tables are not listed
  long permutations = 0;        // permutations of the tests over loci (0: none)
  std::string groups{};         // --groups: the groups file
};

// "# <program> <version> input=<file> seed=<S> dememorization=<D> batches=<B> iterations=<C>",
// then " test=<name>" for a test other than the genic one, " exact=auto" or
// " exact=never", " sampler=chain" or " sampler=independent hits=<H>
// samples=<B>" (samples=auto where none was given), " bootstrap=<N>" for a
// bootstrap, " popmap=<file>" and " region=<regions>" where there are,
// " windows=<size>:<step>" with windows, " outlier_min_he=<He>
// outlier_df=<df> outlier_f=<F>" with the outlier test, and
// " merged=<shards>" for tables merged from shards; " permutations=<B>"
// after the bootstrap and " groups=<file>" after the population map, where
// given.
std::string tableCommentLine(const TableHeading& heading);

// The outlier test's settings and fit in `heading`.
template <class Real>
void setOutlierHeading(TableHeading& heading, double minHe, const OutlierResults<Real>& outliers);

// The names of a table's columns from the count of alleles (or genotypes)
// on: alleles, p_fisher, se_fisher, p_low, p_high, method, chi2, df, p_chi2
// for the genic test; alleles (genotypes), p_exact, se_exact, p_low, p_high,
// method, g, df, p_g for the G tests. The method is "exact", "sampled" or
// "chain".
std::vector<std::string> resultColumnNames(ExactTest test);

// The F-statistics' columns, at the end of every row.
inline constexpr const char* kFstColumnNames[] = {"fis", "fst", "fit", "fst_num", "fst_den", "fst_low", "fst_high"};

// The outlier test's columns, after the F-statistics' in runs with it.
inline constexpr const char* kOutlierColumnNames[] = {"he", "f_nc", "p_outlier", "q_outlier"};

// The permutation test over loci, last in runs with permutations: the
// observed G summed over the loci, P with its 95 % limits, and the
// permutations made; NA but on TOTAL rows.
inline constexpr const char* kPermutationColumnNames[] = {"g_sum", "p_perm", "p_perm_low", "p_perm_high", "perm_made"};
inline constexpr const char* kNoPermutationFields = "\tNA\tNA\tNA\tNA\tNA";

// Those columns' names, each after a tab.
std::string permutationColumnsHeader();

// The fields of a test's outcome (NA without one).
template <class Real>
void appendPermutationFields(std::string& text, const PermutationOutcome<Real>* outcome);

// The header line's fields from the locus number on: locus, name, then
// chrom and pos for data with sites, then resultColumnNames, then the
// F-statistics' columns.
std::string locusColumnsHeader(ExactTest test, bool sites);

// A locus's fields from its name on (name, and chrom and pos for data with
// sites); a TOTAL row's from "TOTAL" on.
void appendLocusName(std::string& text, const DataSummary& data, int locus);
void appendTotalName(std::string& text, const DataSummary& data);

// A real as the table writes it: every digit its type holds (17 significant
// digits for a double, 21 for an 80-bit real), so that the value reads back
// exactly and rounds as the report rounds it.
template <class Real>
std::string tableNumber(Real value);

// A real as tableNumber writes it, and NA for NaN (no value).
template <class Real>
std::string tableField(Real value);

// Appends a tab and the real as tableField writes it, in place.
template <class Real>
void appendRealField(std::string& text, Real value);

// Appends a tab and the field.
inline void appendField(std::string& text, std::string_view field) {
  text += '\t';
  text += field;
}

// The eight result fields of a tested locus: p_fisher, se_fisher, p_low,
// p_high, method, chi2, df, p_chi2.
template <class Real>
void appendLocusFields(std::string& text, const LocusValues<Real>& values);

// Those fields of a locus (or pair-locus) that is not tested: NA each.
inline constexpr const char* kUntestedFields = "\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA";

// The result fields of a TOTAL row: p_fisher, NA for se_fisher, p_low,
// p_high and method, chi2, df, p_chi2.
template <class Real>
void appendTotalFields(std::string& text, const TotalValues<Real>& values);

// The F-statistics' fields that end every row: fis, fst, fit, fst_num,
// fst_den, and a TOTAL row's bootstrap limits fst_low and fst_high (NA
// elsewhere, and without a bootstrap).
template <class Real>
void appendFstFields(std::string& text, const FValues<Real>& values,
                     const std::optional<BootstrapLimits<Real>>& limits = std::nullopt);

// A name as a table field: trimmed of blanks, with tabs and other control
// characters as blanks.
std::string tableName(std::string_view name);

// The whole table, CRLF line ends; with `outliers`, the outlier test's
// columns end each row (NA outside the candidates and on the TOTAL row).
// With `permutations` (heading.permutations > 0), the permutation test's
// columns end each row, the among-populations test's on the TOTAL row.
template <class Real>
std::string formatResultsTable(const TableHeading& heading, const RunState<Real>& state, const FStatistics<Real>& f,
                               const OutlierResults<Real>* outliers = nullptr,
                               const PermutationResults<Real>* permutations = nullptr);

}  // namespace ortelan
