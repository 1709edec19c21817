#include "app/outputs.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

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

// A file that failed to be written, and why; ends the writing of all.
struct WriteFailure {
  std::string reason;
};

std::string cannotWrite(const std::string& path, int error) { return "cannot write " + path + ": " + std::strerror(error); }

// Writes to the file at `place` what `write` gives it; a failure is told as
// one to write `path`.
void writeTo(const std::string& place, const std::string& path, const std::function<void(const Outputs::Blocks&)>& write) {
  std::FILE* file = std::fopen(place.c_str(), "wb");
  if (file == nullptr) throw WriteFailure{cannotWrite(path, errno)};
  try {
    write([&](std::string_view block) {
      if (std::fwrite(block.data(), 1, block.size(), file) != block.size()) throw WriteFailure{cannotWrite(path, errno)};
    });
  } catch (...) {
    std::fclose(file);
    throw;
  }
  if (std::fclose(file) != 0) throw WriteFailure{cannotWrite(path, errno)};
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
  std::vector<std::string> parts(files_.size());  // the temporary file of each file, once made
  auto removeParts = [&] {
    for (const std::string& part : parts) {
      if (!part.empty()) std::remove(part.c_str());
    }
  };
  std::vector<bool> special;
  for (const File& file : files_) special.push_back(file.path != "-" && isSpecialFile(file.path));
  const auto whole = [](const std::string& text) {
    return [&text](const Blocks& blocks) { blocks(text); };
  };
  const Blocks toStandardOutput = [&](std::string_view block) {
    if (beforeStandardOutput_) std::exchange(beforeStandardOutput_, nullptr)();
    console.write(Stream::Out, block);
  };
  const auto beside = [&](std::size_t i, const std::function<void(const Blocks&)>& write) {
    parts[i] = partPath(files_[i].path);
    writeTo(parts[i], files_[i].path, write);
  };
  try {
    // Files are written beside their places first, the streamed ones as they
    // are made; devices and pipes, which cannot be replaced, are written to
    // directly once every file is whole, but where a streamed file goes.
    for (std::size_t i = 0; i < files_.size(); ++i) {
      if (files_[i].stream || files_[i].path == "-" || special[i]) continue;
      beside(i, whole(files_[i].text));
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
      const File& file = files_[i];
      if (!file.stream) continue;
      if (file.path == "-") {
        file.stream(toStandardOutput);
      } else if (special[i]) {
        writeTo(file.path, file.path, file.stream);
      } else {
        beside(i, file.stream);
      }
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
      if (!files_[i].stream && special[i]) writeTo(files_[i].path, files_[i].path, whole(files_[i].text));
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
      if (parts[i].empty()) continue;
      if (const int error = replaceFile(parts[i], files_[i].path)) throw WriteFailure{cannotWrite(files_[i].path, error)};
      parts[i].clear();
    }
  } catch (const WriteFailure& failure) {
    removeParts();
    return failure.reason;
  } catch (...) {
    removeParts();
    throw;
  }
  for (const File& file : files_) {
    if (file.path == "-" && !file.stream) toStandardOutput(file.text);
  }
  return {};
}

}  // namespace ortelan
