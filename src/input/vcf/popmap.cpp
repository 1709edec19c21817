#include "input/vcf/popmap.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "input/line_stream.h"
#include "run/failure.h"

namespace ortelan {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string_view> fieldsOf(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && !isBlank(line[pos])) ++pos;
    if (pos > start) fields.push_back(line.substr(start, pos - start));
  }
  return fields;
}

// One line of the map into `entries`; empty lines and comments add nothing.
void entryOf(std::string_view line, long number, const std::string& source, std::vector<Popmap::Entry>& entries) {
  const std::vector<std::string_view> fields = fieldsOf(line);
  if (fields.empty() || fields.front().starts_with('#')) return;
  if (fields.size() != 2) {
    throw OneLineFault{source + ": line " + std::to_string(number) + ": " + std::to_string(fields.size()) +
                           (fields.size() == 1 ? " field" : " fields") +
                           " where a sample and its population are expected",
                       kUsageStatus};
  }
  entries.emplace_back(std::string(fields[0]), std::string(fields[1]));
}

}  // namespace

Popmap::Popmap(const std::vector<Entry>& entries, std::string source) : source_(std::move(source)) {
  std::unordered_map<std::string, int> numberOf;
  for (const auto& [sample, population] : entries) {
    if (sample.empty() || population.empty()) {
      throw OneLineFault{source_ + ": a sample or a population without a name", kUsageStatus};
    }
    auto [place, added] = numberOf.emplace(population, populations() + 1);
    if (added) labels_.push_back(population);
    if (!populationOf_.emplace(sample, place->second).second) {
      const std::string& earlier = labels_[static_cast<std::size_t>(populationOf_[sample])];
      throw OneLineFault{
          source_ + ": sample " + sample + " is listed twice" +
              (earlier == population ? std::string() : " (in " + earlier + " and in " + population + ")"),
          kUsageStatus};
    }
    entries_.emplace_back(sample, population);
  }
  if (entries_.empty()) throw OneLineFault{source_ + ": no sample in the population map", kUsageStatus};
}

Popmap Popmap::parse(std::string_view text, const std::string& source) {
  LineStream lines;
  lines.openText(text);
  std::vector<Entry> entries;
  while (const auto line = lines.next()) entryOf(*line, lines.lineNumber(), source, entries);
  return Popmap(entries, source);
}

Popmap Popmap::read(const std::string& path) {
  LineStream lines;
  if (!lines.open(path)) throw OneLineFault{"cannot read the population map " + path + ": " + std::strerror(errno)};
  std::vector<Entry> entries;
  try {
    while (const auto line = lines.next()) entryOf(*line, lines.lineNumber(), path, entries);
  } catch (const std::runtime_error& error) {
    throw OneLineFault{"cannot read the population map " + path + ": " + error.what()};
  }
  return Popmap(entries, path);
}

}  // namespace ortelan
