#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "fstat/bootstrap.h"
#include "fstat/f_values.h"
#include "fstat/locus_sample.h"
#include "fstat/variance_components.h"
#include "input/tables/genotype_counter.h"
#include "report/results_table.h"
#include "support/f_reference.h"

namespace ortelan {
namespace {

using testing::TestGenotype;
using Populations = std::vector<std::vector<TestGenotype>>;

// The sample as the readers' tables give it: complete diploid genotypes in
// a populations x genotypes table, or genes in a populations x alleles table.
LocusSample sampleOf(const Populations& populations, bool haploid) {
  std::map<std::uint32_t, std::vector<int>> columns;  // key -> count per population
  const int rows = static_cast<int>(populations.size());
  for (int pop = 0; pop < rows; ++pop) {
    for (const TestGenotype& g : populations[static_cast<std::size_t>(pop)]) {
      if (g.first == 0 || (!haploid && g.second == 0)) continue;
      const std::uint32_t key = haploid ? static_cast<std::uint32_t>(g.first) : genotypeKey(g.first, g.second);
      columns.try_emplace(key, std::vector<int>(static_cast<std::size_t>(rows), 0)).first->second[static_cast<std::size_t>(pop)]++;
    }
  }
  CountTable table;
  table.resize(rows, static_cast<int>(columns.size()));
  std::vector<std::uint32_t> keys;
  for (const auto& [key, counts] : columns) {
    keys.push_back(key);
    for (int pop = 0; pop < rows; ++pop) table.at(pop + 1, static_cast<int>(keys.size())) = counts[static_cast<std::size_t>(pop)];
  }
  LocusSample sample;
  if (haploid) {
    sample.fromAlleles(table);
  } else {
    sample.fromGenotypes(table, keys);
  }
  return sample;
}

template <class Real>
FValues<Real> valuesOf(const Populations& populations, bool haploid, std::span<const int> rows) {
  return rowFValues(varianceComponents<Real>(sampleOf(populations, haploid), rows), !haploid);
}

std::vector<int> allRows(const Populations& populations) {
  std::vector<int> rows(populations.size());
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int>(i);
  return rows;
}

// Equal within `tolerance` relative to the larger of 1 and the value, or both NA.
template <class Real>
void expectClose(Real actual, long double expected, long double tolerance, const char* what) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << what << " " << static_cast<double>(actual);
    return;
  }
  EXPECT_NEAR(static_cast<long double>(actual), expected, tolerance * std::max(1.0L, std::fabs(expected))) << what;
}

template <class Real>
void expectAsReference(const FValues<Real>& v, const testing::ReferenceF& reference, long double tolerance) {
  expectClose(v.num, reference.num, tolerance, "fst_num");
  expectClose(v.den, reference.den, tolerance, "fst_den");
  expectClose(v.fst, reference.fst, tolerance, "fst");
  expectClose(v.fit, reference.fit, tolerance, "fit");
  expectClose(v.fis, reference.fis, tolerance, "fis");
}

// Multiallelic loci of 2 to 6 populations, 1 to 12 alleles and 1 to 30
// individuals each, some alleles missing, diploid and haploid: every
// population, and every pair, as the formulas give them.
TEST(FStatistics, EveryLocusAndPairAsTheFormulasGiveThem) {
  std::mt19937 random(20261208);
  int defined = 0, negative = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const bool haploid = trial % 3 == 0;
    const int populations = 2 + static_cast<int>(random() % 5), alleles = 1 + static_cast<int>(random() % 12);
    Populations data(static_cast<std::size_t>(populations));
    for (auto& population : data) {
      const int individuals = 1 + static_cast<int>(random() % 30);
      const int common = 1 + static_cast<int>(random() % static_cast<unsigned>(alleles));  // each population leans on one allele
      for (int i = 0; i < individuals; ++i) {
        auto allele = [&] {
          if (random() % 10 == 0) return 0;
          return random() % 2 == 0 ? common : 1 + static_cast<int>(random() % static_cast<unsigned>(alleles));
        };
        const int first = allele();
        population.push_back({first, haploid ? 0 : random() % 4 == 0 ? first : allele()});
      }
    }
    SCOPED_TRACE(trial);
    const testing::ReferenceF all = testing::referenceF(data, haploid);
    expectAsReference(valuesOf<long double>(data, haploid, allRows(data)), all, 1e-12L);
    expectAsReference(valuesOf<double>(data, haploid, allRows(data)), all, 1e-10L);
    defined += all.defined;
    negative += all.defined && all.fst < 0;
    for (int a = 0; a < populations; ++a) {
      for (int b = a + 1; b < populations; ++b) {
        const int rows[] = {a, b};
        expectAsReference(valuesOf<long double>(data, haploid, rows), testing::referenceF({data[a], data[b]}, haploid),
                          1e-12L);
      }
    }
  }
  EXPECT_GT(defined, 300);
  EXPECT_GT(negative, 10);  // negative estimates are kept as they are
}

// Where the estimator is not defined, and what it gives at the extremes.
TEST(FStatistics, UndefinedWhereTheEstimatorIsAndTheExtremes) {
  constexpr long double NA = NAN;
  const struct {
    const char* what;
    Populations data;
    bool haploid;
    long double fis, fst, fit;
  } cases[] = {
      {"one allele", {{{1, 1}, {1, 1}}, {{1, 1}, {1, 1}}}, false, NA, NA, NA},
      {"one population typed", {{{1, 2}, {2, 2}}, {{0, 0}, {1, 0}}}, false, NA, NA, NA},
      {"one individual in each population", {{{1, 2}}, {{2, 2}}, {{1, 1}}}, false, NA, NA, NA},
      {"the second allele only in a half-missing genotype", {{{1, 1}, {2, 0}}, {{1, 1}, {1, 1}}}, false, NA, NA, NA},
      {"fixed for different alleles", {{{1, 1}, {1, 1}}, {{2, 2}, {2, 2}, {2, 2}}}, false, NA, 1, 1},
      {"every individual heterozygous", {{{1, 2}, {1, 2}}, {{1, 2}, {1, 2}}}, false, -1, 0, -1},
      {"haploid, fixed for different alleles", {{{1, 0}, {1, 0}}, {{2, 0}, {2, 0}}}, true, NA, 1, NA},
      {"haploid, one allele", {{{1, 0}, {1, 0}}, {{1, 0}}}, true, NA, NA, NA},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const FValues<long double> v = valuesOf<long double>(c.data, c.haploid, allRows(c.data));
    expectClose(v.fis, c.fis, 1e-15L, "fis");
    expectClose(v.fst, c.fst, 1e-15L, "fst");
    expectClose(v.fit, c.fit, 1e-15L, "fit");
    EXPECT_EQ(v.hasComponents(), !std::isnan(c.fst));
  }
  // A population with none typed is left out: the others' estimate stands.
  const Populations two = {{{1, 2}, {2, 2}, {1, 1}}, {{2, 2}, {2, 2}, {1, 2}}};
  Populations three = two;
  three.insert(three.begin() + 1, std::vector<TestGenotype>{{0, 0}, {3, 0}});
  const auto withEmpty = valuesOf<long double>(three, false, allRows(three));
  const auto without = valuesOf<long double>(two, false, allRows(two));
  EXPECT_EQ(withEmpty.fst, without.fst);
  EXPECT_EQ(withEmpty.fis, without.fis);
}

// The TOTAL from rows that went through the table's text gives the TOTAL of
// the rows themselves, to the last bit: shards' rows put together give
// the whole run's TOTAL.
template <class Real>
void totalsFromPrintedRows(bool parseLong) {
  std::mt19937 random(7);
  std::vector<FValues<Real>> rows;
  for (int i = 0; i < 500; ++i) {
    if (i % 7 == 3) {
      rows.push_back({});  // no components
      continue;
    }
    const Real a = static_cast<Real>(random() % 1000) / 997 - Real(0.1), b = static_cast<Real>(random() % 1000) / 991;
    const Real c = i % 5 == 0 ? 0 : static_cast<Real>(random() % 1000) / 983;
    rows.push_back(rowFValues<Real>(VarianceComponents<Real>{a, b, c}, i % 5 != 0));
  }
  const auto parse = [parseLong](const std::string& text) {
    return text == "NA" ? Real(NAN) : parseLong ? static_cast<Real>(std::strtold(text.c_str(), nullptr))
                                                 : static_cast<Real>(std::strtod(text.c_str(), nullptr));
  };
  std::vector<FValues<Real>> printed;
  Real num = 0, den = 0;
  for (const FValues<Real>& row : rows) {
    printed.push_back({parse(tableField(row.fis)), parse(tableField(row.fst)), parse(tableField(row.fit)),
                       parse(tableField(row.num)), parse(tableField(row.den))});
    if (row.hasComponents()) num += row.num, den += row.den;
  }
  const FValues<Real> whole = totalFValues<Real>(rows), fromText = totalFValues<Real>(printed);
  for (auto field : {&FValues<Real>::fis, &FValues<Real>::fst, &FValues<Real>::fit, &FValues<Real>::num,
                     &FValues<Real>::den}) {
    EXPECT_EQ(tableField(whole.*field), tableField(fromText.*field));
  }
  EXPECT_NEAR(static_cast<double>(whole.fst), static_cast<double>(num / den), 1e-12);
  // Haploid rows count in theta, not in fis and fit.
  std::vector<FValues<Real>> diploid;
  for (const FValues<Real>& row : rows) {
    if (row.fit == row.fit) diploid.push_back(row);
  }
  EXPECT_EQ(totalFValues<Real>(diploid).fit, whole.fit);
  EXPECT_EQ(totalFValues<Real>(diploid).fis, whole.fis);
  EXPECT_NE(totalFValues<Real>(diploid).fst, whole.fst);
}

TEST(FStatistics, TotalsFromPrintedRowsAreTheRunsToTheLastBit) {
  totalsFromPrintedRows<long double>(true);
  totalsFromPrintedRows<double>(false);
}

// The limits are the 2.5 % and 97.5 % quantiles of the replicates (R's type
// 7); each replicate a function of the key alone, the same on any platform.
TEST(Bootstrap, LimitsAreQuantilesOfReplicatesThatTheKeyFixes) {
  std::vector<double> values;
  for (int k = 101; k >= 1; --k) values.push_back(k);
  const auto limits = percentileLimits(values);
  ASSERT_TRUE(limits);
  EXPECT_EQ(limits->low, 3.5);
  EXPECT_EQ(limits->high, 98.5);
  EXPECT_FALSE(percentileLimits(std::vector<double>{}));
  EXPECT_EQ(percentileLimits(std::vector<double>{0.25})->high, 0.25);

  // Ten loci whose components are their number and 1: a replicate's
  // estimate is the mean of the numbers it drew. Pinned, and checked
  // against a separate implementation of the generator and the draws.
  std::vector<std::pair<long double, long double>> loci;
  for (int i = 0; i < 10; ++i) loci.emplace_back(i, 1);
  const long sums[] = {44, 57, 41, 35};
  for (long k = 0; k < 4; ++k) EXPECT_EQ(std::lround(bootstrapReplicate<long double>(loci, 42, k) * 10), sums[k]) << k;
  EXPECT_NE(bootstrapReplicate<long double>(loci, 43, 0), bootstrapReplicate<long double>(loci, 42, 0));

  // Every locus is drawn alike: over many replicates each is drawn about
  // as often as the others.
  std::vector<std::pair<double, double>> marked(7, {0, 1});
  std::vector<long> drawn(7, 0);
  for (std::size_t i = 0; i < marked.size(); ++i) {
    marked[i].first = 1;
    for (long k = 0; k < 2000; ++k) drawn[i] += std::lround(bootstrapReplicate<double>(marked, 9, k) * 7);
    marked[i].first = 0;
  }
  for (long count : drawn) EXPECT_NEAR(count, 2000, 5 * std::sqrt(2000.0 * 6 / 7)) << count;

  // One locus: every replicate is the estimate.
  const std::vector<std::pair<double, double>> one{{0.3, 2}};
  EXPECT_EQ(bootstrapLimits<double>(one, 1, 100)->low, 0.15);
  EXPECT_EQ(bootstrapLimits<double>(one, 1, 100)->high, 0.15);
}

}  // namespace
}  // namespace ortelan
