#include "report/permutation_table.h"

namespace ortelan {
namespace {

template <class Real>
void appendTest(std::string& text, const char* name, const std::string& pair, const PermutationOutcome<Real>& o) {
  const std::string lead = std::string(name) + "\t" + pair + "\t" + std::to_string(o.loci) + "\t" +
                           std::to_string(o.tie) + "\t";
  for (std::size_t k = 0; k <= o.permuted.size(); ++k) {
    const std::int64_t units = k == 0 ? o.observed : o.permuted[k - 1];
    text += lead;
    text += std::to_string(k);
    text += '\t';
    text += tableNumber(gOfUnits<Real>(units));
    text += '\t';
    text += std::to_string(units);
    text += "\r\n";
  }
}

}  // namespace

template <class Real>
std::string formatPermutationTable(const TableHeading& heading, const PermutationResults<Real>& r) {
  std::string text = tableCommentLine(heading) + "\r\n" + kPermutationTableHeader + "\r\n";
  if (r.amongPopulations) appendTest(text, permutationKindName(PermutationKind::AmongPopulations), "NA\tNA", *r.amongPopulations);
  if (r.withinGroups) appendTest(text, permutationKindName(PermutationKind::WithinGroups), "NA\tNA", *r.withinGroups);
  if (r.amongGroups) appendTest(text, permutationKindName(PermutationKind::AmongGroups), "NA\tNA", *r.amongGroups);
  std::size_t pair = 0;
  for (int a = 1; a < r.populations && !r.pairs.empty(); ++a) {
    for (int b = a + 1; b <= r.populations; ++b, ++pair) {
      appendTest(text, permutationKindName(PermutationKind::Pair), std::to_string(a) + "\t" + std::to_string(b),
                 r.pairs[pair]);
    }
  }
  return text;
}

template std::string formatPermutationTable<double>(const TableHeading&, const PermutationResults<double>&);
template std::string formatPermutationTable<long double>(const TableHeading&, const PermutationResults<long double>&);

}  // namespace ortelan
