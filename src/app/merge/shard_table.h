// A results or pairs table that a scripted run wrote, read back for a merge
// of the tables of shards of one scan: its settings line, its columns and
// its rows, each checked to be whole, so that a file cut short or not
// written by this program is told in one line naming it and the line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "run/edition.h"
#include "run/run_state.h"

namespace ortelan {

// The first line: "# <program> <version> input=... seed=... ...".
struct TableSettings {
  std::string program, version;
  std::vector<std::pair<std::string, std::string>> values;  // key and value, in the line's order

  // The value of `key`, empty where the line has none.
  std::string valueOf(std::string_view key) const;
};

// The results and pairs tables, the hierarchy table (--hierarchy) and the
// permutation table (--permutations-table).
enum class TableKind { Results, Pairs, Hierarchy, Permutations };

struct ShardRow {
  long line = 0;  // from 1, in the file
  std::vector<std::string> fields;
};

struct ShardTable {
  std::string path;
  TableSettings settings;
  ExactTest test = ExactTest::Genic;
  TableKind kind = TableKind::Results;
  bool sites = false;  // chrom and pos after the name: VCF or BCF data
  bool outliers = false;  // a results table with the outlier test's columns at the end
  bool permuted = false;  // a results or pairs table with the permutation test's columns last
  std::vector<std::string> columns;
  std::vector<ShardRow> rows;  // every row after the header, TOTAL rows included

  // The column's place in a row; throws std::out_of_range when the table has none.
  std::size_t column(std::string_view name) const;
};

// The keys of a settings line, in the order a table writes them.
const std::vector<std::string>& settingKeys();

// Reads the table at `path`, written by `program` (ortelan_3d ...).
// Throws OneLineFault (status 1) when the file cannot be read, is empty, is
// not such a table, or a row is cut short or a TOTAL row missing.
ShardTable readShardTable(const std::string& path, std::string_view program);

// The same from a table's text, `path` naming it in faults.
ShardTable parseShardTable(const std::string& path, std::string_view text, std::string_view program);

}  // namespace ortelan
