#include "run/pause.h"

namespace ortelan {

void pauseCommand(Console& console) { console.pauseByCommand(); }

void numericPause(const Edition& edition, Console& console, std::string_view message) {
  writeLine(console, edition.diagnostics, message);
  if (edition.pauseWait == PauseWait::None) return;
  if (edition.pauseWait == PauseWait::ForLine) {
    skipLine(console);
    return;
  }
  // One word of input, a number as a rule; blanks and empty lines before it
  // are skipped.
  auto white = [](int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (white(console.peekChar())) console.getChar();
  while (console.peekChar() != Console::kEnd && !white(console.peekChar())) console.getChar();
}

}  // namespace ortelan
