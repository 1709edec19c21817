// A results or pairs table, as the core's table writer writes it, read back
// into typed columns for data frames. The columns are those of the table's
// header line, whatever they are, so that a column the writer gains comes
// to the data frames by itself: as reals, unless its name is listed below
// as whole numbers or text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ortelan {

enum class ColumnKind { Whole, Real, Text };

// The kind of the column `name` holds.
ColumnKind columnKind(std::string_view name);

struct TableColumn {
  std::string name;
  ColumnKind kind = ColumnKind::Real;
  std::vector<double> reals;         // Real: NaN where the table says NA
  std::vector<std::int64_t> wholes;  // Whole: 0 where missing
  std::vector<std::string> texts;    // Text: empty where missing
  std::vector<std::uint8_t> missing;  // Whole and Text: 1 where the table says NA (or TOTAL)
};

struct TableColumns {
  std::vector<TableColumn> columns;
  std::size_t rows = 0;
};

// Reads `text` (a comment line, the header line, then the rows; CR LF line
// ends). Numbers read to the nearest double; NA is missing, and so is a
// whole number's "TOTAL" (the locus of a TOTAL row). Names, labels and
// contigs are taken as they are, even "NA", but a TOTAL row's contig. Throws
// std::runtime_error when a row is not the header's width or a number does
// not read: the writer did not write it.
TableColumns readTableColumns(std::string_view text);

}  // namespace ortelan
