// F_ST in windows, F without the sample-size correction, and the outlier
// fit's trimming and its end without enough loci. The fit and test against
// an independent computation in R, and the windows against vcftools, are
// in tests/apps/windows_outliers_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fstat/outlier_fit.h"
#include "fstat/uncorrected_f.h"
#include "fstat/windows.h"

namespace ortelan {
namespace {

FValues<long double> site(long double num, long double den) { return {NAN, num / den, NAN, num, den}; }

TEST(Windows, SizeAndStepAsTheyAreWritten) {
  const struct {
    const char* text;
    std::int64_t size, step;  // 0: refused
  } cases[] = {{"100", 100, 100}, {"100:50", 100, 50}, {"100:100", 100, 100}, {"1", 1, 1},
               {"0", 0, 0},       {"100:0", 0, 0},     {"50:100", 0, 0},    {"x", 0, 0},
               {"", 0, 0},        {"100:", 0, 0},      {":50", 0, 0},       {"-100", 0, 0},
               {"100:50:25", 0, 0}, {"1e5", 0, 0},     {" 100", 0, 0},      {"99999999999999999999", 0, 0},
               {"1000000000000000", 1000000000000000, 1000000000000000}, {"1000000000000001", 0, 0}};
  for (const auto& c : cases) {
    const std::optional<WindowLayout> layout = parseWindowLayout(c.text);
    EXPECT_EQ(layout.has_value(), c.size > 0) << c.text;
    if (!layout) continue;
    EXPECT_EQ(layout->size, c.size) << c.text;
    EXPECT_EQ(layout->step, c.step) << c.text;
    EXPECT_EQ(parseWindowLayout(windowLayoutText(*layout))->step, c.step);
  }
}

// Windows from 1, every STEP, SIZE long; only those with a site with a
// theta, which alone are counted and summed; contigs in order of first
// appearance, sites on a contig by position.
TEST(Windows, EachWindowSumsItsSitesWithATheta) {
  const FValues<long double> none{};
  const FValues<long double> f[] = {site(1, 4), site(2, 4), site(-1, 2), site(1, 1), site(9, 9), site(3, 6), site(1, 2)};
  // Positions out of order, a position 0, sites without a theta, and a
  // contig met again after another.
  const std::vector<WindowSite<long double>> sites = {
      {"c1", 5, &f[0]},  {"c1", 10, &f[1]}, {"c1", 11, &f[2]},  {"c1", 12, &none}, {"c2", 30, &f[3]},
      {"c1", 0, &f[4]},  {"c1", 41, &f[5]}, {"c1", 7, &f[6]},   {"c2", 55, &none}, {"c3", 2, &f[0]},
      {"c2", 31, &f[0]},
  };
  const struct {
    WindowLayout layout;
    std::vector<std::string> expected;  // chrom:start-end sites num/den
  } cases[] = {
      // c1: 5, 7, 10 in [1, 10]; 11 in [11, 20] (12 has no theta); 41 in [41, 50].
      {{10, 10},
       {"c1:1-10 3 4/10", "c1:11-20 1 -1/2", "c1:41-50 1 3/6", "c2:21-30 1 1/1", "c2:31-40 1 1/4", "c3:1-10 1 1/4"}},
      // Windows overlap: [1,10] [6,15] [11,20] ... [36,45] [41,50].
      {{10, 5},
       {"c1:1-10 3 4/10", "c1:6-15 3 2/8", "c1:11-20 1 -1/2", "c1:36-45 1 3/6", "c1:41-50 1 3/6", "c2:21-30 1 1/1",
        "c2:26-35 2 2/5", "c2:31-40 1 1/4", "c3:1-10 1 1/4"}},
      // One window holds them all; one base pair each.
      {{100, 100}, {"c1:1-100 5 6/18", "c2:1-100 2 2/5", "c3:1-100 1 1/4"}},
      {{1, 1},
       {"c1:5-5 1 1/4", "c1:7-7 1 1/2", "c1:10-10 1 2/4", "c1:11-11 1 -1/2", "c1:41-41 1 3/6", "c2:30-30 1 1/1",
        "c2:31-31 1 1/4", "c3:2-2 1 1/4"}},
  };
  for (const auto& c : cases) {
    const auto windows = windowFst<long double>(sites, c.layout);
    std::vector<std::string> got;
    for (const auto& w : windows) {
      got.push_back(w.chrom + ":" + std::to_string(w.start) + "-" + std::to_string(w.end) + " " +
                    std::to_string(w.sites) + " " + std::to_string(static_cast<int>(w.num)) + "/" +
                    std::to_string(static_cast<int>(w.den)));
      EXPECT_EQ(w.fst, w.num / w.den);
    }
    EXPECT_EQ(got, c.expected) << windowLayoutText(c.layout);
  }
  // The mean of the sites' theta beside the ratio of the sums.
  const auto first = windowFst<long double>(sites, {10, 10}).front();
  EXPECT_EQ(first.meanFst, (1.0L / 4 + 1.0L / 2 + 2.0L / 4) / 3);
  EXPECT_TRUE(windowFst<long double>(std::vector<WindowSite<long double>>{{"c", 3, &none}}, {10, 10}).empty());
  // Sites in order, as most files give them: the same windows.
  const std::vector<WindowSite<long double>> ordered = {
      {"c1", 5, &f[0]},  {"c1", 7, &f[6]},  {"c1", 10, &f[1]},   {"c1", 11, &f[2]}, {"c1", 12, &none},
      {"c1", 41, &f[5]}, {"c2", 30, &f[3]}, {"c2", 31, &f[0]},   {"c2", 55, &none}, {"c3", 2, &f[0]},
  };
  const auto a = windowFst<long double>(sites, {10, 5}), b = windowFst<long double>(ordered, {10, 5});
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t k = 0; k < a.size(); ++k) EXPECT_TRUE(a[k].start == b[k].start && a[k].num == b[k].num);
}

// F from whole tables: no differences, fixed differences, and unequal
// samples with a population typed nowhere, as the formulas give them.
TEST(UncorrectedF, AsTheFormulasGiveIt) {
  const struct {
    const char* what;
    std::vector<std::vector<int>> rows;  // per population, the genes of each allele
    int typed;
    long double numerator, he;
  } cases[] = {
      {"the same frequencies", {{10, 30}, {5, 15}}, 2, 0, 2 * 0.25L * 0.75L},
      {"fixed for different alleles", {{20, 0}, {0, 20}}, 2, 0.5L, 0.5L},
      // n = 10 and 30: pbar = (4 + 24) / 40 = 0.7; w (p - pbar)^2 summed over
      // both alleles: 2 (0.25 0.3^2 + 0.75 0.1^2) = 0.06; He = 2 0.7 0.3.
      {"unequal samples, one population untyped", {{4, 6}, {0, 0}, {24, 6}}, 2, 0.06L, 0.42L},
      // pbar = (0.25, 0.5, 0.25): 0.5 (0.25^2 + 0.5^2 + 0.25^2) from each population.
      {"three alleles", {{2, 0, 2}, {0, 4, 0}}, 2, 0.375L, 0.625L},
      {"one population", {{3, 5}}, 1, 0, 2 * 3.0L / 8 * 5.0L / 8},
  };
  for (const auto& c : cases) {
    CountTable table;
    table.resize(static_cast<int>(c.rows.size()), static_cast<int>(c.rows.front().size()));
    for (std::size_t pop = 0; pop < c.rows.size(); ++pop) {
      for (std::size_t allele = 0; allele < c.rows[pop].size(); ++allele) {
        table.at(static_cast<int>(pop) + 1, static_cast<int>(allele) + 1) = c.rows[pop][allele];
      }
    }
    const auto f = uncorrectedF<long double>(table);
    EXPECT_EQ(f.populationsTyped, c.typed) << c.what;
    EXPECT_NEAR(f.numerator, c.numerator, 1e-15L) << c.what;
    EXPECT_NEAR(f.he, c.he, 1e-15L) << c.what;
    EXPECT_NEAR(static_cast<double>(uncorrectedF<double>(table).numerator), static_cast<double>(c.numerator), 1e-14)
        << c.what;
  }
}

// The trim leaves out floor(0.05 n) at each end by rank, ties in the
// candidates' order, then the loci with F = 0; fewer than 20 left: no fit.
TEST(OutlierFit, TrimmedByRankTiesInOrderAndNoFitBelowTwentyLoci) {
  // 40 candidates, 2 trimmed at each end: F = 0.01 ... 0.36 in order,
  // then two more at the lowest F and two more at the highest.
  std::vector<OutlierCandidate<long double>> candidates;
  for (int i = 0; i < 36; ++i) candidates.push_back({0.5L, 0.01L * (i + 1)});
  for (const long double he : {0.2L, 0.3L}) candidates.push_back({he, 0.01L * 1});
  for (const long double he : {0.4L, 0.1L}) candidates.push_back({he, 0.01L * 36});
  const OutlierFit<long double> fit = fitOutliers<long double>(candidates);
  // By rank the lowest are 0, 36, 37 ... and the highest ... 35, 38, 39:
  // 0 and 36, 38 and 39 are left out.
  long double numerator = 0, he = 0;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (i == 0 || i == 36 || i == 38 || i == 39) continue;
    numerator += candidates[i].f * candidates[i].he;
    he += candidates[i].he;
  }
  EXPECT_TRUE(fit.fitted);
  EXPECT_EQ(fit.trimmed, 36u);
  EXPECT_EQ(fit.fbar, numerator / he);
  ASSERT_EQ(fit.p.size(), candidates.size());
  EXPECT_GT(fit.p[38], 0);
  EXPECT_LT(fit.p[38], fit.p[0]);
  for (std::size_t i = 0; i < candidates.size(); ++i) EXPECT_GE(fit.q[i], fit.p[i]);
  EXPECT_GE(fit.df, kLowestDf);
  EXPECT_LE(fit.df, kHighestDf);

  // 22 candidates lose 1 at each end by rank, and a second F of 0 then: 19 are left.
  std::vector<OutlierCandidate<double>> few;
  for (int i = 0; i < 20; ++i) few.push_back({0.4, 0.02 + 0.001 * i});
  few.push_back({0.4, 0});
  few.push_back({0.4, 0});
  const OutlierFit<double> none = fitOutliers<double>(few);
  EXPECT_FALSE(none.fitted);
  EXPECT_EQ(none.trimmed, 19u);
  EXPECT_TRUE(std::isnan(none.df) && std::isnan(none.p[3]) && std::isnan(none.q[3]));
  few.push_back({0.4, 0.03});
  const OutlierFit<double> twenty = fitOutliers<double>(few);
  EXPECT_TRUE(twenty.fitted);
  EXPECT_EQ(twenty.trimmed, 20u);
  // A locus with F = 0 is not more differentiated than anything: p = 1.
  EXPECT_EQ(twenty.p[21], 1);
  EXPECT_FALSE(fitOutliers<double>({}).fitted);
}

}  // namespace
}  // namespace ortelan
