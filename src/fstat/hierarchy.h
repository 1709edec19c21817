// The hierarchical analysis of molecular variance of one locus: the
// variance of allele indicators split among groups of populations (a),
// among populations within groups (b), among individuals within
// populations (c) and between the genes within individuals (w), by the
// nested analysis of variance with the coefficients of unbalanced designs,
// summed over the locus's alleles (Weir, B.S. 1996, Genetic Data Analysis
// II, Sinauer, chapter 5; Yang, R.-C. 1998, "Estimating hierarchical
// F-statistics", Evolution 52: 950-956; the same analysis as Excoffier,
// Smouse and Quattro 1992 with allele identity as the distance).
//
// Units and their sizes in genes: an individual k (its ploidy), population
// p K_p = k n_p (n_p its individuals typed at the locus), group g K_g = Σ
// K_p, all K. For an allele with x genes in a unit (X_g in group g, X in
// all), the sums of squares are
//   among groups                  SS_a = Σ_g (X_g - K_g X / K)^2 / K_g
//   populations within groups     SS_b = Σ_p (x_p - K_p X_g / K_g)^2 / K_p
//   individuals within populations SS_c = Σ_i x_i^2 / k - Σ_p x_p^2 / K_p
//   genes within individuals      SS_w = Σ_i (x_i - x_i^2 / k)
// each summed over alleles, with Σ_i x_i^2 = 2 x_p - h_p over a diploid
// population's individuals (h_p its heterozygotes carrying the allele), so
// that SS_w = Σ_p h_p / 2. The degrees of freedom are a level's units less
// those of the level above (G - 1, P - G, N - P, N at a diploid locus), and
// the expected mean squares
//   E MS_w = σ²_w
//   E MS_c = σ²_w + k σ²_c
//   E MS_b = σ²_w + k σ²_c + n_b σ²_b,  n_b = (K - Σ_g Σ_p∈g K_p^2 / K_g) / (P - G)
//   E MS_a = σ²_w + k σ²_c + n' σ²_b + n'' σ²_a,
//            n' = (Σ_g Σ_p∈g K_p^2 / K_g - Σ_p K_p^2 / K) / (G - 1),
//            n'' = (K - Σ_g K_g^2 / K) / (G - 1),
// which the components solve. Without groups there is no a level, and the
// populations' level is among populations (n_b = (K - Σ_p K_p^2 / K) / (P -
// 1)): the components are then Weir and Cockerham's a, b and c
// (variance_components.h) by another road. A haploid locus has no level c:
// its genes within populations make the level w.
//
// Missing data: an individual without a complete genotype at the locus is
// left out of it, and a population or group with none typed there too; the
// sizes and coefficients are the locus's own.
#pragma once

#include <array>
#include <limits>
#include <span>

#include "fstat/locus_sample.h"

namespace ortelan {

enum HierarchyLevel { kAmongGroups = 0, kAmongPopulations = 1, kAmongIndividuals = 2, kWithinIndividuals = 3 };
inline constexpr int kHierarchyLevels = 4;

template <class Real>
struct HierarchyRow {
  static constexpr Real kNA = std::numeric_limits<Real>::quiet_NaN();
  // Per level; NaN where the design has no such level, where the locus has
  // too few units to give it, or (sigma) where the components are not
  // defined at the locus.
  std::array<Real, kHierarchyLevels> ss{kNA, kNA, kNA, kNA};
  std::array<Real, kHierarchyLevels> df{kNA, kNA, kNA, kNA};
  std::array<Real, kHierarchyLevels> sigma{kNA, kNA, kNA, kNA};

  bool hasComponents() const { return sigma[kWithinIndividuals] == sigma[kWithinIndividuals]; }
  bool diploid() const { return df[kAmongIndividuals] == df[kAmongIndividuals]; }
};

// The analysis of populations `rows` (from 0) of `sample`. `groupOf`: per
// population from 0, its group from 0; empty for no groups. The components
// are defined where the locus has two alleles or more, two populations (and
// two groups) typed, more populations than groups, more individuals than
// populations, and some variance.
template <class Real>
HierarchyRow<Real> hierarchyRow(const LocusSample& sample, std::span<const int> rows, std::span<const int> groupOf);

// The F-statistics of a row, or of rows summed (HierarchySum), from the
// components: F_CT = σ²_a / σ²_T, F_SC = σ²_b / (σ²_b + σ²_c + σ²_w), F_ST =
// (σ²_a + σ²_b) / σ²_T, F_IS = σ²_c / (σ²_c + σ²_w), F_IT = 1 - σ²_w / σ²_T.
// NaN where not defined: F_CT and F_SC without groups (F_SC is then
// F_ST), F_IS and F_IT without a diploid locus.
template <class Real>
struct HierarchyF {
  static constexpr Real kNA = std::numeric_limits<Real>::quiet_NaN();
  Real ct = kNA, sc = kNA, st = kNA, is = kNA, it = kNA;
};

// The sums over rows: SS, df and components of the rows with components,
// in row order; F_IS and F_IT over the diploid rows alone (as the results
// table's TOTAL takes them).
template <class Real>
class HierarchySum {
 public:
  void add(const HierarchyRow<Real>& row);
  // Whether any row had components.
  bool any() const { return rows_ > 0; }
  long rows() const { return rows_; }
  // The summed row (NaN for levels no row had).
  HierarchyRow<Real> total() const;
  HierarchyF<Real> f() const;

 private:
  std::array<Real, kHierarchyLevels> ss_{}, df_{}, sigma_{};
  std::array<bool, kHierarchyLevels> seen_{};
  Real diploidWithin_ = 0, diploidIndividuals_ = 0, diploidTotal_ = 0;
  long rows_ = 0, diploidRows_ = 0;
};

template <class Real>
HierarchyF<Real> hierarchyF(const HierarchyRow<Real>& row);

}  // namespace ortelan
