#include "r_console.h"

#include <stdlib.h>
#include <unistd.h>
#if defined(__linux__)
#include <sched.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>

namespace ortelan {

void RConsole::write(Stream, std::string_view text) {
  std::lock_guard lock(mutex_);
  written_ += text;
}

std::string RConsole::written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::uint32_t RConsole::tickCountMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::int64_t RConsole::calendarSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::optional<CivilDate> RConsole::today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return std::nullopt;
  return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool RConsole::removeFile(const std::string& name) { return std::remove(name.c_str()) == 0; }

std::string RConsole::makePrivateDirectory() {
  std::filesystem::path base = temporaryDirectory_;
  std::error_code error;
  if (base.empty() || !std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path(error);
  if (error) base = "/tmp";
  std::string pattern = (base / "ortelan-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return {};  // made with mode 0700
  return pattern;
}

void RConsole::removeDirectory(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
}

int RConsole::usableCores() {
#if defined(__linux__)
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) return std::max(1, CPU_COUNT(&allowed));
#endif
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

}  // namespace ortelan
