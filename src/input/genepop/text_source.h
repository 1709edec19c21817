// A text file held in memory and read the way the locus-pass reader reads
// it: character by character, or line by line. The text is given with Unix
// line ends (withUnixLineEnds): a carriage return right before a line feed
// is part of the line end, so Windows and Unix files read alike.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ortelan {

// The whole file, or nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& name);

// Drops every carriage return that stands right before a line feed.
std::string withUnixLineEnds(std::string text);

// The number (from 1) of the line that holds the character at `pos`.
int lineNumberAt(std::string_view text, std::size_t pos);

class TextSource {
 public:
  // The character that reads return past the end of the file.
  static constexpr char kEndOfFileChar = 26;

  explicit TextSource(std::string_view text) : text_(text) {}

  bool eof() const { return pos_ >= text_.size(); }

  char readChar() { return eof() ? kEndOfFileChar : text_[pos_++]; }
  char peekChar() const { return eof() ? kEndOfFileChar : text_[pos_]; }

  // The rest of the line without its line feed, cut after maxLength
  // characters; the line end is consumed.
  std::string readLine(std::size_t maxLength);
  void skipLine();

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace ortelan
