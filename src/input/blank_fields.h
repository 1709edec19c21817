// The fields of a line of a small text file (a population map, a groups
// file): runs of characters between blanks, tabs and a CR.
#pragma once

#include <string_view>
#include <vector>

namespace ortelan {

inline bool isFieldBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

inline std::vector<std::string_view> blankSeparatedFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && isFieldBlank(line[pos])) ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && !isFieldBlank(line[pos])) ++pos;
    if (pos > start) fields.push_back(line.substr(start, pos - start));
  }
  return fields;
}

}  // namespace ortelan
