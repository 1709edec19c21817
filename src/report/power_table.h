// The power table of a power analysis: tab-separated with CR LF line ends,
// for R (read.delim(comment.char = "#")) and spreadsheets. The first line
// records the settings and the seed; then one row per F_ST target, test,
// level and locus (TOTAL for the tests combined over loci): the target, the
// drift that stands for it, the mean theta of the samples, and how often
// the test rejected, with 95 % Clopper-Pearson limits. The last lines, one
// per target ("# theta ..."), hold the whole-number sums of the samples'
// theta, so that a merge of shards adds them exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "power/power_run.h"
#include "report/results_table.h"
#include "run/run_state.h"

namespace ortelan {

// What the first line records.
struct PowerHeading {
  TableHeading run;  // the data, the tests and their settings, the seed
  std::string fst, alpha, sizes;  // as lists: "0,0.001", "0.05", "data" or "50" or "50,40"
  std::int64_t ne = 0, replicates = 0;
  double decisionError = 0;
  std::optional<std::pair<std::int64_t, std::int64_t>> range;  // a shard's replicates
};

// The results table's line (tableCommentLine), then " power fst=<list>
// ne=<Ne> sizes=<sizes> alpha=<list> replicates=<R> decision_error=<e>",
// and " replicates_range=<A>-<B>" for a shard.
std::string powerCommentLine(const PowerHeading& heading);

inline constexpr const char* kPowerColumnNames[] = {
    "fst_target", "test", "alpha", "locus", "name", "ne", "generations", "fst_expected", "theta",
    "replicates", "rejections", "power", "power_low", "power_high", "unsettled"};

// The columns from fst_target to fst_expected name a row; a merge keeps them.
inline constexpr std::size_t kPowerKeyColumns = 8;

// The names of the tests' rows: the chi-square's, the exact test's own,
// and over loci Fisher's method and the summed chi-square.
inline constexpr const char* kChi2Row = "chi2";
inline constexpr const char* kFisherRow = "fisher_method";
inline constexpr const char* kSummedChi2Row = "summed_chi2";

// The shortest text that reads back to `value`: 0.05, not
// 0.05000000000000000277.
std::string shortestText(double value);

// One row of the table, in the table's order: by target, then test (chi2,
// the exact test, fisher_method, summed_chi2), level and locus.
struct PowerRow {
  std::size_t target = 0;
  std::string_view test;
  std::size_t level = 0;
  std::size_t place = 0;  // the locus's place among the design's loci; TOTAL rows: none
  bool total = false;
  std::int64_t rejections = 0;
  std::optional<std::int64_t> unsettled;  // the exact test's rows and Fisher's
};

template <class Visit>
void forEachPowerRow(const PowerResults& results, const Visit& visit) {
  const std::size_t loci = results.design.loci.size(), levels = results.tests.alphas.size();
  const bool exact = results.tests.test != ExactTest::None;
  for (std::size_t t = 0; t < results.design.targets.size(); ++t) {
    const TargetTally& tally = results.tallies[t];
    for (std::size_t a = 0; a < levels; ++a) {
      for (std::size_t i = 0; i < loci; ++i) visit(PowerRow{t, kChi2Row, a, i, false, tally.chi2[i * levels + a], {}});
    }
    if (exact) {
      for (std::size_t a = 0; a < levels; ++a) {
        for (std::size_t i = 0; i < loci; ++i) {
          visit(PowerRow{t, testName(results.tests.test), a, i, false, tally.exact[i * levels + a],
                         tally.unsettled[i * levels + a]});
        }
      }
      for (std::size_t a = 0; a < levels; ++a) visit(PowerRow{t, kFisherRow, a, 0, true, tally.fisher[a], tally.fisherUnsettled[a]});
    }
    for (std::size_t a = 0; a < levels; ++a) visit(PowerRow{t, kSummedChi2Row, a, 0, true, tally.summedChi2[a], {}});
  }
}

// The fields that name a row, fst_target to fst_expected, tab-separated.
std::string powerRowKey(const PowerResults& results, const DataSummary& data, const PowerRow& row);

// A tab and the fields that count, from theta on: theta (NA without one),
// replicates, rejections, the power and its limits, and unsettled (NA
// where the test never draws).
template <class Real>
void appendPowerCounts(std::string& text, Real theta, std::int64_t replicates, std::int64_t rejections,
                       std::optional<std::int64_t> unsettled);

// "# theta fst=<target> replicates=<with a theta> sum=<in units of 2^-30>".
std::string thetaTallyLine(std::string_view target, std::int64_t replicates, std::int64_t sum);

// The whole table, CR LF line ends.
template <class Real>
std::string formatPowerTable(const PowerHeading& heading, const PowerResults& results, const DataSummary& data);

}  // namespace ortelan
