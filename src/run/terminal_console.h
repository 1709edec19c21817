// The real console: plain text where standard output is redirected, one
// byte of standard input for a key where standard input is. On a terminal,
// ANSI escape sequences and termios (terminal_console.cpp); in a Windows
// console, the console's own calls, and CLS and PAUSE through the command
// interpreter (windows_console.cpp).
#pragma once

#include <cstddef>
#include <string>

#include "run/console.h"

namespace ortelan {

class TerminalConsole final : public Console {
 public:
  TerminalConsole();
  ~TerminalConsole() override;

  void write(Stream stream, std::string_view text) override;
  void clearScreen() override;
  void gotoXY(int column, int line) override;
  int getChar() override;
  int peekChar() override;
  int readKeyWithoutEcho() override;
  void clearScreenByCommand() override;
  void pauseByCommand() override;
  void beep(int hertz, int milliseconds) override;
  std::uint32_t tickCountMs() override;
  std::int64_t calendarSeconds() override;
  std::optional<CivilDate> today() override;
  bool isTerminal(Stream stream) override;
  bool removeFile(const std::string& name) override;
  std::string makePrivateDirectory() override;
  void removeDirectory(const std::string& path) override;
  int usableCores() override;
  bool interrupted() override;

  // From now on Ctrl-C, a hang-up or a termination signal is noted instead
  // of ending the process at once, so that a scripted run can remove its
  // table data first; a second signal ends the process.
  void catchInterrupts();

 private:
  bool fill();  // reads more standard input; false at its end
  void flushOut();

  bool outIsTerminal_;
  bool errIsTerminal_;
  bool inIsTerminal_;
  std::string inBuffer_;
  std::size_t inPos_ = 0;
  bool inEnded_ = false;
};

}  // namespace ortelan
