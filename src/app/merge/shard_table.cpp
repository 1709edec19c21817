#include "app/merge/shard_table.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "report/hierarchy_table.h"
#include "report/permutation_table.h"
#include "report/results_table.h"
#include "run/failure.h"

namespace ortelan {
namespace {

constexpr const char* kPairsLead = "pop_a\tpop_b\tlabel_a\tlabel_b\t";

[[noreturn]] void fault(const std::string& path, long line, const std::string& what) {
  throw OneLineFault{path + ": line " + std::to_string(line) + ": " + what, kFaultStatus};
}

std::vector<std::string> split(std::string_view line) {
  std::vector<std::string> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.emplace_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

// "# <program> <version> key=value ...": each known key where it stands,
// its value running to the next key found (a file name may hold blanks).
bool parseSettings(std::string_view line, TableSettings& settings) {
  if (!line.starts_with("# ")) return false;
  line.remove_prefix(2);
  const std::size_t programEnd = line.find(' ');
  if (programEnd == std::string_view::npos) return false;
  settings.program = std::string(line.substr(0, programEnd));
  line.remove_prefix(programEnd + 1);
  const std::size_t versionEnd = line.find(' ');
  if (versionEnd == std::string_view::npos) return false;
  settings.version = std::string(line.substr(0, versionEnd));
  // Built by appending: GCC 12 at -O2 warns (-Wrestrict) about the insert of
  // `" " + std::string(...)`, a false report of an overlap.
  std::string rest(1, ' ');
  rest.append(line.substr(versionEnd + 1));
  std::vector<std::pair<std::string, std::size_t>> found;  // key, where its " key=" starts
  std::size_t from = 0;
  for (const std::string& key : settingKeys()) {
    const std::size_t at = rest.find(" " + key + "=", from);
    if (at == std::string::npos) continue;
    found.emplace_back(key, at);
    from = at + 1;
  }
  if (found.empty() || found.front().first != "input" || found.front().second != 0) return false;
  for (std::size_t k = 0; k < found.size(); ++k) {
    const std::size_t start = found[k].second + found[k].first.size() + 2;
    const std::size_t end = k + 1 < found.size() ? found[k + 1].second : rest.size();
    settings.values.emplace_back(found[k].first, rest.substr(start, end - start));
  }
  return true;
}

}  // namespace

std::string TableSettings::valueOf(std::string_view key) const {
  for (const auto& [name, value] : values) {
    if (name == key) return value;
  }
  return {};
}

std::size_t ShardTable::column(std::string_view name) const {
  for (std::size_t k = 0; k < columns.size(); ++k) {
    if (columns[k] == name) return k;
  }
  throw std::out_of_range("no column " + std::string(name));
}

const std::vector<std::string>& settingKeys() {
  static const std::vector<std::string> keys = {
      "input",     "seed",   "dememorization", "batches", "iterations",     "test",       "exact",     "sampler",
      "hits",      "samples", "bootstrap",     "permutations", "popmap",  "groups", "region",  "windows",
      "outlier_min_he", "outlier_df", "outlier_f", "merged"};
  return keys;
}

ShardTable parseShardTable(const std::string& path, std::string_view text, std::string_view program) {
  ShardTable table;
  table.path = path;
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));  // the last line, cut short of its line end
      break;
    }
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  const std::string notATable = "not a results, pairs, hierarchy or permutation table of " + std::string(program);
  if (lines.empty()) fault(path, 1, "empty, " + notATable);
  if (!parseSettings(lines[0], table.settings)) fault(path, 1, notATable);
  if (table.settings.program != program) {
    fault(path, 1, "a table of " + table.settings.program + ", not of " + std::string(program) + ": merge it with " +
                       table.settings.program + " merge");
  }
  const std::string test = table.settings.valueOf("test");
  if (!test.empty()) {
    const std::optional<ExactTest> named = testNamed(test);
    if (!named) fault(path, 1, notATable + ": an unknown test " + test);
    table.test = *named;
  }
  if (lines.size() < 2) fault(path, 2, "no header line: the table is cut short");

  // The header says which table it is.
  bool matched = false;
  std::string outlierColumns;
  for (const char* name : kOutlierColumnNames) outlierColumns += std::string("\t") + name;
  const std::string permutationColumns = permutationColumnsHeader();
  for (const bool sites : {false, true}) {
    const std::string results = locusColumnsHeader(table.test, sites);
    for (const bool permuted : {false, true}) {
      const std::string last = permuted ? permutationColumns : std::string();
      for (const TableKind kind : {TableKind::Results, TableKind::Pairs}) {
        if (lines[1] == (kind == TableKind::Pairs ? kPairsLead + results : results) + last) {
          table.kind = kind;
          table.sites = sites;
          table.permuted = permuted;
          matched = true;
        }
      }
      if (lines[1] == results + outlierColumns + last) {
        table.kind = TableKind::Results;
        table.sites = sites;
        table.permuted = permuted;
        table.outliers = matched = true;
      }
    }
    if (lines[1] == hierarchyColumnsHeader(sites)) {
      table.kind = TableKind::Hierarchy;
      table.sites = sites;
      matched = true;
    }
  }
  if (lines[1] == kPermutationTableHeader) {
    table.kind = TableKind::Permutations;
    matched = true;
  }
  if (!matched) fault(path, 2, notATable + ": not its header line");
  table.columns = split(lines[1]);

  const bool cutShort = !text.ends_with('\n');
  for (std::size_t k = 2; k < lines.size(); ++k) {
    ShardRow row{static_cast<long>(k) + 1, split(lines[k])};
    if (row.fields.size() != table.columns.size() || (k + 1 == lines.size() && cutShort)) {
      fault(path, row.line, "a row of " + std::to_string(row.fields.size()) + " fields where the table has " +
                                std::to_string(table.columns.size()) + (cutShort ? ": the file is cut short" : ""));
    }
    table.rows.push_back(std::move(row));
  }

  // A results or hierarchy table ends in its TOTAL row; a pairs table has
  // one after the rows of each pair; a permutation table has none.
  const long end = static_cast<long>(lines.size()) + (cutShort ? 0 : 1);
  if (table.kind == TableKind::Permutations) return table;
  if (table.kind == TableKind::Results || table.kind == TableKind::Hierarchy) {
    for (std::size_t k = 0; k + 1 < table.rows.size(); ++k) {
      if (table.rows[k].fields[0] == "TOTAL") fault(path, table.rows[k].line, "a TOTAL row before the last row");
    }
    if (table.rows.empty() || table.rows.back().fields[0] != "TOTAL") fault(path, end, "no TOTAL row at the end");
  } else {
    // Every pair has its TOTAL row, even over no locus.
    if (table.rows.empty()) fault(path, end, "no rows of pairs: the table is cut short");
    const std::size_t locus = table.column("locus");
    for (std::size_t k = 0; k < table.rows.size(); ++k) {
      const bool last = k + 1 == table.rows.size();
      const bool groupEnds = !last && (table.rows[k + 1].fields[0] != table.rows[k].fields[0] ||
                                       table.rows[k + 1].fields[1] != table.rows[k].fields[1]);
      if ((last || groupEnds) && table.rows[k].fields[locus] != "TOTAL") {
        fault(path, last ? end : table.rows[k].line, "no TOTAL row after the rows of pair " +
                                                         table.rows[k].fields[0] + ", " + table.rows[k].fields[1]);
      }
    }
  }
  return table;
}

ShardTable readShardTable(const std::string& path, std::string_view program) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw OneLineFault{"cannot read " + path + ": " + std::strerror(errno), kFaultStatus};
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw OneLineFault{"cannot read " + path + ": " + std::strerror(errno), kFaultStatus};
  return parseShardTable(path, text.str(), program);
}

}  // namespace ortelan
