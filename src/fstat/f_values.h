// The F-statistics of a row of the results or pairs table, and of a TOTAL
// row over rows. NaN stands for NA throughout.
//  - fst (theta) = a / (a + b + c); fit = 1 - c / (a + b + c); fis = 1 - c /
//    (b + c). A haploid locus has theta = a / (a + b) and no fis or fit.
//  - fst_num = a and fst_den = a + b + c (a + b at a haploid locus), summed
//    over alleles: the components that add up over loci.
//  - The TOTAL row takes the multilocus estimates as ratios of sums over its
//    rows, in row order: theta = sum fst_num / sum fst_den over the rows
//    with components; fit = 1 - sum c / sum fst_den and fis = 1 - sum c /
//    sum (b + c) over the rows with a fit (the diploid ones), each row's c
//    taken back as (1 - fit) fst_den and its b + c as fst_den - fst_num.
//    So the TOTAL is a function of the rows' printed values alone, which
//    read back exactly: tables of shards of a run, their rows put together
//    in order, give the whole run's TOTAL to the last bit.
#pragma once

#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "fstat/variance_components.h"

namespace ortelan {

template <class Real>
struct FValues {
  static constexpr Real kNA = std::numeric_limits<Real>::quiet_NaN();
  Real fis = kNA, fst = kNA, fit = kNA, num = kNA, den = kNA;

  bool hasComponents() const { return num == num && den == den; }
};

// A row's values from its components (none: NA throughout).
template <class Real>
FValues<Real> rowFValues(const std::optional<VarianceComponents<Real>>& components, bool diploid);

// A row's values over populations `rows` (from 0) of a locus's sample.
template <class Real>
FValues<Real> sampleFValues(const LocusSample& sample, std::span<const int> rows);

// A TOTAL row's values summed row after row, as totalFValues sums them, for
// rows that are not held together (the pairs', as they are written).
template <class Real>
class FTotalSum {
 public:
  void add(const FValues<Real>& row);
  FValues<Real> result() const;

 private:
  Real num_ = 0, den_ = 0;                                        // rows with components
  Real within_ = 0, diploidDen_ = 0, withinAndIndividuals_ = 0;  // rows with a fit: sum c, sum (a + b + c), sum (b + c)
  bool any_ = false, anyDiploid_ = false;
};

// A TOTAL row's values over `rows`, in their order.
template <class Real>
FValues<Real> totalFValues(std::span<const FValues<Real>> rows);

}  // namespace ortelan
