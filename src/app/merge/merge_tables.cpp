#include "app/merge/merge_tables.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <type_traits>
#include <cstdlib>
#include <limits>
#include <map>

#include "app/merge/merge_permutations.h"
#include "chisquare/totals.h"
#include "fstat/do_outliers.h"
#include "fstat/windows.h"
#include "pairs/pair_table.h"
#include "report/outlier_note.h"
#include "run/failure.h"
#include "run/pause.h"
#include "run/whole_number.h"

namespace ortelan {
namespace {

[[noreturn]] void fault(const std::string& what) { throw OneLineFault{what, kFaultStatus}; }

[[noreturn]] void fieldFault(const ShardTable& table, const ShardRow& row, std::string_view column,
                             const std::string& field) {
  fault(table.path + ": line " + std::to_string(row.line) + ": " + std::string(column) + " is not a number: " + field);
}

// A field as the run's real: every digit the table wrote, read back to the
// same value; NA is NaN.
template <class Real>
Real realField(const ShardTable& table, const ShardRow& row, std::string_view column) {
  const std::string& field = row.fields[table.column(column)];
  if (field == "NA") return std::numeric_limits<Real>::quiet_NaN();
  char* end = nullptr;
  Real value;
  if constexpr (std::is_same_v<Real, long double>) {
    value = std::strtold(field.c_str(), &end);
  } else {
    value = std::strtod(field.c_str(), &end);
  }
  // Only NA stands for no value: a table never writes nan.
  if (field.empty() || end != field.c_str() + field.size() || value != value) fieldFault(table, row, column, field);
  return value;
}

// A P-value or its standard error: NA, or from 0 to 1.
template <class Real>
Real probabilityField(const ShardTable& table, const ShardRow& row, std::string_view column) {
  const Real value = realField<Real>(table, row, column);
  if (value == value && !(value >= 0 && value <= 1)) {
    fault(table.path + ": line " + std::to_string(row.line) + ": " + std::string(column) + " is not from 0 to 1: " +
          row.fields[table.column(column)]);
  }
  return value;
}

// A tested locus's statistic (chi2 or G): finite, as a table writes it.
template <class Real>
Real statisticField(const ShardTable& table, const ShardRow& row, std::string_view column) {
  const Real value = realField<Real>(table, row, column);
  if (value == value && !std::isfinite(value)) {
    fault(table.path + ": line " + std::to_string(row.line) + ": " + std::string(column) + " is not finite: " +
          row.fields[table.column(column)]);
  }
  return value;
}

// A tested locus's degrees of freedom: finite and not below 0 (the totals'
// chi-square tail takes no other).
template <class Real>
Real degreesField(const ShardTable& table, const ShardRow& row, std::string_view column) {
  const Real value = realField<Real>(table, row, column);
  if (!(value >= 0 && std::isfinite(value))) {
    fault(table.path + ": line " + std::to_string(row.line) + ": " + std::string(column) +
          " is not a finite number of degrees of freedom: " + row.fields[table.column(column)]);
  }
  return value;
}

// Where a tested locus's P comes from: its method is exact, sampled, tail,
// chain or (with no exact test) NA, and an exact, sampled or tail P is
// above 0, as the listing and the drawings give it. With an exact test, a tested locus has
// its P.
template <class Real>
PMethod methodField(const ShardTable& table, const ShardRow& row, std::string_view pColumn, Real p) {
  const std::string& field = row.fields[table.column("method")];
  const std::string at = table.path + ": line " + std::to_string(row.line) + ": ";
  if (table.test != ExactTest::None && p != p) fault(at + "no " + std::string(pColumn) + " for a tested locus");
  if (field == "NA" && table.test == ExactTest::None) return PMethod::Chain;
  const std::optional<PMethod> method = methodNamed(field);
  if (!method) fault(at + "method is not exact, sampled, tail or chain: " + field);
  if (*method != PMethod::Chain && !(p > 0)) {
    fault(at + std::string(pColumn) + " is not above 0 where the method is " + field);
  }
  return *method;
}

template <class Whole>
Whole wholeField(const ShardTable& table, const ShardRow& row, std::string_view column) {
  const std::string& field = row.fields[table.column(column)];
  const std::optional<Whole> value = wholeNumber<Whole>(field);
  if (!value) fieldFault(table, row, column, field);
  return *value;
}

// The columns of the test's P-value, SE, statistic and count of columns.
struct Columns {
  std::string count, p, se, statistic, df;
};

Columns columnsOf(ExactTest test) {
  const std::vector<std::string> names = resultColumnNames(test);
  return {names[0], names[1], names[2], names[names.size() - 3], names[names.size() - 2]};
}

// ---------------------------------------------------------------- settings

std::string shown(const TableSettings& settings, const std::string& key) {
  const std::string value = settings.valueOf(key);
  return value.empty() ? "no " + key + "=" : key + "=" + value;
}

// Every shard must come from one run's settings; the regions, the outlier
// test's fit (made again here) and the count of shards in tables merged
// before may differ.
void checkSettings(const std::vector<ShardTable>& shards) {
  const ShardTable& first = shards.front();
  for (const ShardTable& shard : shards) {
    if (shard.settings.version != first.settings.version) {
      fault(shard.path + " was written by " + shard.settings.program + " " + shard.settings.version + ", " +
            first.path + " by " + first.settings.program + " " + first.settings.version);
    }
    for (const std::string& key : settingKeys()) {
      if (key == "region" || key == "merged" || key == "outlier_df" || key == "outlier_f" ||
          shard.settings.valueOf(key) == first.settings.valueOf(key)) {
        continue;
      }
      fault(shard.path + " was run with " + shown(shard.settings, key) + ", " + first.path + " with " +
            shown(first.settings, key));
    }
  }
}

TableHeading headingOf(const Edition& edition, const ShardTable& first) {
  TableHeading heading;
  heading.program = edition.programName;
  heading.version = edition.version;
  const TableSettings& s = first.settings;
  heading.input = s.valueOf("input");
  const auto number = [&](const std::string& key, auto& value) {
    const std::string text = s.valueOf(key);
    const auto read = wholeNumber<std::remove_reference_t<decltype(value)>>(text);
    if (!read) fault(first.path + ": line 1: " + key + "=" + text + " is not a whole number");
    value = *read;
  };
  number("seed", heading.seed);
  number("dememorization", heading.chain.dememorizations);
  number("batches", heading.chain.batches);
  number("iterations", heading.chain.iterationsPerBatch);
  if (!s.valueOf("bootstrap").empty()) number("bootstrap", heading.bootstrap);
  heading.test = first.test;
  const std::string exact = s.valueOf("exact");
  const std::optional<ExactMode> mode = exactModeNamed(exact);
  if (!exact.empty() && !mode) fault(first.path + ": line 1: exact=" + exact + " is neither auto nor never");
  heading.exact = mode.value_or(ExactMode::Auto);
  const std::string sampler = s.valueOf("sampler");
  const std::optional<SamplerKind> kind = samplerNamed(sampler);
  if (!sampler.empty() && !kind) fault(first.path + ": line 1: sampler=" + sampler + " is neither independent nor chain");
  heading.sampling.sampler = kind.value_or(SamplerKind::Chain);
  if (heading.sampling.sampler == SamplerKind::Independent) {
    number("hits", heading.sampling.hits);
    if (s.valueOf("samples") != "auto") {
      std::int64_t samples = 0;
      number("samples", samples);
      heading.sampling.samples = samples;
    }
  }
  heading.popmap = s.valueOf("popmap");
  heading.groups = s.valueOf("groups");
  if (!s.valueOf("permutations").empty()) number("permutations", heading.permutations);
  heading.windows = s.valueOf("windows");
  if (!heading.windows.empty() && !parseWindowLayout(heading.windows)) {
    fault(first.path + ": line 1: windows=" + heading.windows + " is not SIZE:STEP");
  }
  // The fit is made again from the merged rows; none without them.
  heading.outlierMinHe = s.valueOf("outlier_min_he");
  if (!heading.outlierMinHe.empty()) heading.outlierDf = heading.outlierF = "NA";
  return heading;
}

// ---------------------------------------------------------------- loci

// One locus of a shard: where its row is, and what names it.
struct Entry {
  std::size_t shard = 0;
  std::size_t row = 0;  // its row in the shard's rows (for pairs: in the first pair's)
  long number = 0;      // its number in the shard's run
  std::string chrom, name;
  std::int64_t pos = 0;
};

std::string described(const Entry& e, bool sites) {
  return sites ? e.chrom + ":" + std::to_string(e.pos) + " (" + e.name + ")" : "locus " + std::to_string(e.number);
}

// The loci of every shard in the data's order: by number, or for data with
// sites by chromosome, in the order they first appear across the shards as
// given, then by position; a locus that two shards hold (or one twice, by
// number) is a fault.
void order(std::vector<Entry>& entries, const std::vector<ShardTable>& shards, bool sites) {
  if (!sites) {
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.number < b.number; });
  } else {
    std::map<std::string, std::size_t> rank;
    for (const Entry& e : entries) rank.emplace(e.chrom, rank.size());
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
      const std::size_t ra = rank.at(a.chrom), rb = rank.at(b.chrom);
      return ra != rb ? ra < rb : a.pos < b.pos;
    });
  }
  for (std::size_t k = 0; k < entries.size(); ++k) {
    for (std::size_t j = k + 1; j < entries.size(); ++j) {
      const Entry &a = entries[k], &b = entries[j];
      const bool sameLocus = sites ? a.chrom == b.chrom && a.pos == b.pos : a.number == b.number;
      if (!sameLocus) break;
      // Records of one site in one shard are a VCF's own (split alleles);
      // a locus number is a run's once.
      if (!sites && a.shard == b.shard) fault(shards[a.shard].path + " holds " + described(a, sites) + " twice");
      if (a.shard != b.shard && (!sites || a.name == b.name)) {
        fault(shards[a.shard].path + " and " + shards[b.shard].path + " both hold " + described(a, sites));
      }
    }
  }
}

Entry entryOf(const ShardTable& table, std::size_t shard, std::size_t row) {
  const ShardRow& r = table.rows[row];
  Entry e{shard, row, 0, {}, r.fields[table.column("name")], 0};
  if (table.sites) {
    e.chrom = r.fields[table.column("chrom")];
    e.pos = wholeField<std::int64_t>(table, r, "pos");
  } else {
    e.number = wholeField<int>(table, r, "locus");  // a run numbers its loci by int
    if (e.number < 1) fieldFault(table, r, "locus", r.fields[table.column("locus")]);
  }
  return e;
}

// The loci's names (and sites) in `data`, numbered as the whole run numbers
// them: anew from 1 for data with sites, else by their own numbers (the
// loci of no shard left out of the run). Returns each entry's number.
std::vector<int> nameLoci(DataSummary& data, const std::vector<Entry>& entries, bool sites) {
  std::vector<int> numbers;
  if (sites) data.sites.assign(1, DataSummary::Site{});
  const long last = entries.empty() ? 0 : sites ? static_cast<long>(entries.size()) : entries.back().number;
  std::vector<char> inRun(static_cast<std::size_t>(last) + 1, 0);
  for (long number = 1; number <= last; ++number) data.addLocus("");
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const int number = sites ? static_cast<int>(k) + 1 : static_cast<int>(entries[k].number);
    data.LOCUSNAME[static_cast<std::size_t>(number)] = entries[k].name;
    if (sites) data.sites.push_back({entries[k].chrom, entries[k].pos});
    inRun[static_cast<std::size_t>(number)] = 1;
    numbers.push_back(number);
  }
  if (std::count(inRun.begin() + 1, inRun.end(), 1) != last) data.lociInRun = std::move(inRun);
  return numbers;
}

template <class Real>
FValues<Real> fValuesOf(const ShardTable& table, const ShardRow& row) {
  FValues<Real> f;
  f.fis = realField<Real>(table, row, "fis");
  f.fst = realField<Real>(table, row, "fst");
  f.fit = realField<Real>(table, row, "fit");
  f.num = realField<Real>(table, row, "fst_num");
  f.den = realField<Real>(table, row, "fst_den");
  return f;
}

// ---------------------------------------------------------------- results

// The outlier test made again over the merged rows' he and f_nc.
template <class Real>
void mergeOutliers(MergedTables<Real>& out, const std::vector<ShardTable>& shards, const std::vector<Entry>& entries,
                   const std::vector<int>& numbers, Run<Real>& run) {
  const std::string& minHeText = out.heading.outlierMinHe;
  double minHe = 0;
  const auto [end, error] = std::from_chars(minHeText.data(), minHeText.data() + minHeText.size(), minHe);
  if (error != std::errc() || end != minHeText.data() + minHeText.size()) {
    fault(shards[entries.empty() ? 0 : entries.front().shard].path + ": line 1: outlier_min_he=" + minHeText +
          " is not a number");
  }
  OutlierResults<Real> o;
  const auto places = static_cast<std::size_t>(run.state.NUMBOFLOCI) + 1;
  o.he.assign(places, OutlierResults<Real>::kNA);
  o.f.assign(places, OutlierResults<Real>::kNA);
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const ShardTable& table = shards[entries[k].shard];
    if (!table.outliers) fault(table.path + " has no columns of the outlier test, though its first line says it was made");
    const ShardRow& row = table.rows[entries[k].row];
    const auto I = static_cast<std::size_t>(numbers[k]);
    o.he[I] = realField<Real>(table, row, "he");
    o.f[I] = realField<Real>(table, row, "f_nc");
    if ((o.he[I] == o.he[I]) != (o.f[I] == o.f[I]) || !(o.he[I] > 0 || o.he[I] != o.he[I]) || o.f[I] < 0) {
      fault(table.path + ": line " + std::to_string(row.line) + ": he and f_nc are not those of a candidate of the outlier test");
    }
  }
  testOutliers(o, run.chainWorkers(), [&run] { run.tick(); });
  if (!o.fitted) run.diagnostic(outlierLine(o));
  setOutlierHeading(out.heading, minHe, o);
  out.analysis.outliers = std::move(o);
}

template <class Real>
void mergeResults(MergedTables<Real>& out, const std::vector<ShardTable>& shards, const std::vector<std::size_t>& which,
                  bool sites, Run<Real>& run) {
  std::vector<Entry> entries;
  for (std::size_t shard : which) {
    for (std::size_t row = 0; row + 1 < shards[shard].rows.size(); ++row) entries.push_back(entryOf(shards[shard], shard, row));
  }
  order(entries, shards, sites);
  RunState<Real>& s = run.state;
  const std::vector<int> numbers = nameLoci(s, entries, sites);
  s.sizeResultArrays();
  s.populationsTyped.assign(static_cast<std::size_t>(s.NUMBOFLOCI) + 1, 0);
  FStatistics<Real>& f = out.analysis.fstat;
  f.loci.assign(static_cast<std::size_t>(s.NUMBOFLOCI) + 1, FValues<Real>{});
  const Columns c = columnsOf(out.heading.test);
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const ShardTable& table = shards[entries[k].shard];
    const ShardRow& row = table.rows[entries[k].row];
    const auto I = static_cast<std::size_t>(numbers[k]);
    s.ALLELES_PER_LOCUS[I] = wholeField<int>(table, row, c.count);
    const Real statistic = statisticField<Real>(table, row, c.statistic);
    const bool tested = statistic == statistic;
    // A locus's row holds its results exactly where the run tested it.
    s.populationsTyped[I] = tested ? 2 : 0;
    if (tested && s.ALLELES_PER_LOCUS[I] < 2) fault(table.path + ": line " + std::to_string(row.line) + ": a tested locus of fewer than two " + c.count);
    if (tested) {
      const Real p = probabilityField<Real>(table, row, c.p);
      // Without an exact test the P-values are NA, and Fisher's total too.
      s.FISHERPPERLOCUS[I] = p == p ? p : Real(0);
      s.FISHERSEPERLOCUS[I] = probabilityField<Real>(table, row, c.se);
      s.methodPerLocus[I] = methodField(table, row, c.p, p);
      s.pLowPerLocus[I] = probabilityField<Real>(table, row, "p_low");
      s.pHighPerLocus[I] = probabilityField<Real>(table, row, "p_high");
      s.CHI2PERLOCUS[I] = statistic;
      s.DFPERLOCUS[I] = degreesField<Real>(table, row, c.df);
    }
    f.loci[I] = fValuesOf<Real>(table, row);
  }
  SUM_FOR_TOTAL_P(run, /*quietWhenNoneTested=*/true);
  if (!out.heading.outlierMinHe.empty()) mergeOutliers(out, shards, entries, numbers, run);
  if (const std::optional<WindowLayout> layout = parseWindowLayout(out.heading.windows)) {
    out.analysis.windows = windowFst(s, f.loci, *layout);
  }
  std::vector<int> loci(numbers);
  sumFTotals(f, loci, 0, out.heading.bootstrap, out.heading.seed, run.chainWorkers(), [&run] { run.tick(); });
}

// ---------------------------------------------------------------- hierarchy

// The hierarchy tables' rows in the data's order; the TOTAL is summed again
// when the table is written.
template <class Real>
void mergeHierarchy(MergedTables<Real>& out, const std::vector<ShardTable>& shards, const std::vector<std::size_t>& which,
                    bool sites) {
  std::vector<Entry> entries;
  for (std::size_t shard : which) {
    for (std::size_t row = 0; row + 1 < shards[shard].rows.size(); ++row) entries.push_back(entryOf(shards[shard], shard, row));
  }
  order(entries, shards, sites);
  DataSummary& data = out.hierarchyData;
  const std::vector<int> numbers = nameLoci(data, entries, sites);
  HierarchyRows<Real>& hierarchy = out.analysis.hierarchy.emplace();
  hierarchy.rows.assign(static_cast<std::size_t>(data.NUMBOFLOCI) + 1, HierarchyRow<Real>{});
  constexpr const char* kLevels[] = {"groups", "populations", "individuals", "within"};
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const ShardTable& table = shards[entries[k].shard];
    const ShardRow& row = table.rows[entries[k].row];
    HierarchyRow<Real>& into = hierarchy.rows[static_cast<std::size_t>(numbers[k])];
    for (int level = 0; level < kHierarchyLevels; ++level) {
      into.ss[level] = statisticField<Real>(table, row, std::string("ss_") + kLevels[level]);
      into.df[level] = realField<Real>(table, row, std::string("df_") + kLevels[level]);
      into.sigma[level] = statisticField<Real>(table, row, std::string("sigma2_") + kLevels[level]);
      if (into.df[level] == into.df[level] && !(into.df[level] >= 0 && std::isfinite(into.df[level]))) {
        degreesField<Real>(table, row, std::string("df_") + kLevels[level]);
      }
    }
  }
}

// ---------------------------------------------------------------- pairs

// A pairs table's populations: its pairs must be (1,2), (1,3) ... in order.
int populationsOf(const ShardTable& table, std::vector<std::size_t>& groupStarts, std::vector<std::string>& labels) {
  int populations = 1;
  for (std::size_t k = 0; k < table.rows.size(); ++k) {
    if (k == 0 || table.rows[k].fields[0] != table.rows[k - 1].fields[0] ||
        table.rows[k].fields[1] != table.rows[k - 1].fields[1]) {
      groupStarts.push_back(k);
    }
    populations = std::max(populations, wholeField<int>(table, table.rows[k], "pop_b"));
  }
  // The pairs first, the labels then: the populations' count, read from a
  // field, is bounded by the rows only once every pair is found.
  std::size_t group = 0;
  for (int a = 1; a < populations; ++a) {
    for (int b = a + 1; b <= populations; ++b, ++group) {
      const ShardRow* row = group < groupStarts.size() ? &table.rows[groupStarts[group]] : nullptr;
      if (row == nullptr || wholeField<int>(table, *row, "pop_a") != a || wholeField<int>(table, *row, "pop_b") != b) {
        fault(table.path + ": line " + std::to_string(row != nullptr ? row->line : table.rows.back().line + 1) +
              ": not the rows of pair " + std::to_string(a) + ", " + std::to_string(b) + " of " +
              std::to_string(populations) + " populations");
      }
    }
  }
  if (group != groupStarts.size()) fault(table.path + ": line " + std::to_string(table.rows[groupStarts[group]].line) + ": more pairs than its populations make");
  // Each population has one label, in every row that names it.
  labels.assign(static_cast<std::size_t>(populations) + 1, "");
  std::vector<bool> labelled(labels.size(), false);
  for (const ShardRow& row : table.rows) {
    for (const auto& [pop, label] : {std::pair{"pop_a", "label_a"}, std::pair{"pop_b", "label_b"}}) {
      const auto k = static_cast<std::size_t>(wholeField<int>(table, row, pop));
      const std::string& its = row.fields[table.column(label)];
      if (!labelled[k]) {
        labels[k] = its;
        labelled[k] = true;
      } else if (its != labels[k]) {
        fault(table.path + ": line " + std::to_string(row.line) + ": population " + std::to_string(k) +
              " is labelled " + its + " here and " + labels[k] + " before");
      }
    }
  }
  return populations;
}

template <class Real>
void mergePairs(MergedTables<Real>& out, const std::vector<ShardTable>& shards, const std::vector<std::size_t>& which,
                bool sites, Run<Real>& run) {
  int populations = 0;
  std::vector<std::string> labels;
  std::vector<std::vector<std::size_t>> groupStarts(shards.size());
  for (std::size_t shard : which) {
    std::vector<std::string> its;
    const int count = populationsOf(shards[shard], groupStarts[shard], its);
    if (populations == 0) {
      populations = count;
      labels = its;
    } else if (count != populations || its != labels) {
      fault(shards[shard].path + " holds other populations than " + shards[which.front()].path);
    }
  }
  // The loci of each shard are those of its first pair; every pair has them
  // in the same order.
  std::vector<Entry> entries;
  for (std::size_t shard : which) {
    const std::size_t loci = groupStarts[shard].size() > 1 ? groupStarts[shard][1] - 1 : shards[shard].rows.size() - 1;
    const std::size_t locus = shards[shard].column("locus");
    for (std::size_t group = 0; group < groupStarts[shard].size(); ++group) {
      const std::size_t start = groupStarts[shard][group];
      const std::size_t end = group + 1 < groupStarts[shard].size() ? groupStarts[shard][group + 1] : shards[shard].rows.size();
      for (std::size_t row = 0; row < loci; ++row) {
        if (end - start != loci + 1 || shards[shard].rows[start + row].fields[locus] != shards[shard].rows[row].fields[locus]) {
          fault(shards[shard].path + ": line " + std::to_string(shards[shard].rows[start].line) +
                ": its pairs do not hold the same loci");
        }
      }
    }
    for (std::size_t row = 0; row < loci; ++row) entries.push_back(entryOf(shards[shard], shard, row));
  }
  order(entries, shards, sites);
  DataSummary& data = out.pairsData;
  const std::vector<int> numbers = nameLoci(data, entries, sites);
  data.NUMBPOPS = populations;
  data.populationLabels = labels;

  PairResults<Real> pairs;
  pairs.populations = populations;
  pairs.loci = numbers;
  pairs.results.resize(static_cast<std::size_t>(pairs.pairs()) * numbers.size());
  FStatistics<Real> f;
  f.loci.assign(static_cast<std::size_t>(data.NUMBOFLOCI) + 1, FValues<Real>{});
  f.lociInRun = numbers.size();
  f.pairRows.resize(pairs.results.size());
  const Columns c = columnsOf(out.heading.test);
  for (long pair = 0; pair < pairs.pairs(); ++pair) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const ShardTable& table = shards[entries[i].shard];
      const ShardRow& row = table.rows[groupStarts[entries[i].shard][static_cast<std::size_t>(pair)] + entries[i].row];
      PairLocusResult<Real>& r = pairs.results[static_cast<std::size_t>(pair) * numbers.size() + i];
      r.alleles = wholeField<int>(table, row, c.count);
      r.chi2 = statisticField<Real>(table, row, c.statistic);
      r.tested = r.chi2 == r.chi2;
      if (r.tested) {
        const Real p = probabilityField<Real>(table, row, c.p);
        r.p = p == p ? p : Real(0);
        r.se = probabilityField<Real>(table, row, c.se);
        r.method = methodField(table, row, c.p, p);
        r.low = probabilityField<Real>(table, row, "p_low");
        r.high = probabilityField<Real>(table, row, "p_high");
        r.df = degreesField<Real>(table, row, c.df);
      } else {
        r.chi2 = 0;
      }
      f.pairRows[static_cast<std::size_t>(pair) * numbers.size() + i] = fValuesOf<Real>(table, row);
    }
  }
  sumPairTotals(pairs, [&run](std::string_view message) { numericPause(run.edition, run.console, message); });
  std::vector<int> positions(numbers.size());
  for (std::size_t i = 0; i < numbers.size(); ++i) positions[i] = numbers[i];
  sumFTotals(f, positions, populations, out.heading.bootstrap, out.heading.seed, run.chainWorkers(), [&run] { run.tick(); });
  out.analysis.pairs = std::move(pairs);
  FStatistics<Real>& into = out.analysis.fstat;
  into.lociInRun = f.lociInRun;
  into.pairRows = std::move(f.pairRows);
  into.pairTotals = std::move(f.pairTotals);
  into.pairLimits = std::move(f.pairLimits);
}

// The shards behind the tables of one kind: one per table, or as many as a
// table merged before records, so that merging merged tables counts alike.
std::size_t shardsMerged(const std::vector<ShardTable>& shards, const std::vector<std::size_t>& ofOneKind);

// The permutation tables must be those of the results tables' shards: as
// many shards, and as many loci with two alleles or more.
template <class Real>
void checkPermutedShards(const MergedTables<Real>& out, const std::vector<ShardTable>& shards,
                         const std::vector<std::size_t>& results, const std::vector<std::size_t>& permutations) {
  if (results.empty()) return;
  const std::size_t tables = shardsMerged(shards, results), sums = shardsMerged(shards, permutations);
  if (tables != sums) {
    throw OneLineFault{std::to_string(sums) + (sums == 1 ? " shard's" : " shards'") + " permutation tables for " +
                           std::to_string(tables) + (tables == 1 ? " shard's" : " shards'") +
                           " results tables: give each shard's once",
                       kUsageStatus};
  }
  const auto& among = out.analysis.permutations->amongPopulations;
  if (out.heading.test == ExactTest::Genotypic || !among) return;
  long loci = 0;
  for (std::size_t k : results) {
    const ShardTable& table = shards[k];
    const std::size_t alleles = table.column("alleles");
    for (std::size_t row = 0; row + 1 < table.rows.size(); ++row) {
      loci += wholeNumber<long>(table.rows[row].fields[alleles]).value_or(0) >= 2 ? 1 : 0;
    }
  }
  if (loci != among->loci) {
    throw OneLineFault{"the permutation tables sum G over " + std::to_string(among->loci) +
                           " loci, the results tables hold " + std::to_string(loci) +
                           " with two alleles or more: they are not the same shards",
                       kUsageStatus};
  }
}
std::size_t shardsMerged(const std::vector<ShardTable>& shards, const std::vector<std::size_t>& ofOneKind) {
  std::size_t count = 0;
  for (std::size_t k : ofOneKind) {
    const std::optional<std::size_t> n = wholeNumber<std::size_t>(shards[k].settings.valueOf("merged"));
    count += n && *n > 0 ? *n : 1;
  }
  return count;
}

}  // namespace

template <class Real>
MergedTables<Real> mergeShardTables(const Edition& edition, const std::vector<ShardTable>& shards, Console& console) {
  MergedTables<Real> out;
  checkSettings(shards);
  out.heading = headingOf(edition, shards.front());
  out.shards = shards.size();
  out.analysis.seed = out.heading.seed;
  std::vector<std::size_t> results, pairs, hierarchy, permutations;
  for (std::size_t k = 0; k < shards.size(); ++k) {
    switch (shards[k].kind) {
      case TableKind::Results:
        results.push_back(k);
        break;
      case TableKind::Pairs:
        pairs.push_back(k);
        break;
      case TableKind::Hierarchy:
        hierarchy.push_back(k);
        break;
      case TableKind::Permutations:
        permutations.push_back(k);
        break;
    }
  }
  out.heading.merged = shardsMerged(shards, !results.empty() ? results
                                            : !pairs.empty() ? pairs
                                            : !hierarchy.empty() ? hierarchy
                                                                 : permutations);
  const bool sites = shards.front().sites;
  const Edition scripted = scriptedEdition(edition);
  Run<Real> run(scripted, console);
  run.test = out.heading.test;
  run.settings = out.heading.chain;
  out.hasResults = !results.empty();
  if (out.hasResults) mergeResults(out, shards, results, sites, run);
  if (!pairs.empty()) mergePairs(out, shards, pairs, sites, run);
  if (!hierarchy.empty()) mergeHierarchy(out, shards, hierarchy, shards[hierarchy.front()].sites);
  if (!permutations.empty()) {
    if (out.heading.permutations <= 0) {
      throw OneLineFault{shards[permutations.front()].path + ": a permutation table without permutations= in its first line",
                         kUsageStatus};
    }
    out.analysis.permutations = mergePermutationTables<Real>(shards, permutations, out.heading.permutations,
                                                             out.heading.sampling.hits);
    checkPermutedShards(out, shards, results, permutations);
    // Each pair of the pairs tables has its test.
    const PermutationResults<Real>& made = *out.analysis.permutations;
    if (out.analysis.pairs && static_cast<long>(made.pairs.size()) != out.analysis.pairs->pairs()) {
      throw OneLineFault{"the permutation tables hold the tests of " + std::to_string(made.pairs.size()) +
                             " pairs, the pairs tables " + std::to_string(out.analysis.pairs->pairs()),
                         kUsageStatus};
    }
  }
  out.analysis.state = std::move(run.state);
  out.analysis.state.NUMBPOPS = out.pairsData.NUMBPOPS;
  out.analysis.state.populationLabels = out.pairsData.populationLabels;
  return out;
}

template MergedTables<double> mergeShardTables<double>(const Edition&, const std::vector<ShardTable>&, Console&);
template MergedTables<long double> mergeShardTables<long double>(const Edition&, const std::vector<ShardTable>&,
                                                                 Console&);

}  // namespace ortelan
