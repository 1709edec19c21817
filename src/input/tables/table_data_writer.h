// The locus table data: each locus's populations x alleles counts with its
// four generator seeds and the chain settings, the only hand-over between
// reading and testing. One file per locus, or one shared file with one
// block per locus.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "input/tables/locus_counts.h"
#include "run/run.h"

namespace ortelan {

inline constexpr const char* kSharedTableFile = "~TMPlocus.tmp";

// "~locus" + the number in decimal + ".tmp".
std::string locusTableFileName(int locus);

// Header line and one row line per population, CRLF line ends. A row holds
// the count of each allele present (code 1..99 with a positive column
// total), right-aligned in five characters; a count of five or more digits
// keeps a blank before it, so the row stays readable.
std::string formatLocusTable(const LocusCounts& counts, const ColumnSummary& columns, int populations,
                             const LocusSeeds& seeds, const ChainSettings& settings);

// Where the readers hand each finished locus table.
class LocusTableSink {
 public:
  virtual ~LocusTableSink() = default;
  virtual void writeLocus(int locus, std::string_view name, const LocusCounts& counts, const ColumnSummary& columns,
                          int populations) = 0;
  // After the last locus.
  virtual void finish() {}
};

class TableDataWriter final : public LocusTableSink {
 public:
  explicit TableDataWriter(RunContext& context);
  ~TableDataWriter() override;
  TableDataWriter(const TableDataWriter&) = delete;
  TableDataWriter& operator=(const TableDataWriter&) = delete;

  // Takes the locus's four seeds and writes its table.
  void writeLocus(int locus, std::string_view name, const LocusCounts& counts, const ColumnSummary& columns,
                  int populations) override;
  // Closes the shared file.
  void finish() override;

 private:
  [[noreturn]] void cannotWrite(int number, const std::string& path);

  RunContext& context_;
  std::FILE* shared_ = nullptr;
  std::string text_;  // reused buffer
};

}  // namespace ortelan
