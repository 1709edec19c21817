// Reading the locus table data back: whitespace-separated integers, line by
// line, from one locus's file or from the shared file's blocks in order.
#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "input/tables/count_table.h"
#include "input/tables/table_source.h"
#include "run/edition.h"
#include "run/run.h"

namespace ortelan {

// The numbers of a table data file: whitespace-separated words.
class TableScanner final : public TableNumbers {
 public:
  explicit TableScanner(std::streambuf* buffer) : buffer_(buffer) {}

  // The word up to the next blank or line end.
  Read readInteger(std::int64_t& value) override;
  void skipLine() override;
  bool atEnd() override;

 private:
  std::streambuf* buffer_;
};

// The table data files of one step (exact test or chi-square). In the
// shared file, the blocks of loci that are not asked for are read past.
class TableDataSource final : public LocusTableSource {
 public:
  // The table data in `directory` (empty: the working directory).
  explicit TableDataSource(TableForm form, std::string directory = {})
      : form_(form), directory_(std::move(directory)) {}

  // Opens the shared file (one file per locus: nothing to do).
  bool open() override;
  // False when the file cannot be opened (one file per locus) or its block
  // is missing (shared file).
  bool openLocus(int locus) override;
  // Shared file only: the block's title line, its header, and as many row
  // lines as the header's first number gives.
  void passOver() override;
  void closeLocus() override;
  TableNumbers& numbers() override { return *scanner_; }
  TableScanner& scanner() { return *scanner_; }

 private:
  std::string path(const std::string& name) const { return directory_.empty() ? name : directory_ + "/" + name; }

  TableForm form_;
  std::string directory_;
  std::ifstream file_;
  std::optional<TableScanner> scanner_;
};

// The table data files that a run's reading wrote.
class TableFiles final : public LocusTableStore {
 public:
  explicit TableFiles(TableForm form, std::string directory = {}) : form_(form), directory_(std::move(directory)) {}
  std::unique_ptr<LocusTableSource> source() const override {
    return std::make_unique<TableDataSource>(form_, directory_);
  }

 private:
  TableForm form_;
  std::string directory_;
};

// One number of the table data within [lowest, highest]. A word that is
// not a number, or the end of the data, is run-time error 106; a number
// out of range is run-time error 201; ortelan_c stops with a message instead.
std::int64_t readTableNumber(RunContext& context, TableNumbers& numbers, std::int64_t lowest, std::int64_t highest,
                             std::string_view where);

// One locus table as the chi-square reads it: the rows and columns of the
// header (the rest of the header line skipped), then each row's counts
// (the rest of its line skipped).
void readLocusTable(RunContext& context, TableNumbers& numbers, CountTable& table, std::string_view where);

}  // namespace ortelan
