// The hierarchical analysis of variance against a nested analysis made
// apart, gene by gene, from the individuals: its sums of squares about the
// units' means, and the coefficients of its expected mean squares from the
// sizes of the units at every level; and, without groups, against Weir and
// Cockerham's components.
#include "fstat/hierarchy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <array>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <vector>

#include "fstat/f_values.h"
#include "fstat/variance_components.h"

namespace ortelan {
namespace {

// Individuals of a made-up locus: per individual its population, and its
// genes (allele from 0, -1 missing).
struct Individuals {
  int populations = 0, alleles = 0, ploidy = 2;
  std::vector<int> population;
  std::vector<std::vector<int>> genes;
};

Individuals madeUp(std::mt19937& random, int populations, int alleles, int ploidy, double missing) {
  Individuals data;
  data.populations = populations;
  data.alleles = alleles;
  data.ploidy = ploidy;
  for (int pop = 0; pop < populations; ++pop) {
    // Populations of unlike sizes and allele frequencies.
    std::vector<double> weights;
    for (int u = 0; u < alleles; ++u) weights.push_back(0.2 + static_cast<double>(random() % 100) / 25.0);
    std::discrete_distribution<int> allele(weights.begin(), weights.end());
    const int individuals = 3 + static_cast<int>(random() % 12);
    for (int i = 0; i < individuals; ++i) {
      data.population.push_back(pop);
      std::vector<int> genes;
      for (int k = 0; k < ploidy; ++k) genes.push_back(allele(random));
      if (std::uniform_real_distribution<double>(0, 1)(random) < missing) genes[0] = -1;  // incomplete: left out
      data.genes.push_back(genes);
    }
  }
  return data;
}

LocusSample sampleOf(const Individuals& data) {
  LocusSample s;
  s.genesPerIndividual = data.ploidy;
  s.populations = data.populations;
  s.alleles = data.alleles;
  s.typed.assign(static_cast<std::size_t>(data.populations), 0);
  s.genes.assign(static_cast<std::size_t>(data.populations * data.alleles), 0);
  s.heterozygotes.assign(s.genes.size(), 0);
  for (std::size_t i = 0; i < data.genes.size(); ++i) {
    const std::vector<int>& g = data.genes[i];
    if (g[0] < 0) continue;
    const auto pop = static_cast<std::size_t>(data.population[i]);
    ++s.typed[pop];
    for (int gene : g) ++s.genes[pop * static_cast<std::size_t>(data.alleles) + static_cast<std::size_t>(gene)];
    if (data.ploidy == 2 && g[0] != g[1]) {
      for (int gene : g) ++s.heterozygotes[pop * static_cast<std::size_t>(data.alleles) + static_cast<std::size_t>(gene)];
    }
  }
  return s;
}

// The nested analysis made apart: every typed gene with its unit at each
// level (0 all, 1 group, 2 population, 3 individual, 4 the gene itself; a
// haploid locus has no level 3). Sums of squares about the units' means,
// summed over alleles; the coefficient of level M's component in level L's
// expected mean square, Σ_U Σ_{m in U} K_m^2 / K_U less the same over the
// level above, over L's degrees of freedom; the components solved from the
// lowest level up.
struct Direct {
  std::array<double, 4> ss{}, df{}, sigma{};
};

Direct directAnalysis(const Individuals& data, const std::vector<int>& groupOf) {
  const bool grouped = !groupOf.empty();
  std::vector<int> levels = {0, 1, 2, 3, 4};
  if (!grouped) levels.erase(levels.begin() + 1);
  if (data.ploidy == 1) levels.erase(std::find(levels.begin(), levels.end(), 3));
  struct Gene {
    std::array<long, 5> unit;
    int allele;
  };
  std::vector<Gene> genes;
  long serial = 0;
  for (std::size_t i = 0; i < data.genes.size(); ++i) {
    if (data.genes[i][0] < 0) continue;
    const int pop = data.population[i];
    for (int allele : data.genes[i]) {
      genes.push_back({{0, grouped ? groupOf[static_cast<std::size_t>(pop)] : 0, pop, static_cast<long>(i), serial++},
                       allele});
    }
  }
  // Units per level, with their sizes and parents.
  const auto sizes = [&](int level) {
    std::map<long, double> size;
    for (const Gene& g : genes) size[g.unit[static_cast<std::size_t>(level)]] += 1;
    return size;
  };
  // Σ over units U of level L of Σ over units m of level M within U of K_m^2 / K_U.
  const auto within = [&](int L, int M) {
    std::map<long, double> sizeL = sizes(L);
    std::map<std::pair<long, long>, double> sizeM;
    for (const Gene& g : genes) sizeM[{g.unit[static_cast<std::size_t>(L)], g.unit[static_cast<std::size_t>(M)]}] += 1;
    double sum = 0;
    for (const auto& [key, k] : sizeM) sum += k * k / sizeL[key.first];
    return sum;
  };
  const std::size_t n = levels.size();
  std::vector<double> ss(n, 0), df(n, 0), ms(n, 0);
  for (std::size_t l = 1; l < n; ++l) {
    const int L = levels[l], above = levels[l - 1];
    df[l] = static_cast<double>(sizes(L).size()) - static_cast<double>(sizes(above).size());
    for (int u = 0; u < data.alleles; ++u) {
      std::map<long, double> sum, size, sumAbove, sizeAbove;
      for (const Gene& g : genes) {
        const double x = g.allele == u ? 1 : 0;
        sum[g.unit[static_cast<std::size_t>(L)]] += x;
        size[g.unit[static_cast<std::size_t>(L)]] += 1;
        sumAbove[g.unit[static_cast<std::size_t>(above)]] += x;
        sizeAbove[g.unit[static_cast<std::size_t>(above)]] += 1;
      }
      std::map<long, long> parent;
      for (const Gene& g : genes) parent[g.unit[static_cast<std::size_t>(L)]] = g.unit[static_cast<std::size_t>(above)];
      for (const auto& [unit, k] : size) {
        const double deviation = sum[unit] / k - sumAbove[parent[unit]] / sizeAbove[parent[unit]];
        ss[l] += k * deviation * deviation;
      }
    }
    ms[l] = ss[l] / df[l];
  }
  std::vector<double> sigma(n, 0);
  for (std::size_t l = n - 1; l >= 1; --l) {
    double rest = ms[l];
    for (std::size_t m = l + 1; m < n; ++m) {
      rest -= (within(levels[l], levels[m]) - within(levels[l - 1], levels[m])) / df[l] * sigma[m];
    }
    sigma[l] = rest / ((within(levels[l], levels[l]) - within(levels[l - 1], levels[l])) / df[l]);
  }
  Direct out;
  out.ss.fill(std::nan(""));
  out.df.fill(std::nan(""));
  out.sigma.fill(std::nan(""));
  for (std::size_t l = 1; l < n; ++l) {
    // Level 4, the genes within individuals (or within populations), is w.
    const int level = levels[l] == 4 ? kWithinIndividuals : levels[l] - 1;
    out.ss[static_cast<std::size_t>(level)] = ss[l];
    out.df[static_cast<std::size_t>(level)] = df[l];
    out.sigma[static_cast<std::size_t>(level)] = sigma[l];
  }
  return out;
}

template <class Real>
void expectClose(const std::array<Real, 4>& got, const std::array<double, 4>& want, const char* what, int seed) {
  for (int level = 0; level < 4; ++level) {
    const double g = static_cast<double>(got[static_cast<std::size_t>(level)]);
    const double w = want[static_cast<std::size_t>(level)];
    if (std::isnan(w)) {
      EXPECT_TRUE(std::isnan(g)) << what << " level " << level << " seed " << seed;
    } else {
      EXPECT_NEAR(g, w, 1e-10 * (1 + std::fabs(w))) << what << " level " << level << " seed " << seed;
    }
  }
}

TEST(Hierarchy, UnbalancedDesignsWithMissingGenotypesAsTheNestedAnalysisMadeApart) {
  for (int seed = 1; seed <= 12; ++seed) {
    std::mt19937 random(static_cast<std::uint32_t>(seed));
    const int ploidy = seed % 4 == 0 ? 1 : 2;
    const int populations = 4 + seed % 5;
    const Individuals data = madeUp(random, populations, 2 + seed % 4, ploidy, 0.15);
    // Groups of one to four populations.
    std::vector<int> groupOf;
    for (int pop = 0; pop < populations; ++pop) groupOf.push_back(pop < 2 ? 0 : pop < populations - 1 ? 1 + pop % 2 : 1);
    std::vector<int> rows(static_cast<std::size_t>(populations));
    std::iota(rows.begin(), rows.end(), 0);
    const LocusSample sample = sampleOf(data);
    for (const bool grouped : {true, false}) {
      const std::vector<int> groups = grouped ? groupOf : std::vector<int>{};
      const Direct want = directAnalysis(data, groups);
      const HierarchyRow<long double> got = hierarchyRow<long double>(sample, rows, groups);
      expectClose(got.ss, want.ss, "ss", seed);
      expectClose(got.df, want.df, "df", seed);
      expectClose(got.sigma, want.sigma, "sigma", seed);
      const HierarchyRow<double> inDoubles = hierarchyRow<double>(sample, rows, groups);
      expectClose(inDoubles.sigma, want.sigma, "sigma (doubles)", seed);
    }
  }
}

// Without groups the analysis is Weir and Cockerham's: σ²_b, σ²_c and σ²_w
// are a, b and c, and F_ST, F_IS and F_IT the results table's, to the
// rounding of the two roads (a few units of the last place).
template <class Real>
void expectWeirAndCockerham(Real tolerance) {
  for (int seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(static_cast<std::uint32_t>(100 + seed));
    const int ploidy = seed % 5 == 0 ? 1 : 2;
    const Individuals data = madeUp(random, 2 + seed % 6, 2 + seed % 5, ploidy, seed % 2 == 0 ? 0.1 : 0.0);
    std::vector<int> rows(static_cast<std::size_t>(data.populations));
    std::iota(rows.begin(), rows.end(), 0);
    const LocusSample sample = sampleOf(data);
    const std::optional<VarianceComponents<Real>> wc = varianceComponents<Real>(sample, rows);
    const HierarchyRow<Real> row = hierarchyRow<Real>(sample, rows, {});
    ASSERT_EQ(wc.has_value(), row.hasComponents()) << seed;
    if (!wc) continue;
    const auto relative = [&](Real got, Real want) { return std::fabs(got - want) / (std::fabs(want) + Real(1e-3)); };
    EXPECT_LT(relative(row.sigma[kAmongPopulations], wc->a), tolerance) << seed;
    EXPECT_LT(relative(row.sigma[kWithinIndividuals], ploidy == 2 ? wc->c : wc->b), tolerance) << seed;
    if (ploidy == 2) {
      EXPECT_LT(relative(row.sigma[kAmongIndividuals], wc->b), tolerance) << seed;
    }
    const FValues<Real> f = rowFValues<Real>(wc, ploidy == 2);
    const HierarchyF<Real> h = hierarchyF(row);
    EXPECT_LT(std::fabs(h.st - f.fst), tolerance) << seed;
    EXPECT_TRUE(std::isnan(h.ct) && std::isnan(h.sc));
    if (ploidy == 2) {
      EXPECT_LT(std::fabs(h.is - f.fis), tolerance) << seed;
      EXPECT_LT(std::fabs(h.it - f.fit), tolerance) << seed;
    } else {
      EXPECT_TRUE(std::isnan(h.is) && std::isnan(h.it));
    }
  }
}

TEST(Hierarchy, WithoutGroupsTheComponentsAreWeirAndCockerhams) {
  expectWeirAndCockerham<long double>(1e-15L);
  expectWeirAndCockerham<double>(1e-12);
}

// Over loci the components add and each F is the ratio of the sums; F_IS
// and F_IT over the diploid loci alone; a locus without components adds
// nothing.
TEST(Hierarchy, SumsOverLociAddTheComponents) {
  HierarchyRow<double> diploid, haploid, none;
  diploid.ss = {1, 2, 3, 4};
  diploid.df = {1, 2, 10, 14};
  diploid.sigma = {0.1, 0.2, 0.3, 0.4};
  haploid.ss = {1, 1, std::nan(""), 2};
  haploid.df = {1, 2, std::nan(""), 12};
  haploid.sigma = {0.05, 0.15, std::nan(""), 0.8};
  none.ss = {0, 0, 0, 0};
  HierarchySum<double> sum;
  for (const auto& row : {diploid, haploid, none}) sum.add(row);
  EXPECT_EQ(sum.rows(), 2);
  const HierarchyRow<double> total = sum.total();
  EXPECT_DOUBLE_EQ(total.ss[kAmongPopulations], 3);
  EXPECT_DOUBLE_EQ(total.df[kWithinIndividuals], 26);
  EXPECT_DOUBLE_EQ(total.sigma[kAmongIndividuals], 0.3);
  const HierarchyF<double> f = sum.f();
  EXPECT_DOUBLE_EQ(f.ct, 0.15 / 2.0);
  EXPECT_DOUBLE_EQ(f.st, 0.5 / 2.0);
  EXPECT_DOUBLE_EQ(f.sc, 0.35 / (0.35 + 0.3 + 1.2));
  EXPECT_DOUBLE_EQ(f.is, 0.3 / 0.7);
  EXPECT_DOUBLE_EQ(f.it, 1 - 0.4 / 1.0);
}

}  // namespace
}  // namespace ortelan
