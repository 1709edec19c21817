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
FValues<Real> sampleFValues(const LocusSample& sample, std::span<const int> rows) {
  return rowFValues(varianceComponents<Real>(sample, rows), sample.genesPerIndividual == 2);
}

template <class Real>
void FTotalSum<Real>::add(const FValues<Real>& row) {
  if (!row.hasComponents()) return;
  any_ = true;
  num_ += row.num;
  den_ += row.den;
  if (row.fit != row.fit) return;
  anyDiploid_ = true;
  within_ += (1 - row.fit) * row.den;
  diploidDen_ += row.den;
  withinAndIndividuals_ += row.den - row.num;
}

template <class Real>
FValues<Real> FTotalSum<Real>::result() const {
  FValues<Real> t;
  if (!any_) return t;
  t.num = num_;
  t.den = den_;
  t.fst = num_ / den_;
  if (anyDiploid_) {
    t.fit = 1 - within_ / diploidDen_;
    if (withinAndIndividuals_ != 0) t.fis = 1 - within_ / withinAndIndividuals_;
  }
  return t;
}

template <class Real>
FValues<Real> totalFValues(std::span<const FValues<Real>> rows) {
  FTotalSum<Real> sum;
  for (const FValues<Real>& row : rows) sum.add(row);
  return sum.result();
}

template FValues<double> rowFValues<double>(const std::optional<VarianceComponents<double>>&, bool);
template FValues<long double> rowFValues<long double>(const std::optional<VarianceComponents<long double>>&, bool);
template FValues<double> sampleFValues<double>(const LocusSample&, std::span<const int>);
template FValues<long double> sampleFValues<long double>(const LocusSample&, std::span<const int>);
template class FTotalSum<double>;
template class FTotalSum<long double>;
template FValues<double> totalFValues<double>(std::span<const FValues<double>>);
template FValues<long double> totalFValues<long double>(std::span<const FValues<long double>>);

}  // namespace ortelan
