// DO_OUTLIERS: the outlier test of the loci of a run (outlier_fit.h) on
// their F without the sample-size correction, counted from the allele
// tables the reading made; and the same test over rows read back from
// results tables, for a merge of them.
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <vector>

#include "input/tables/data_tables.h"
#include "run/run.h"

namespace ortelan {

// The q below which a locus stands out from the background.
inline constexpr double kOutlierLevel = 0.05;
// The floor of He of a candidate, unless given.
inline constexpr double kDefaultOutliersMinHe = 0.1;

template <class Real>
struct OutlierResults {
  static constexpr Real kNA = std::numeric_limits<Real>::quiet_NaN();
  // Per locus from 1 (entry 0 unused): he and f_nc of the candidates, and
  // their p and q where there is a fit; NaN elsewhere.
  std::vector<Real> he, f, p, q;
  std::size_t candidates = 0, trimmed = 0;
  bool fitted = false;
  Real df = kNA, fbar = kNA;  // the fit's df and F of the background

  bool standsOut(int locus) const { return q[static_cast<std::size_t>(locus)] < Real(kOutlierLevel); }
  std::size_t standingOut() const;
};

// The candidates of the run are its loci with two or more populations
// typed and He at or above minHe (and above 0).
template <class Real>
OutlierResults<Real> DO_OUTLIERS(Run<Real>& run, const DataTables& tables, double minHe);

// The test over `out.he` and `out.f` as given (NaN: not a candidate): what
// DO_OUTLIERS finishes with, and what a merge computes again.
template <class Real>
void testOutliers(OutlierResults<Real>& out, int workers, const std::function<void()>& whileWaiting);

}  // namespace ortelan
