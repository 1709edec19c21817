// A fresh temporary working directory for one test; the test runs inside
// it and it is removed afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace ortelan::testing {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void write(const std::string& name, const std::string& content) const;
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;
  // The names of the files in the directory, sorted.
  std::string listing() const;

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

// LF line ends to CRLF.
std::string crlf(const std::string& text);

}  // namespace ortelan::testing
