#include "report/outlier_note.h"

#include <cstdio>

#include "fstat/outlier_fit.h"
#include "report/hierarchy_report.h"
#include "report/writefinal.h"

namespace ortelan {

template <class Real>
std::string outlierLine(const OutlierResults<Real>& outliers) {
  char text[160];
  if (!outliers.fitted) {
    std::snprintf(text, sizeof text, "Only %zu %s left for the outlier fit once trimmed, fewer than %zu: no outlier test",
                  outliers.trimmed, outliers.trimmed == 1 ? "locus is" : "loci are", kMinTrimmedLoci);
    return text;
  }
  const std::size_t count = outliers.standingOut();
  std::snprintf(text, sizeof text, "%zu %s out from the background at q < 0.05 (F of the background %.4g, df %.2f)",
                count, count == 1 ? "locus stands" : "loci stand", static_cast<double>(outliers.fbar),
                static_cast<double>(outliers.df));
  return text;
}

template <class Real>
std::string scriptedReport(const Edition& edition, const RunState<Real>& state, const CivilDate& date, ExactTest test,
                           const OutlierResults<Real>* outliers, const PermutationResults<Real>* permutations,
                           const std::vector<HierarchyRow<Real>>* hierarchy, const PopulationGroups* groups) {
  std::string report = formatReport(edition, state, date, test);
  // Indented as the report's other lines under its table.
  if (outliers != nullptr) report.append(" ").append(outlierLine(*outliers)).append("\r\n");
  if (permutations != nullptr) report += permutationReportLines(*permutations);
  if (hierarchy != nullptr) report += hierarchyReportSection(state, *hierarchy, groups, permutations);
  return report;
}

template std::string scriptedReport<double>(const Edition&, const RunState<double>&, const CivilDate&, ExactTest,
                                            const OutlierResults<double>*, const PermutationResults<double>*,
                                            const std::vector<HierarchyRow<double>>*, const PopulationGroups*);
template std::string scriptedReport<long double>(const Edition&, const RunState<long double>&, const CivilDate&,
                                                 ExactTest, const OutlierResults<long double>*,
                                                 const PermutationResults<long double>*,
                                                 const std::vector<HierarchyRow<long double>>*,
                                                 const PopulationGroups*);
template std::string outlierLine<double>(const OutlierResults<double>&);
template std::string outlierLine<long double>(const OutlierResults<long double>&);

}  // namespace ortelan
