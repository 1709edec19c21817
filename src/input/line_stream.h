// A data file read as a stream of lines, a large block at a time, so that a
// file of any size is read at the speed of the disk in little memory: only
// the line being read, and the rest of its block, are held.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ortelan {

class LineStream {
 public:
  // Told, after each block, how many bytes have been read in all.
  using Progress = std::function<void(std::uint64_t bytesRead)>;

  LineStream() = default;
  ~LineStream();
  LineStream(const LineStream&) = delete;
  LineStream& operator=(const LineStream&) = delete;

  // Opens `path`; false (errno set) when it cannot be read.
  bool open(const std::string& path, Progress progress = {});
  // The same from text in memory.
  void openText(std::string_view text);

  // The next line, without its line end (a line feed, or a carriage return
  // and a line feed; a carriage return that ends the file is dropped too),
  // or nothing at the end of the file. The text stays valid until the next
  // call. Throws std::bad_alloc when a line is longer than memory allows
  // (lineNumber() is then the number of that line) and std::runtime_error
  // when the file cannot be read.
  std::optional<std::string_view> next();

  // The number of the line returned last, from 1.
  long lineNumber() const { return line_; }
  // Whether the file holds nothing after the line returned last.
  bool atEnd();
  // Whether the line returned last ended the file without a line feed.
  bool lastLineUnended() const { return unended_; }
  // The file's size in bytes, when known (0 otherwise).
  std::uint64_t size() const { return size_; }

 private:
  bool fill();  // reads another block; false at the end of the file

  std::FILE* file_ = nullptr;
  Progress progress_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;    // the first byte not yet returned
  std::size_t end_ = 0;      // the end of the bytes read
  std::size_t scanned_ = 0;  // no line feed in [begin_, scanned_)
  bool ended_ = false;       // the file has no more bytes
  bool unended_ = false;
  long line_ = 0;
  std::uint64_t read_ = 0;
  std::uint64_t size_ = 0;
};

}  // namespace ortelan
