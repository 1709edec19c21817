#include "run/console.h"

namespace ortelan {

void Console::pauseByCommand() {
  write(Stream::Out, "Press any key to continue . . . ");
  readKeyWithoutEcho();
  write(Stream::Out, "\n");
}

void writeLine(Console& console, Stream stream, std::string_view text) {
  if (!text.empty()) console.write(stream, text);
  console.write(stream, "\n");
}

std::optional<std::string> readLine(Console& console) {
  if (console.peekChar() == Console::kEnd) return std::nullopt;
  std::string line;
  for (int c = console.getChar(); c != Console::kEnd && c != '\n'; c = console.getChar()) {
    line.push_back(static_cast<char>(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void skipLine(Console& console) {
  for (int c = console.getChar(); c != Console::kEnd && c != '\n'; c = console.getChar()) {
  }
}

}  // namespace ortelan
