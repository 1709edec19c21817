// Names as the data file gives them, made fit for messages and tables.
#pragma once

#include <string>
#include <string_view>

namespace ortelan {

// Without the blanks and tabs (and a stray carriage return) around it.
inline std::string_view trimBlanks(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace ortelan
