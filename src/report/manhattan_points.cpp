#include "report/manhattan_points.h"

#include <cmath>
#include <algorithm>
#include <limits>

#include "report/results_table.h"

namespace ortelan {

template <class Real>
std::vector<ManhattanPoint> manhattanPoints(const RunState<Real>& s, ExactTest test, const std::vector<Real>* outlierQ) {
  std::vector<ManhattanPoint> points;
  for (int I = 1; I <= s.NUMBOFLOCI; ++I) {
    if (!s.isTested(I)) continue;
    ManhattanPoint point;
    if (s.hasSites()) {
      point.chromosome = s.sites[static_cast<std::size_t>(I)].chrom;
      point.position = s.sites[static_cast<std::size_t>(I)].pos;
    } else {
      point.position = I;
    }
    point.name = tableName(s.LOCUSNAME[static_cast<std::size_t>(I)]);
    if (test == ExactTest::None) {
      point.p = std::max(static_cast<double>(locusValues(s, I, test).pChi2), std::numeric_limits<double>::min());
      point.se = std::numeric_limits<double>::quiet_NaN();
    } else {
      const Real p = s.FISHERPPERLOCUS[static_cast<std::size_t>(I)];
      point.p = static_cast<double>(p);
      point.se = static_cast<double>(s.FISHERSEPERLOCUS[static_cast<std::size_t>(I)]);
      const PMethod method = s.methodPerLocus[static_cast<std::size_t>(I)];
      point.exact = method == PMethod::Exact;
      point.sampled = method == PMethod::Sampled;
      point.tail = method == PMethod::Tail;
      point.low = static_cast<double>(s.pLowPerLocus[static_cast<std::size_t>(I)]);
      point.high = static_cast<double>(s.pHighPerLocus[static_cast<std::size_t>(I)]);
      // An exact or tail P is above 0 (a run writes the least positive real
      // for one below it); an edited table's 0 is drawn as that.
      if (point.exact || point.tail) {
        const Real least = std::numeric_limits<Real>::min();
        point.minusLog10P = p >= 1 ? 0.0 : -static_cast<double>(std::log10(std::max(p, least)));
      }
    }
    if (outlierQ != nullptr) point.outlierQ = static_cast<double>((*outlierQ)[static_cast<std::size_t>(I)]);
    points.push_back(std::move(point));
  }
  return points;
}

std::string manhattanPlotTitle(ExactTest test) {
  if (test == ExactTest::Genic) return std::string(kManhattanPlotTitle);
  if (test == ExactTest::None) return "Pearson's chi-square of each locus: \u2212log\u2081\u2080 P";
  return std::string(test == ExactTest::Genotypic ? "Exact G test (genotypic)" : "Exact G test (genic)") +
         " of each locus: \u2212log\u2081\u2080 P";
}

template std::vector<ManhattanPoint> manhattanPoints<double>(const RunState<double>&, ExactTest,
                                                             const std::vector<double>*);
template std::vector<ManhattanPoint> manhattanPoints<long double>(const RunState<long double>&, ExactTest,
                                                                  const std::vector<long double>*);

}  // namespace ortelan
