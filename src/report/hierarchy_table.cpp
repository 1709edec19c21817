#include "report/hierarchy_table.h"

#include <limits>

namespace ortelan {
namespace {

template <class Real>
void appendRow(std::string& text, const HierarchyRow<Real>& row, const HierarchyF<Real>& f) {
  for (const auto* values : {&row.ss, &row.df, &row.sigma}) {
    for (Real value : *values) appendRealField(text, value);
  }
  for (Real value : {f.ct, f.sc, f.st, f.is, f.it}) appendRealField(text, value);
}

}  // namespace

std::string hierarchyColumnsHeader(bool sites) {
  std::string header = "locus\tname";
  if (sites) header += "\tchrom\tpos";
  for (const char* name : kHierarchyColumnNames) appendField(header, name);
  return header;
}

template <class Real>
std::vector<Real> hierarchyPValues(const PermutationResults<Real>* permutations) {
  std::vector<Real> values;
  const auto add = [&values](const std::optional<PermutationOutcome<Real>>& test) {
    const Real na = std::numeric_limits<Real>::quiet_NaN();
    values.push_back(test ? test->p.p : na);
    values.push_back(test ? test->p.low : na);
    values.push_back(test ? test->p.high : na);
  };
  const std::optional<PermutationOutcome<Real>> none;
  add(permutations != nullptr ? permutations->amongGroups : none);
  add(permutations != nullptr ? permutations->withinGroups : none);
  add(permutations != nullptr ? permutations->amongPopulations : none);
  return values;
}

template <class Real>
std::string formatHierarchyTable(const TableHeading& heading, const DataSummary& data,
                                 const std::vector<HierarchyRow<Real>>& rows,
                                 const PermutationResults<Real>* permutations) {
  std::string text = tableCommentLine(heading) + "\r\n" + hierarchyColumnsHeader(data.hasSites()) + "\r\n";
  // Some 20 characters a field: the table grows without being copied again and again.
  text.reserve(text.size() + (static_cast<std::size_t>(data.NUMBOFLOCI) + 1) * 30 * 20);
  HierarchySum<Real> sum;
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    if (!data.isInRun(I)) continue;
    const HierarchyRow<Real>& row = rows[static_cast<std::size_t>(I)];
    text += std::to_string(I);
    appendLocusName(text, data, I);
    appendRow(text, row, hierarchyF(row));
    text += "\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA";
    text += "\r\n";
    sum.add(row);
  }
  appendTotalName(text, data);
  appendRow(text, sum.total(), sum.f());
  for (Real value : hierarchyPValues(permutations)) appendRealField(text, value);
  text += "\r\n";
  return text;
}

template std::vector<double> hierarchyPValues<double>(const PermutationResults<double>*);
template std::vector<long double> hierarchyPValues<long double>(const PermutationResults<long double>*);
template std::string formatHierarchyTable<double>(const TableHeading&, const DataSummary&,
                                                  const std::vector<HierarchyRow<double>>&,
                                                  const PermutationResults<double>*);
template std::string formatHierarchyTable<long double>(const TableHeading&, const DataSummary&,
                                                       const std::vector<HierarchyRow<long double>>&,
                                                       const PermutationResults<long double>*);

}  // namespace ortelan
