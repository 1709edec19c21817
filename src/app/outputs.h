// The files a scripted run writes, written together at its end: each to a
// temporary file beside its place, then all renamed into place, so that a
// run that fails leaves nothing behind and no earlier file changed. A device
// or a pipe (/dev/null) is written where it is, "-" is standard output,
// written last. A file too large to hold (the pairs table) is streamed: its
// text is written in blocks as it is made, to its temporary file or, for a
// device or standard output, where it goes.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "run/console.h"

namespace ortelan {

class Outputs {
 public:
  // Fails now, with the reason, when a file cannot be made at `path`, so that
  // a long run does not end in a place it cannot write to. Empty: fine.
  static std::string checkWritable(const std::string& path);

  void add(std::string path, std::string text) { files_.push_back({std::move(path), std::move(text), {}}); }

  // Where a streamed file's blocks go, in order.
  using Blocks = std::function<void(std::string_view)>;
  // A file made as it is written: `write` is called once with where its
  // blocks go, after the files added whole are ready and before any file is
  // put in place. Streamed files are written in the order added, so one may
  // use what an earlier one made; `write` may throw to end the run.
  void addStreamed(std::string path, std::function<void(const Blocks&)> write) {
    files_.push_back({std::move(path), {}, std::move(write)});
  }

  // Called once, before anything goes to standard output (to take a
  // progress line away).
  void beforeStandardOutput(std::function<void()> hook) { beforeStandardOutput_ = std::move(hook); }

  // Writes everything; returns the reason of the first failure (nothing is
  // left then), or an empty text.
  std::string commit(Console& console);

 private:
  struct File {
    std::string path;
    std::string text;
    std::function<void(const Blocks&)> stream;  // set: a streamed file
  };
  std::vector<File> files_;
  std::function<void()> beforeStandardOutput_;
};

}  // namespace ortelan
