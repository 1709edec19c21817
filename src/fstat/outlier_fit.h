// Loci more differentiated than the background of the bulk of the loci,
// after OutFLANK (Whitlock, M.C. and Lotterhos, K.E. 2015, "Reliable
// detection of loci responsible for local adaptation: inference of a null
// model through trimming the distribution of F_ST", American Naturalist
// 186: S24-S36), on F without the sample-size correction (uncorrected_f.h):
//  1. the candidates are given (two populations typed, He at or above a floor);
//  2. trim: leave out the floor(0.05 n) candidates with the lowest F and the
//     floor(0.05 n) with the highest (by rank, ties in the candidates'
//     order), and then the loci with F = 0;
//  3. fit on the loci left: Fbar = sum F he / sum he; for a df, F = Fbar X / df
//     with X ~ chi2(df), truncated to [F_min, F_max] of those loci; df is
//     the value in [1, 10000] that maximises the log-likelihood of their F;
//  4. test every candidate: p = P(chi2(df) >= df F / Fbar), the right tail,
//     and q by Benjamini and Hochberg over the candidates (R's p.adjust(p, "BH")).
// Each locus's numerator is taken as F he, from the two values its row of
// the results table prints, so that the rows read back give the same fit
// to the last bit (a merge of tables refits from them).
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <span>
#include <vector>

namespace ortelan {

// Below this many loci left after trimming there is no fit.
inline constexpr std::size_t kMinTrimmedLoci = 20;
// The share of the candidates trimmed at each end.
inline constexpr double kTrimmedShare = 0.05;
// The range of the df searched.
inline constexpr double kLowestDf = 1, kHighestDf = 10000;

template <class Real>
struct OutlierCandidate {
  Real he = 0, f = 0;
};

template <class Real>
struct OutlierFit {
  static constexpr Real kNA = std::numeric_limits<Real>::quiet_NaN();
  std::size_t trimmed = 0;  // the loci the fit is made on
  bool fitted = false;      // at least kMinTrimmedLoci of them
  Real df = kNA, fbar = kNA;
  std::vector<Real> p, q;  // per candidate, in their order; NaN without a fit
};

// The whole test over `candidates`, each with he > 0 and f >= 0. The
// P-values are computed on `workers` threads, the caller's calling
// whileWaiting() meanwhile.
template <class Real>
OutlierFit<Real> fitOutliers(std::span<const OutlierCandidate<Real>> candidates, int workers = 1,
                             const std::function<void()>& whileWaiting = [] {});

}  // namespace ortelan
