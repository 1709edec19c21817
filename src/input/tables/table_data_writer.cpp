#include "input/tables/table_data_writer.h"

#include <cerrno>
#include <charconv>
#include <cstring>

namespace ortelan {
namespace {

void appendInt(std::string& out, long long value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

void appendCount(std::string& out, std::int32_t count) {
  char digits[16];
  auto end = std::to_chars(digits, digits + sizeof digits, count).ptr;
  const auto length = static_cast<std::size_t>(end - digits);
  out.append(length < 5 ? 5 - length : 1, ' ');
  out.append(digits, end);
}

bool writeAll(std::FILE* file, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

}  // namespace

std::string locusTableFileName(int locus) { return "~locus" + std::to_string(locus) + ".tmp"; }

std::string formatLocusTable(const LocusCounts& counts, const ColumnSummary& columns, int populations,
                             const LocusSeeds& seeds, const ChainSettings& settings) {
  std::string text;
  text += "  ";
  appendInt(text, populations);
  text += "  ";
  appendInt(text, columns.alleles);
  text += "  ";
  for (int seed : seeds) {
    appendInt(text, seed);
    text += ' ';
  }
  appendInt(text, settings.dememorizations);
  text += ' ';
  appendInt(text, settings.batches);
  text += ' ';
  appendInt(text, settings.iterationsPerBatch);
  text += "\r\n";
  for (int pop = 1; pop <= populations; ++pop) {
    for (int code = 1; code <= kMaxAlleleCode; ++code) {
      if (columns.NUMBGENES_PER_COL[code] > 0) appendCount(text, counts.TABLE[pop][code]);
    }
    text += "\r\n";
  }
  return text;
}

TableDataWriter::TableDataWriter(RunContext& context) : context_(context) {
  if (context_.edition.tableForm == TableForm::SharedFile) {
    shared_ = std::fopen(context_.tablePath(kSharedTableFile).c_str(), "wb");
    if (shared_ == nullptr) cannotWrite(0, context_.tablePath(kSharedTableFile));
  }
}

void TableDataWriter::cannotWrite(int number, const std::string& path) {
  context_.fault(number, "READ_INFILE_I", kSharedTableFile,
                 "cannot write the table data " + path + ": " + std::strerror(errno));
}

TableDataWriter::~TableDataWriter() {
  if (shared_ != nullptr) std::fclose(shared_);
}

void TableDataWriter::writeLocus(int locus, std::string_view name, const LocusCounts& counts,
                                 const ColumnSummary& columns, int populations) {
  if (shared_ == nullptr) {
    const std::string path = context_.tablePath(locusTableFileName(locus));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) cannotWrite(errno == ENOENT ? 3 : 5, path);
    text_ = formatLocusTable(counts, columns, populations, context_.seeds->forLocus(locus), context_.settings);
    const bool written = writeAll(file, text_);
    if (std::fclose(file) != 0 || !written) cannotWrite(101, path);
    return;
  }
  text_ = "###  ";
  appendInt(text_, locus);
  text_ += "         ";
  text_ += name;
  text_ += "\r\n";
  text_ += formatLocusTable(counts, columns, populations, context_.seeds->forLocus(locus), context_.settings);
  // A block that does not reach the disk stops the run, as one that cannot be opened.
  if (!writeAll(shared_, text_) || std::fflush(shared_) != 0) cannotWrite(101, context_.tablePath(kSharedTableFile));
}

void TableDataWriter::finish() {
  if (shared_ != nullptr) {
    const bool closed = std::fclose(shared_) == 0;
    shared_ = nullptr;
    if (!closed) cannotWrite(101, context_.tablePath(kSharedTableFile));
  }
}

}  // namespace ortelan
