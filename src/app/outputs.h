// The files a scripted run writes, written together at its end: each to a
// temporary file beside its place, then all renamed into place, so that a
// run that fails leaves nothing behind and no earlier file changed. A device
// or a pipe (/dev/null) is written where it is, "-" is standard output,
// written last.
#pragma once

#include <string>
#include <vector>

#include "run/console.h"

namespace ortelan {

class Outputs {
 public:
  // Fails now, with the reason, when a file cannot be made at `path`, so that
  // a long run does not end in a place it cannot write to. Empty: fine.
  static std::string checkWritable(const std::string& path);

  void add(std::string path, std::string text) { files_.push_back({std::move(path), std::move(text)}); }

  // Writes everything; returns the reason of the first failure (nothing is
  // left then), or an empty text.
  std::string commit(Console& console);

 private:
  struct File {
    std::string path;
    std::string text;
  };
  std::vector<File> files_;
};

}  // namespace ortelan
