#include "app/outputs.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "run/system_files.h"

namespace ortelan {
namespace {

// A name beside `path` that no other run uses.
std::string partPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return directory + ".~" + name + "." + std::to_string(::getpid()) + ".tmp";
}

// Writes `text` to the file at `place`; a failure is told as one to write
// `path`.
std::string writeWhole(const std::string& place, const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(place.c_str(), "wb");
  if (file == nullptr) return "cannot write " + path + ": " + std::strerror(errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int writeErrno = errno;
  if (std::fclose(file) != 0 || !written) {
    return "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
  }
  return {};
}

}  // namespace

std::string Outputs::checkWritable(const std::string& path) {
  if (path == "-") return {};
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return "cannot write " + path + ": it is a directory";
  // A device or a pipe is written where it is; opening a pipe now would wait
  // for its reader.
  if (isSpecialFile(path)) {
    if (::access(path.c_str(), W_OK) != 0) return "cannot write " + path + ": " + std::strerror(errno);
    return {};
  }
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
  // Files are written beside their places first; devices and pipes, which
  // cannot be replaced, are written to directly once every file is whole.
  std::vector<bool> special;
  for (const File& file : files_) {
    special.push_back(file.path != "-" && isSpecialFile(file.path));
    if (file.path == "-" || special.back()) continue;
    const std::string part = partPath(file.path);
    if (std::string reason = writeWhole(part, file.path, file.text); !reason.empty()) {
      std::remove(part.c_str());
      removeParts();
      return reason;
    }
    parts.push_back(part);
  }
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (!special[i]) continue;
    if (std::string reason = writeWhole(files_[i].path, files_[i].path, files_[i].text); !reason.empty()) {
      removeParts();
      return reason;
    }
  }
  std::size_t part = 0;
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (files_[i].path == "-" || special[i]) continue;
    if (std::rename(parts[part].c_str(), files_[i].path.c_str()) != 0) {
      const std::string reason = "cannot write " + files_[i].path + ": " + std::strerror(errno);
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
