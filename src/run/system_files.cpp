#include "run/system_files.h"

#include <sched.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <thread>

namespace ortelan {

void removeDirectoryTree(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
}

int replaceFile(const std::string& from, const std::string& to) {
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return error.value();
}

int coresOfThisProcess() {
#if defined(__linux__)
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) return std::max(1, CPU_COUNT(&allowed));
#endif
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

bool isSpecialFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
         !std::filesystem::is_directory(status);
}

bool namesSamePlace(const std::string& first, const std::string& second) {
  if (first == second) return true;
  std::error_code error;
  if (std::filesystem::equivalent(first, second, error)) return true;
  // Not both there yet: the places the paths would make.
  const auto place = [](const std::string& path) -> std::optional<std::filesystem::path> {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) return std::nullopt;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    if (error) return std::nullopt;
    return resolved;
  };
  const std::optional<std::filesystem::path> firstPlace = place(first), secondPlace = place(second);
  return firstPlace && secondPlace && *firstPlace == *secondPlace;
}

}  // namespace ortelan
