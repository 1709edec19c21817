// The console of the core inside another language's session (R, Python):
// nothing is read and nothing is shown. What the core writes is kept, both
// streams in order, for the session to pass on once the run is over, in its
// own way and from its own thread. Private directories are made under the
// session's place for temporary files.
#pragma once

#include <mutex>
#include <string>

#include "run/console.h"

namespace ortelan {

class SilentConsole : public Console {
 public:
  explicit SilentConsole(std::string temporaryDirectory) : temporaryDirectory_(std::move(temporaryDirectory)) {}

  void write(Stream stream, std::string_view text) override;
  void clearScreen() override {}
  void gotoXY(int, int) override {}
  int getChar() override { return kEnd; }
  int peekChar() override { return kEnd; }
  int readKeyWithoutEcho() override { return kEnd; }
  void beep(int, int) override {}
  std::uint32_t tickCountMs() override;
  std::int64_t calendarSeconds() override;
  std::optional<CivilDate> today() override;
  bool isTerminal(Stream) override { return false; }
  bool removeFile(const std::string& name) override;
  std::string makePrivateDirectory() override;
  void removeDirectory(const std::string& path) override;
  int usableCores() override;

  // Everything written so far, both streams in order.
  std::string written() const;

 private:
  std::string temporaryDirectory_;
  mutable std::mutex mutex_;
  std::string written_;
};

}  // namespace ortelan
