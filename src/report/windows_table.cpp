#include "report/windows_table.h"

namespace ortelan {

template <class Real>
std::string formatWindowsTable(const TableHeading& heading, const std::vector<WindowFst<Real>>& windows) {
  std::string text = tableCommentLine(heading) + "\r\n";
  text += kWindowColumnNames[0];
  for (std::size_t k = 1; k < std::size(kWindowColumnNames); ++k) appendField(text, kWindowColumnNames[k]);
  text += "\r\n";
  for (const WindowFst<Real>& w : windows) {
    text += tableName(w.chrom);
    appendField(text, std::to_string(w.start));
    appendField(text, std::to_string(w.end));
    appendField(text, std::to_string(w.sites));
    for (Real value : {w.fst, w.num, w.den, w.meanFst}) appendField(text, tableNumber(value));
    text += "\r\n";
  }
  return text;
}

template std::string formatWindowsTable<double>(const TableHeading&, const std::vector<WindowFst<double>>&);
template std::string formatWindowsTable<long double>(const TableHeading&, const std::vector<WindowFst<long double>>&);

}  // namespace ortelan
