#include "input/genepop/text_source.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace ortelan {

std::optional<std::string> readWholeFile(const std::string& name) {
  std::error_code error;
  if (std::filesystem::is_directory(name, error)) {
    errno = EISDIR;
    return std::nullopt;
  }
  std::ifstream in(name, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return text;
}

std::string withUnixLineEnds(std::string text) {
  std::size_t out = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text[out++] = text[i];
  }
  text.resize(out);
  return text;
}

int lineNumberAt(std::string_view text, std::size_t pos) {
  const std::string_view before = text.substr(0, std::min(pos, text.size()));
  return 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
}

std::string TextSource::readLine(std::size_t maxLength) {
  const std::size_t start = pos_;
  std::size_t end = text_.find('\n', pos_);
  if (end == std::string_view::npos) end = text_.size();
  pos_ = end < text_.size() ? end + 1 : end;
  return std::string(text_.substr(start, std::min(end - start, maxLength)));
}

void TextSource::skipLine() {
  std::size_t end = text_.find('\n', pos_);
  pos_ = end == std::string_view::npos ? text_.size() : end + 1;
}

}  // namespace ortelan
