#include "input/line_stream.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>

namespace ortelan {
namespace {

// Bytes read at once: large enough that moving the part of a line left at
// the end of a block costs little, even with lines of a megabyte.
constexpr std::size_t kBlock = std::size_t{4} << 20;

}  // namespace

LineStream::~LineStream() {
  if (file_ != nullptr) std::fclose(file_);
}

bool LineStream::open(const std::string& path, Progress progress) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    errno = EISDIR;
    return false;
  }
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return false;
  std::setvbuf(file_, nullptr, _IONBF, 0);  // the blocks are buffer enough
  const auto size = std::filesystem::file_size(path, error);
  size_ = error ? 0 : static_cast<std::uint64_t>(size);
  progress_ = std::move(progress);
  buffer_.resize(kBlock);
  return true;
}

void LineStream::openText(std::string_view text) {
  buffer_.assign(text.begin(), text.end());
  end_ = buffer_.size();
  ended_ = true;
  size_ = read_ = text.size();
}

bool LineStream::fill() {
  if (ended_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    scanned_ -= begin_;
    begin_ = 0;
  }
  if (end_ + kBlock / 2 > buffer_.size()) buffer_.resize(2 * buffer_.size());  // a line of over half the buffer
  const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
  if (got == 0) {
    if (std::ferror(file_) != 0) throw std::runtime_error(std::strerror(errno));
    ended_ = true;
    return false;
  }
  end_ += got;
  read_ += got;
  if (progress_) progress_(read_);
  return true;
}

std::optional<std::string_view> LineStream::next() {
  for (;;) {
    const char* base = buffer_.data();
    // An empty buffer has no data() to search (empty text has none at all).
    const void* feed = end_ > scanned_ ? std::memchr(base + scanned_, '\n', end_ - scanned_) : nullptr;
    if (feed != nullptr) {
      const auto at = static_cast<std::size_t>(static_cast<const char*>(feed) - base);
      std::string_view line(base + begin_, at - begin_);
      begin_ = scanned_ = at + 1;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++line_;
      unended_ = false;
      return line;
    }
    scanned_ = end_;
    bool more;
    try {
      more = fill();
    } catch (const std::bad_alloc&) {
      ++line_;
      throw;
    }
    if (!more) {
      if (begin_ == end_) return std::nullopt;
      std::string_view line(buffer_.data() + begin_, end_ - begin_);
      begin_ = scanned_ = end_;
      if (line.back() == '\r') line.remove_suffix(1);
      ++line_;
      unended_ = true;
      return line;
    }
  }
}

bool LineStream::atEnd() { return begin_ == end_ && !fill(); }

}  // namespace ortelan
