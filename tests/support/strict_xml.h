// A check stricter than the XML parser of the tests: what a browser takes.
#pragma once

#include <cstddef>
#include <regex>
#include <string>

namespace ortelan::testing {

// What the parser lets through: XML 1.0 in UTF-8 has well-formed sequences,
// no control characters but newline, and no '&' outside an entity.
inline bool strictXml(const std::string& s) {
  static const std::regex bareAmpersand("&(?!amp;|lt;|gt;|quot;|apos;)");
  if (std::regex_search(s, bareAmpersand)) return false;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xF0 && c < 0xF5 ? 4 : 0;
    if (n == 0 || i + n > s.size() || (n == 1 && c < 0x20 && c != '\n') || c == 0x7F) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    if (n == 2 && c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0) return false;  // C1 controls
    i += n;
  }
  return true;
}

}  // namespace ortelan::testing
