#include "run/silent_console.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "run/system_files.h"

namespace ortelan {

void SilentConsole::write(Stream, std::string_view text) {
  std::lock_guard lock(mutex_);
  written_ += text;
}

std::string SilentConsole::written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::uint32_t SilentConsole::tickCountMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::int64_t SilentConsole::calendarSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::optional<CivilDate> SilentConsole::today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return std::nullopt;
  return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool SilentConsole::removeFile(const std::string& name) { return std::remove(name.c_str()) == 0; }

std::string SilentConsole::makePrivateDirectory() { return makePrivateDirectoryUnder(temporaryDirectory_); }

void SilentConsole::removeDirectory(const std::string& path) { removeDirectoryTree(path); }

int SilentConsole::usableCores() { return coresOfThisProcess(); }

}  // namespace ortelan
