// The console of the core inside an R session: nothing is read, nothing is
// shown. What the core writes is kept for R to give to message() once the
// run is over, since R may be called from no thread but the main one and
// only between the core's steps.
#pragma once

#include <mutex>
#include <string>

#include "run/console.h"

namespace ortelan {

class RConsole final : public Console {
 public:
  // Private directories are made under `temporaryDirectory` (R's tempdir()).
  explicit RConsole(std::string temporaryDirectory) : temporaryDirectory_(std::move(temporaryDirectory)) {}

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
