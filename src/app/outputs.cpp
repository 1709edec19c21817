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

std::string writeWhole(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return "cannot write " + path + ": " + std::strerror(errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int savedErrno = errno;
  if (std::fclose(file) != 0 || !written) {
    const std::string reason = "cannot write " + path + ": " + std::strerror(written ? errno : savedErrno);
    std::remove(path.c_str());
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
    parts.push_back(partPath(file.path));
    std::string reason = writeWhole(parts.back(), file.text);
    if (!reason.empty()) {
      parts.pop_back();
      removeParts();
      return "cannot write " + file.path + reason.substr(reason.find(':'));
    }
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
