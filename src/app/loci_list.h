// A list of loci by number in file order, as a user writes it: "7",
// "1-500", "3,9-12". Ranges may overlap; the list is their union.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ortelan {

struct LociList {
  std::vector<std::pair<int, int>> ranges;  // first..last, each first >= 1

  int highest() const;
  // Marks the listed loci among 1..loci (index 0 unused).
  std::vector<char> marks(int loci) const;
};

// The list, or an error that says what is wrong with it.
struct LociListParse {
  std::optional<LociList> list;
  std::string error;
};
LociListParse parseLociList(std::string_view text);

}  // namespace ortelan
