// A whole number written as digits alone (no sign for unsigned types, no
// blanks, nothing after), within its type's range: settings, seeds, locus
// numbers and the fields of the program's own tables.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace ortelan {

template <class Whole>
std::optional<Whole> wholeNumber(std::string_view text) {
  Whole value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace ortelan
