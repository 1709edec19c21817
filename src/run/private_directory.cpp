// A private directory on POSIX systems: mkdtemp makes it for this user alone.
#include "run/system_files.h"

#include <stdlib.h>

#include <filesystem>

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

}  // namespace ortelan
