#include "run/system_files.h"

#include <sched.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace ortelan {

std::string makePrivateDirectoryUnder(const std::string& base) {
  std::error_code error;
  std::filesystem::path where = base;
  if (where.empty() || !std::filesystem::is_directory(where, error)) where = std::filesystem::temp_directory_path(error);
  if (error) where = "/tmp";
  std::string pattern = (where / "ortelan-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

void removeDirectoryTree(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
}

int coresOfThisProcess() {
#if defined(__linux__)
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) return std::max(1, CPU_COUNT(&allowed));
#endif
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

}  // namespace ortelan
