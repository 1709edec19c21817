#include "fstat/hierarchy.h"

#include <vector>

namespace ortelan {

template <class Real>
HierarchyRow<Real> hierarchyRow(const LocusSample& sample, std::span<const int> rows, std::span<const int> groupOf) {
  HierarchyRow<Real> out;
  const bool grouped = !groupOf.empty();
  const std::int64_t k = sample.genesPerIndividual;
  const bool diploid = k == 2;
  // The populations typed, and the groups they make.
  struct Typed {
    int row, group;
    std::int64_t individuals, genes;
  };
  std::vector<Typed> typed;
  int groups = 0;
  std::vector<int> groupPlace(grouped ? groupOf.size() : 0, -1);  // a group's place among those typed
  std::vector<std::int64_t> groupGenes;
  std::int64_t N = 0;
  for (int row : rows) {
    const std::int64_t n = sample.typed[static_cast<std::size_t>(row)];
    if (n == 0) continue;
    int group = 0;
    if (grouped) {
      int& place = groupPlace[static_cast<std::size_t>(groupOf[static_cast<std::size_t>(row)])];
      if (place < 0) {
        place = groups++;
        groupGenes.push_back(0);
      }
      group = place;
    } else if (groups == 0) {
      groups = 1;
      groupGenes.push_back(0);
    }
    typed.push_back({row, group, n, k * n});
    groupGenes[static_cast<std::size_t>(group)] += k * n;
    N += n;
  }
  const auto P = static_cast<std::int64_t>(typed.size());
  const std::int64_t G = groups;
  if (P == 0) return out;
  const Real K = static_cast<Real>(k * N);

  // The sums of squares, over the alleles carried.
  Real ssA = 0, ssB = 0, ssC = 0, ssW = 0;
  int alleles = 0;
  std::vector<std::int64_t> groupCopies(static_cast<std::size_t>(G));
  for (int u = 0; u < sample.alleles; ++u) {
    std::int64_t X = 0;
    std::fill(groupCopies.begin(), groupCopies.end(), 0);
    for (const Typed& t : typed) {
      const std::int64_t x = sample.genesAt(t.row, u);
      groupCopies[static_cast<std::size_t>(t.group)] += x;
      X += x;
    }
    if (X == 0) continue;
    ++alleles;
    const Real frequency = static_cast<Real>(X) / K;
    for (std::int64_t g = 0; g < G && grouped; ++g) {
      const Real Kg = static_cast<Real>(groupGenes[static_cast<std::size_t>(g)]);
      const Real deviation = static_cast<Real>(groupCopies[static_cast<std::size_t>(g)]) - Kg * frequency;
      ssA += deviation * deviation / Kg;
    }
    for (const Typed& t : typed) {
      const std::int64_t x = sample.genesAt(t.row, u);
      const Real Kp = static_cast<Real>(t.genes);
      const Real groupFrequency = static_cast<Real>(groupCopies[static_cast<std::size_t>(t.group)]) /
                                  static_cast<Real>(groupGenes[static_cast<std::size_t>(t.group)]);
      const Real deviation = static_cast<Real>(x) - Kp * groupFrequency;
      ssB += deviation * deviation / Kp;
      if (diploid) {
        // Σ_i x_i^2 / 2 - x_p^2 / K_p, over a whole-number numerator.
        const std::int64_t h = sample.heterozygotesAt(t.row, u);
        ssC += static_cast<Real>((2 * x - h) * t.genes - 2 * x * x) / (2 * Kp);
        ssW += static_cast<Real>(h) / 2;
      } else {
        ssW += static_cast<Real>(x * (t.genes - x)) / Kp;
      }
    }
  }

  // Degrees of freedom, and the sums of squares of the levels there are.
  const Real dfA = static_cast<Real>(G - 1), dfB = static_cast<Real>(P - G);
  const Real dfC = static_cast<Real>(N - P), dfW = diploid ? static_cast<Real>(N) : static_cast<Real>(N - P);
  if (grouped) {
    out.ss[kAmongGroups] = ssA;
    out.df[kAmongGroups] = dfA;
  }
  out.ss[kAmongPopulations] = ssB;
  out.df[kAmongPopulations] = dfB;
  if (diploid) {
    out.ss[kAmongIndividuals] = ssC;
    out.df[kAmongIndividuals] = dfC;
  }
  out.ss[kWithinIndividuals] = ssW;
  out.df[kWithinIndividuals] = dfW;
  if (alleles < 2 || P < 2 || (grouped && G < 2) || P <= G || N <= P) return out;

  // The coefficients of the expected mean squares.
  Real withinGroups = 0, overAll = 0, ofGroups = 0;
  for (const Typed& t : typed) {
    const Real Kp = static_cast<Real>(t.genes);
    withinGroups += Kp * Kp / static_cast<Real>(groupGenes[static_cast<std::size_t>(t.group)]);
    overAll += Kp * Kp / K;
  }
  for (std::int64_t g = 0; g < G; ++g) {
    const Real Kg = static_cast<Real>(groupGenes[static_cast<std::size_t>(g)]);
    ofGroups += Kg * Kg / K;
  }
  const Real msW = ssW / dfW;
  Real sigmaC = 0, base = msW;
  if (diploid) {
    const Real msC = ssC / dfC;
    sigmaC = (msC - msW) / static_cast<Real>(k);
    base = msC;
  }
  const Real nB = (K - withinGroups) / dfB;
  const Real sigmaB = (ssB / dfB - base) / nB;
  Real sigmaA = 0;
  if (grouped) {
    const Real nPrime = (withinGroups - overAll) / dfA, nSecond = (K - ofGroups) / dfA;
    sigmaA = (ssA / dfA - base - nPrime * sigmaB) / nSecond;
  }
  if (!(sigmaA + sigmaB + sigmaC + msW > 0)) return out;
  if (grouped) out.sigma[kAmongGroups] = sigmaA;
  out.sigma[kAmongPopulations] = sigmaB;
  if (diploid) out.sigma[kAmongIndividuals] = sigmaC;
  out.sigma[kWithinIndividuals] = msW;
  return out;
}

namespace {

// A level's value, 0 where the design has none.
template <class Real>
Real valueOr0(Real value) {
  return value == value ? value : Real(0);
}

template <class Real>
HierarchyF<Real> fOf(const std::array<Real, kHierarchyLevels>& sigma, bool grouped, bool diploid, Real diploidWithin,
                     Real diploidIndividuals, Real diploidTotal) {
  HierarchyF<Real> f;
  const Real a = valueOr0(sigma[kAmongGroups]), b = valueOr0(sigma[kAmongPopulations]);
  const Real c = valueOr0(sigma[kAmongIndividuals]), w = valueOr0(sigma[kWithinIndividuals]);
  const Real total = a + b + c + w;
  if (grouped) {
    f.ct = a / total;
    f.sc = b / (b + c + w);
  }
  f.st = (a + b) / total;
  if (diploid) {
    if (diploidIndividuals + diploidWithin != 0) f.is = diploidIndividuals / (diploidIndividuals + diploidWithin);
    f.it = 1 - diploidWithin / diploidTotal;
  }
  return f;
}

}  // namespace

template <class Real>
HierarchyF<Real> hierarchyF(const HierarchyRow<Real>& row) {
  if (!row.hasComponents()) return {};
  const Real c = valueOr0(row.sigma[kAmongIndividuals]), w = row.sigma[kWithinIndividuals];
  Real total = 0;
  for (Real sigma : row.sigma) total += valueOr0(sigma);
  return fOf(row.sigma, row.sigma[kAmongGroups] == row.sigma[kAmongGroups], row.diploid(), w, c, total);
}

template <class Real>
void HierarchySum<Real>::add(const HierarchyRow<Real>& row) {
  if (!row.hasComponents()) return;
  ++rows_;
  Real total = 0;
  for (int level = 0; level < kHierarchyLevels; ++level) {
    if (row.sigma[level] != row.sigma[level]) continue;
    seen_[level] = true;
    ss_[level] += row.ss[level];
    df_[level] += row.df[level];
    sigma_[level] += row.sigma[level];
    total += row.sigma[level];
  }
  if (row.diploid()) {
    ++diploidRows_;
    diploidWithin_ += row.sigma[kWithinIndividuals];
    diploidIndividuals_ += row.sigma[kAmongIndividuals];
    diploidTotal_ += total;
  }
}

template <class Real>
HierarchyRow<Real> HierarchySum<Real>::total() const {
  HierarchyRow<Real> row;
  if (rows_ == 0) return row;
  for (int level = 0; level < kHierarchyLevels; ++level) {
    if (!seen_[level]) continue;
    row.ss[level] = ss_[level];
    row.df[level] = df_[level];
    row.sigma[level] = sigma_[level];
  }
  return row;
}

template <class Real>
HierarchyF<Real> HierarchySum<Real>::f() const {
  if (rows_ == 0) return {};
  return fOf(total().sigma, seen_[kAmongGroups], diploidRows_ > 0, diploidWithin_, diploidIndividuals_, diploidTotal_);
}

template HierarchyRow<double> hierarchyRow<double>(const LocusSample&, std::span<const int>, std::span<const int>);
template HierarchyRow<long double> hierarchyRow<long double>(const LocusSample&, std::span<const int>,
                                                             std::span<const int>);
template HierarchyF<double> hierarchyF<double>(const HierarchyRow<double>&);
template HierarchyF<long double> hierarchyF<long double>(const HierarchyRow<long double>&);
template class HierarchySum<double>;
template class HierarchySum<long double>;

}  // namespace ortelan
