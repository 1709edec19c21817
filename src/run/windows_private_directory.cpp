// A private directory on Windows, which has no mkdtemp: a fresh name under
// the user's place for temporary files, whose access list already keeps
// other users out. Creating a directory fails where the name is taken, so
// two processes never share one.
#include "run/system_files.h"

#include <filesystem>
#include <random>

namespace ortelan {

std::string makePrivateDirectoryUnder(const std::string& base) {
  std::error_code error;
  std::filesystem::path where = base;
  if (where.empty() || !std::filesystem::is_directory(where, error)) where = std::filesystem::temp_directory_path(error);
  if (error) return {};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device device;
  std::uniform_int_distribution<int> letter(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "ortelan-";
    for (int i = 0; i < 6; ++i) name += kLetters[letter(device)];
    const std::filesystem::path path = where / name;
    if (std::filesystem::create_directory(path, error)) return path.string();
    if (error) return {};
  }
  return {};
}

}  // namespace ortelan
