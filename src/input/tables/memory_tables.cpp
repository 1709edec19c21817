#include "input/tables/memory_tables.h"

#include <array>
#include <vector>

namespace ortelan {
namespace {

// One locus's table as numbers on lines: the header line, then a line of
// counts per row.
class TableLines final : public TableNumbers {
 public:
  void set(const std::array<std::int64_t, 9>& header, const CountTable& table) {
    header_ = header;
    table_ = &table;
    line_ = 0;
    word_ = 0;
  }

  Read readInteger(std::int64_t& value) override {
    while (line_ <= table_->rows && word_ == length(line_)) {
      ++line_;
      word_ = 0;
    }
    if (line_ > table_->rows) return Read::End;
    value = line_ == 0 ? header_[static_cast<std::size_t>(word_)] : table_->at(line_, word_ + 1);
    ++word_;
    return Read::Ok;
  }
  void skipLine() override {
    if (line_ <= table_->rows) ++line_;
    word_ = 0;
  }
  bool atEnd() override {
    for (int line = line_; line <= table_->rows; ++line) {
      if (length(line) > (line == line_ ? word_ : 0)) return false;
    }
    return true;
  }
  bool boundedByDataModel() const override { return false; }

 private:
  int length(int line) const { return line == 0 ? static_cast<int>(header_.size()) : table_->columns; }

  std::array<std::int64_t, 9> header_{};
  const CountTable* table_ = nullptr;
  int line_ = 0;  // 0: the header; r: row r
  int word_ = 0;  // numbers of the line already read
};

class MemoryTableSource final : public LocusTableSource {
 public:
  MemoryTableSource(const CountedTables& tables, SeedSource seeds, ChainSettings settings)
      : reader_(tables), seeds_(std::move(seeds)), settings_(settings) {}

  bool open() override { return true; }
  bool openLocus(int locus) override {
    reader_.read(locus, table_, &keys_);
    const LocusSeeds seeds = seeds_.forLocus(locus);
    lines_.set({table_.rows, table_.columns, seeds[0], seeds[1], seeds[2], seeds[3], settings_.dememorizations,
                settings_.batches, settings_.iterationsPerBatch},
               table_);
    return true;
  }
  // The next table asked for is found by its number.
  void passOver() override {}
  void closeLocus() override {}
  TableNumbers& numbers() override { return lines_; }
  const std::vector<std::uint32_t>* columnKeys() const override { return &keys_; }

 private:
  CountedTables::Reader reader_;
  SeedSource seeds_;
  ChainSettings settings_;
  CountTable table_;
  std::vector<std::uint32_t> keys_;
  TableLines lines_;
};

}  // namespace

std::unique_ptr<LocusTableSource> MemoryTables::source() const {
  return std::make_unique<MemoryTableSource>(*tables_, seeds_, settings_);
}

}  // namespace ortelan
