#include "table_columns.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace ortelan {
namespace {

constexpr std::array<std::string_view, 14> kWholeColumns = {
    "locus", "pop_a", "pop_b", "alleles", "genotypes", "pos", "start", "end", "sites",
    // The power table's.
    "ne", "generations", "replicates", "rejections", "unsettled"};
constexpr std::array<std::string_view, 6> kTextColumns = {"name", "label_a", "label_b", "chrom", "method", "test"};
// Names are never missing: a locus, a population or a contig may be
// called "NA". A TOTAL row has no contig.
constexpr std::array<std::string_view, 4> kNameColumns = {"name", "label_a", "label_b", "chrom"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::string_view listedName : names) {
    if (listedName == name) return true;
  }
  return false;
}

// The fields of a line, split at its tabs.
void splitFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return;
    start = tab + 1;
  }
}

// The lines of the text without their line ends; a last empty line is none.
std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

[[noreturn]] void unreadable(std::size_t line, std::string_view what) {
  throw std::runtime_error("table line " + std::to_string(line) + ": " + std::string(what));
}

double realOf(std::string_view field, std::size_t line) {
  if (field == "NA") return std::numeric_limits<double>::quiet_NaN();
  double value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  // Tails below the smallest double read as 0, as a double holds them.
  if (error == std::errc::result_out_of_range) return std::signbit(value) ? -0.0 : 0.0;
  if (error != std::errc() || end != field.data() + field.size()) unreadable(line, "not a number: " + std::string(field));
  return value;
}

}  // namespace

ColumnKind columnKind(std::string_view name) {
  if (listed(kWholeColumns, name)) return ColumnKind::Whole;
  if (listed(kTextColumns, name)) return ColumnKind::Text;
  return ColumnKind::Real;
}

TableColumns readTableColumns(std::string_view text) {
  const std::vector<std::string_view> lines = linesOf(text);
  if (lines.size() < 2) unreadable(lines.size(), "no header line");
  TableColumns table;
  std::vector<std::string_view> fields;
  splitFields(lines[1], fields);
  std::size_t locusColumn = fields.size();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    TableColumn column;
    column.name = std::string(fields[i]);
    column.kind = columnKind(column.name);
    if (column.name == "locus") locusColumn = i;
    table.columns.push_back(std::move(column));
  }
  table.rows = lines.size() - 2;
  for (TableColumn& column : table.columns) {
    if (column.kind == ColumnKind::Real) column.reals.reserve(table.rows);
    if (column.kind == ColumnKind::Whole) column.wholes.reserve(table.rows);
    if (column.kind == ColumnKind::Text) column.texts.reserve(table.rows);
    if (column.kind != ColumnKind::Real) column.missing.reserve(table.rows);
  }
  for (std::size_t l = 2; l < lines.size(); ++l) {
    splitFields(lines[l], fields);
    if (fields.size() != table.columns.size()) unreadable(l + 1, "not as many fields as the header");
    const bool total = locusColumn < fields.size() && fields[locusColumn] == "TOTAL";
    for (std::size_t i = 0; i < fields.size(); ++i) {
      TableColumn& column = table.columns[i];
      const std::string_view field = fields[i];
      const bool blank = field == "NA" || (column.kind == ColumnKind::Whole && field == "TOTAL");
      switch (column.kind) {
        case ColumnKind::Real:
          column.reals.push_back(realOf(field, l + 1));
          break;
        case ColumnKind::Whole: {
          std::int64_t value = 0;
          if (!blank) {
            const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
            if (error != std::errc() || end != field.data() + field.size()) {
              unreadable(l + 1, "not a whole number: " + std::string(field));
            }
          }
          column.wholes.push_back(value);
          column.missing.push_back(blank ? 1 : 0);
          break;
        }
        case ColumnKind::Text: {
          const bool none = blank && (!listed(kNameColumns, column.name) || (total && column.name == "chrom"));
          column.texts.emplace_back(none ? std::string_view() : field);
          column.missing.push_back(none ? 1 : 0);
          break;
        }
      }
    }
  }
  return table;
}

}  // namespace ortelan
