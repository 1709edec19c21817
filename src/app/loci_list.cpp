#include "app/loci_list.h"

#include <algorithm>

#include "run/whole_number.h"

namespace ortelan {
namespace {

std::optional<int> locusNumber(std::string_view text) {
  const std::optional<int> value = wholeNumber<int>(text);
  if (!value || *value < 1) return std::nullopt;
  return value;
}

}  // namespace

int LociList::highest() const {
  int top = 0;
  for (const auto& range : ranges) top = std::max(top, range.second);
  return top;
}

std::vector<char> LociList::marks(int loci) const {
  std::vector<char> marked(static_cast<std::size_t>(loci) + 1, 0);
  for (const auto& [first, last] : ranges) {
    for (int locus = first; locus <= std::min(last, loci); ++locus) marked[static_cast<std::size_t>(locus)] = 1;
  }
  return marked;
}

LociListParse parseLociList(std::string_view text) {
  LociList list;
  while (true) {
    const std::size_t comma = std::min(text.find(','), text.size());
    const std::string_view piece = text.substr(0, comma);
    const std::size_t dash = piece.find('-');
    const std::optional<int> first = locusNumber(piece.substr(0, dash));
    const std::optional<int> last = dash == std::string_view::npos ? first : locusNumber(piece.substr(dash + 1));
    if (!first || !last) {
      std::string error = "'";
      error.append(piece).append("' is not a locus number (1, 2, ...) or a range such as 3-9");
      return {std::nullopt, error};
    }
    if (*last < *first) return {std::nullopt, std::string("the range '").append(piece).append("' runs backwards")};
    list.ranges.emplace_back(*first, *last);
    if (comma == text.size()) break;
    text.remove_prefix(comma + 1);
  }
  return {list, {}};
}

}  // namespace ortelan
