#include "input/tables/table_data_reader.h"

#include <charconv>

#include "input/tables/table_data_writer.h"

namespace ortelan {
namespace {

constexpr int kEnd = std::char_traits<char>::eof();

bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

TableScanner::Read TableScanner::readInteger(std::int64_t& value) {
  int c = buffer_->sgetc();
  while (c != kEnd && isSpace(c)) c = buffer_->snextc();
  if (c == kEnd) return Read::End;
  char word[32];
  std::size_t length = 0;
  bool tooLong = false;
  while (c != kEnd && !isSpace(c)) {
    if (length < sizeof word) {
      word[length++] = static_cast<char>(c);
    } else {
      tooLong = true;
    }
    c = buffer_->snextc();
  }
  if (tooLong) return Read::NotANumber;
  const char* begin = word;
  if (length > 0 && word[0] == '+') ++begin;
  auto [end, error] = std::from_chars(begin, word + length, value);
  if (begin == word + length || error != std::errc() || end != word + length) return Read::NotANumber;
  return Read::Ok;
}

void TableScanner::skipLine() {
  for (int c = buffer_->sgetc(); c != kEnd; c = buffer_->snextc()) {
    if (c == '\n') {
      buffer_->sbumpc();
      return;
    }
  }
}

bool TableScanner::atEnd() { return buffer_->sgetc() == kEnd; }

bool TableDataSource::open() {
  if (form_ == TableForm::FilePerLocus) return true;
  file_.open(path(kSharedTableFile), std::ios::binary);
  if (!file_) return false;
  scanner_.emplace(file_.rdbuf());
  return true;
}

bool TableDataSource::openLocus(int locus) {
  if (form_ == TableForm::FilePerLocus) {
    file_.close();
    file_.clear();
    file_.open(path(locusTableFileName(locus)), std::ios::binary);
    if (!file_) return false;
    scanner_.emplace(file_.rdbuf());
    return true;
  }
  if (scanner_->atEnd()) return false;
  scanner_->skipLine();  // the block's title line
  return true;
}

void TableDataSource::passOver() {
  if (form_ != TableForm::SharedFile) return;
  scanner_->skipLine();  // title line
  std::int64_t rows = 0;
  if (scanner_->readInteger(rows) != TableScanner::Read::Ok) rows = 0;
  scanner_->skipLine();  // rest of the header
  for (std::int64_t row = 0; row < rows && !scanner_->atEnd(); ++row) scanner_->skipLine();
}

void TableDataSource::closeLocus() {
  if (form_ == TableForm::FilePerLocus) file_.close();
}

std::int64_t readTableNumber(RunContext& context, TableNumbers& numbers, std::int64_t lowest, std::int64_t highest,
                             std::string_view where) {
  std::int64_t value = 0;
  if (numbers.readInteger(value) != TableNumbers::Read::Ok) {
    context.fault(106, where, "Unreadable number in the table data ~TMPlocus.tmp");
  }
  if (value < lowest || value > highest) {
    context.fault(201, where, "Number out of range in the table data ~TMPlocus.tmp");
  }
  return value;
}

}  // namespace ortelan

namespace ortelan {

void readLocusTable(RunContext& context, TableNumbers& numbers, CountTable& table, std::string_view where) {
  const auto rows = static_cast<int>(readTableNumber(context, numbers, -32768, 32767, where));
  const auto columns = static_cast<int>(readTableNumber(context, numbers, -32768, 32767, where));
  if (numbers.boundedByDataModel() && (rows > kMaxPopulations || columns > kMaxAlleleCode)) {
    context.fault(201, where, "Table too large in the table data ~TMPlocus.tmp");
  }
  numbers.skipLine();
  table.resize(std::max(rows, 0), std::max(columns, 0));
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= columns; ++c) {
      table.at(r, c) = static_cast<std::int32_t>(readTableNumber(context, numbers, 0, INT32_MAX, where));
    }
    numbers.skipLine();
  }
}

}  // namespace ortelan
