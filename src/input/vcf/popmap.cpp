#include "input/vcf/popmap.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "input/blank_fields.h"
#include "input/line_stream.h"
#include "run/failure.h"

namespace ortelan {
namespace {

// One line of the map into `entries`, and its group (if any) and number
// into `groups`; empty lines and comments add nothing. Groups are given on
// every line or on none.
void entryOf(std::string_view line, long number, const std::string& source, std::vector<Popmap::Entry>& entries,
             std::vector<std::pair<std::string, long>>& groups) {
  const std::vector<std::string_view> fields = blankSeparatedFields(line);
  if (fields.empty() || fields.front().starts_with('#')) return;
  const bool groupedBefore = !groups.empty() && !groups.front().first.empty();
  const auto fault = [&](const std::string& what) {
    throw OneLineFault{source + ": line " + std::to_string(number) + ": " + std::to_string(fields.size()) +
                           (fields.size() == 1 ? " field" : " fields") + " where " + what,
                       kUsageStatus};
  };
  if (fields.size() != 2 && fields.size() != 3) fault("a sample and its population (and its group) are expected");
  if (!entries.empty() && (fields.size() == 3) != groupedBefore) {
    fault(groupedBefore ? "the lines before give a sample, its population and its group"
                        : "the lines before give a sample and its population");
  }
  const bool grouped = fields.size() == 3;
  entries.emplace_back(std::string(fields[0]), std::string(fields[1]));
  groups.emplace_back(grouped ? std::string(fields[2]) : std::string(), number);
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

void Popmap::takeGroups(const std::vector<std::pair<std::string, long>>& groups) {
  if (groups.empty() || groups.front().first.empty()) return;
  groups_.assign(labels_.size(), std::string());
  std::vector<long> givenAt(labels_.size(), 0);
  for (std::size_t k = 0; k < groups.size(); ++k) {
    const auto& [group, line] = groups[k];
    const auto pop = static_cast<std::size_t>(populationOf_.at(entries_[k].first));
    if (!groups_[pop].empty() && groups_[pop] != group) {
      throw OneLineFault{source_ + ": line " + std::to_string(line) + ": population " + labels_[pop] + " is in group " +
                             group + " here and in " + groups_[pop] + " on line " + std::to_string(givenAt[pop]),
                         kUsageStatus};
    }
    groups_[pop] = group;
    givenAt[pop] = line;
  }
}

Popmap Popmap::parse(std::string_view text, const std::string& source) {
  LineStream lines;
  lines.openText(text);
  std::vector<Entry> entries;
  std::vector<std::pair<std::string, long>> groups;
  while (const auto line = lines.next()) entryOf(*line, lines.lineNumber(), source, entries, groups);
  Popmap map(entries, source);
  map.takeGroups(groups);
  return map;
}

Popmap Popmap::read(const std::string& path) {
  LineStream lines;
  if (!lines.open(path)) throw OneLineFault{"cannot read the population map " + path + ": " + std::strerror(errno)};
  std::vector<Entry> entries;
  std::vector<std::pair<std::string, long>> groups;
  try {
    while (const auto line = lines.next()) entryOf(*line, lines.lineNumber(), path, entries, groups);
  } catch (const std::runtime_error& error) {
    throw OneLineFault{"cannot read the population map " + path + ": " + error.what()};
  }
  Popmap map(entries, path);
  map.takeGroups(groups);
  return map;
}

}  // namespace ortelan
