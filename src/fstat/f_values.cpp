#include "fstat/f_values.h"

namespace ortelan {

template <class Real>
FValues<Real> rowFValues(const std::optional<VarianceComponents<Real>>& components, bool diploid) {
  FValues<Real> v;
  if (!components) return v;
  const auto& [a, b, c] = *components;
  v.num = a;
  v.den = diploid ? a + b + c : a + b;
  v.fst = v.num / v.den;
  if (diploid) {
    v.fit = 1 - c / v.den;
    // b + c is 0 where every population is fixed: no heterozygosity to compare.
    if (b + c != 0) v.fis = 1 - c / (b + c);
  }
  return v;
}

template <class Real>
FValues<Real> totalFValues(std::span<const FValues<Real>> rows) {
  Real num = 0, den = 0;                          // rows with components
  Real within = 0, diploidDen = 0, withinAndIndividuals = 0;  // rows with a fit: sum c, sum (a + b + c), sum (b + c)
  bool any = false, anyDiploid = false;
  for (const FValues<Real>& row : rows) {
    if (!row.hasComponents()) continue;
    any = true;
    num += row.num;
    den += row.den;
    if (row.fit != row.fit) continue;
    anyDiploid = true;
    within += (1 - row.fit) * row.den;
    diploidDen += row.den;
    withinAndIndividuals += row.den - row.num;
  }
  FValues<Real> t;
  if (!any) return t;
  t.num = num;
  t.den = den;
  t.fst = num / den;
  if (anyDiploid) {
    t.fit = 1 - within / diploidDen;
    if (withinAndIndividuals != 0) t.fis = 1 - within / withinAndIndividuals;
  }
  return t;
}

template FValues<double> rowFValues<double>(const std::optional<VarianceComponents<double>>&, bool);
template FValues<long double> rowFValues<long double>(const std::optional<VarianceComponents<long double>>&, bool);
template FValues<double> totalFValues<double>(std::span<const FValues<double>>);
template FValues<long double> totalFValues<long double>(std::span<const FValues<long double>>);

}  // namespace ortelan
