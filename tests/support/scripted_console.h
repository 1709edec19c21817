// A console for tests: typed input from a script, a fixed clock and date,
// and the screen kept as text (plain, and with screen operations marked).
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "run/console.h"

namespace ortelan::testing {

class ScriptedConsole final : public Console {
 public:
  explicit ScriptedConsole(std::string input = {}) : input_(std::move(input)) {}

  void write(Stream stream, std::string_view text) override;
  void clearScreen() override { screen_ += "<CLS>"; }
  void gotoXY(int column, int line) override;
  int getChar() override { return pos_ < input_.size() ? static_cast<unsigned char>(input_[pos_++]) : kEnd; }
  int peekChar() override { return pos_ < input_.size() ? static_cast<unsigned char>(input_[pos_]) : kEnd; }
  int readKeyWithoutEcho() override { return getChar(); }
  // The command interpreter's, noted in `commands`, then the stand-in's.
  void clearScreenByCommand() override {
    commands.push_back("CLS");
    Console::clearScreenByCommand();
  }
  void pauseByCommand() override {
    commands.push_back("PAUSE");
    Console::pauseByCommand();
  }
  void beep(int hertz, int milliseconds) override;
  std::uint32_t tickCountMs() override { return tick; }
  std::int64_t calendarSeconds() override { return seconds; }
  std::optional<CivilDate> today() override { return date; }
  bool isTerminal(Stream stream) override { return stream == Stream::Err ? errIsTerminal : false; }
  bool removeFile(const std::string& name) override;
  std::string makePrivateDirectory() override;
  void removeDirectory(const std::string& path) override;
  int usableCores() override { return cores; }

  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }
  // Standard output with "<CLS>", "<GOTO c,l>" and "<BEEP>" marks.
  const std::string& screen() const { return screen_; }
  std::size_t unreadInput() const { return input_.size() - pos_; }

  std::uint32_t tick = 123456;
  std::int64_t seconds = 1765000000;
  std::optional<CivilDate> date = CivilDate{2026, 3, 5};
  std::set<std::string> undeletable;  // names removeFile refuses
  int cores = 1;
  bool errIsTerminal = false;
  std::string privateDirectory;  // the last one made
  std::vector<std::string> commands;  // run through the command interpreter

 private:
  std::string input_;
  std::size_t pos_ = 0;
  std::string out_, err_, screen_;
};

}  // namespace ortelan::testing
