#include "app/outputs.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace ortelan {
namespace {

// A name beside `path` that no other run uses.
std::string partPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return directory + ".~" + name + "." + std::to_string(::getpid()) + ".tmp";
}

// Writes `text` to `part`; a failure is told as one to write `path`, and
// leaves no part behind.
std::string writeWhole(const std::string& part, const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(part.c_str(), "wb");
  if (file == nullptr) return "cannot write " + path + ": " + std::strerror(errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int writeErrno = errno;
  if (std::fclose(file) != 0 || !written) {
    const std::string reason = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
    std::remove(part.c_str());
    return reason;
  }
  return {};
}

}  // namespace

std::string Outputs::checkWritable(const std::string& path) {
  if (path == "-") return {};
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return "cannot write " + path + ": it is a directory";
  const std::string probe = partPath(path);
  std::FILE* file = std::fopen(probe.c_str(), "wb");
  if (file == nullptr) return "cannot write " + path + ": " + std::strerror(errno);
  std::fclose(file);
  std::remove(probe.c_str());
  return {};
}

std::string Outputs::commit(Console& console) {
  std::vector<std::string> parts;
  auto removeParts = [&] {
    for (const std::string& part : parts) std::remove(part.c_str());
  };
  for (const File& file : files_) {
    if (file.path == "-") continue;
    const std::string part = partPath(file.path);
    if (std::string reason = writeWhole(part, file.path, file.text); !reason.empty()) {
      removeParts();
      return reason;
    }
    parts.push_back(part);
  }
  std::size_t part = 0;
  for (const File& file : files_) {
    if (file.path == "-") continue;
    if (std::rename(parts[part].c_str(), file.path.c_str()) != 0) {
      const std::string reason = "cannot write " + file.path + ": " + std::strerror(errno);
      removeParts();
      return reason;
    }
    ++part;
  }
  for (const File& file : files_) {
    if (file.path == "-") console.write(Stream::Out, file.text);
  }
  return {};
}

}  // namespace ortelan
