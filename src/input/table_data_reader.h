// Reading the locus table data back: whitespace-separated integers, line by
// line, from one locus's file or from the shared file's blocks in order.
#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "input/count_table.h"
#include "run/edition.h"
#include "run/run.h"

namespace ortelan {

class TableScanner {
 public:
  explicit TableScanner(std::streambuf* buffer) : buffer_(buffer) {}

  enum class Read { Ok, NotANumber, End };
  // Skips blanks and line ends, then takes the word up to the next blank or
  // line end; it must be an optional sign and decimal digits that fit 64 bits.
  Read readInteger(std::int64_t& value);
  // Discards the rest of the current line and its line end.
  void skipLine();
  bool atEnd();

 private:
  std::streambuf* buffer_;
};

// The table data of one step (exact test or chi-square). Tables are asked
// for in locus order; in the shared file, the blocks of loci that are not
// asked for are read past.
class TableDataSource {
 public:
  // The table data in `directory` (empty: the working directory).
  explicit TableDataSource(TableForm form, std::string directory = {})
      : form_(form), directory_(std::move(directory)) {}

  // Opens the shared file (one file per locus: nothing to do); false when
  // it cannot be opened.
  bool open();
  // Positions at the start of locus `locus`'s table: its header line. False
  // when the file cannot be opened (one file per locus) or its block is
  // missing (shared file).
  bool openLocus(int locus);
  // Reads past the block of a locus that is not tested (shared file only):
  // its title line, its header, and as many row lines as the header's first
  // number gives.
  void passOver();
  void closeLocus();
  TableScanner& scanner() { return *scanner_; }

 private:
  std::string path(const std::string& name) const { return directory_.empty() ? name : directory_ + "/" + name; }

  TableForm form_;
  std::string directory_;
  std::ifstream file_;
  std::optional<TableScanner> scanner_;
};

// One number of the table data within [lowest, highest]. A word that is
// not a number, or the end of the data, is run-time error 106; a number
// out of range is run-time error 201; ortelan_c stops with a message instead.
std::int64_t readTableNumber(RunContext& context, TableScanner& scanner, std::int64_t lowest, std::int64_t highest,
                             std::string_view where);

// One locus table as the chi-square reads it: the rows and columns of the
// header (the rest of the header line skipped), then each row's counts
// (the rest of its line skipped).
void readLocusTable(RunContext& context, TableScanner& scanner, CountTable& table, std::string_view where);

}  // namespace ortelan
