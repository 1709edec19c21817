#include "input/population_groups.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>

#include "input/blank_fields.h"
#include "input/line_stream.h"
#include "run/failure.h"
#include "run/whole_number.h"

namespace ortelan {
namespace {

[[noreturn]] void usage(const std::string& what) { throw OneLineFault{what, kUsageStatus}; }

void entryOf(std::string_view line, long number, const std::string& source, std::vector<GroupEntry>& entries) {
  const std::vector<std::string_view> fields = blankSeparatedFields(line);
  if (fields.empty() || fields.front().starts_with('#')) return;
  if (fields.size() != 2) {
    usage(source + ": line " + std::to_string(number) + ": " + std::to_string(fields.size()) +
          (fields.size() == 1 ? " field" : " fields") + " where a population and its group are expected");
  }
  entries.push_back({std::string(fields[0]), std::string(fields[1]), number});
}

std::string at(const std::string& source, long line) {
  return line > 0 ? source + ": line " + std::to_string(line) + ": " : source + ": ";
}

// The groups numbered in the order of the populations that first name them,
// so that the numbering does not depend on the order of the entries.
PopulationGroups numbered(const std::vector<std::string>& groupOf, const std::vector<std::string>& labels,
                          const std::string& source) {
  PopulationGroups out;
  out.groupOf.assign(groupOf.size(), -1);
  std::map<std::string, int> number;
  for (std::size_t pop = 1; pop < groupOf.size(); ++pop) {
    if (groupOf[pop].empty()) {
      usage(source + ": population " + (pop < labels.size() && !labels[pop].empty() ? labels[pop] + " (" : "(") +
            "number " + std::to_string(pop) + ") has no group");
    }
    const auto [place, added] = number.emplace(groupOf[pop], out.groups());
    if (added) out.names.push_back(groupOf[pop]);
    out.groupOf[pop] = place->second;
  }
  if (out.groups() < 2) {
    usage(source + ": " + (out.groups() == 1 ? "every population is in group " + out.names.front() : "no group") +
          ": at least two groups are needed");
  }
  return out;
}

}  // namespace

std::vector<GroupEntry> parseGroupEntries(std::string_view text, const std::string& source) {
  LineStream lines;
  lines.openText(text);
  std::vector<GroupEntry> entries;
  while (const auto line = lines.next()) entryOf(*line, lines.lineNumber(), source, entries);
  return entries;
}

std::vector<GroupEntry> readGroupEntries(const std::string& path) {
  LineStream lines;
  if (!lines.open(path)) throw OneLineFault{"cannot read the groups " + path + ": " + std::strerror(errno), kUsageStatus};
  std::vector<GroupEntry> entries;
  try {
    while (const auto line = lines.next()) entryOf(*line, lines.lineNumber(), path, entries);
  } catch (const std::runtime_error& error) {
    throw OneLineFault{"cannot read the groups " + path + ": " + error.what(), kUsageStatus};
  }
  return entries;
}

PopulationGroups resolveGroups(const std::vector<GroupEntry>& entries, const std::vector<std::string>& labels,
                               const std::string& source) {
  const int populations = static_cast<int>(labels.size()) - 1;
  std::map<std::string, std::vector<int>> byLabel;
  for (int pop = 1; pop <= populations; ++pop) byLabel[labels[static_cast<std::size_t>(pop)]].push_back(pop);
  std::vector<std::string> groupOf(static_cast<std::size_t>(populations) + 1);
  std::vector<long> givenAt(groupOf.size(), 0);
  for (const GroupEntry& entry : entries) {
    if (entry.group.empty()) usage(at(source, entry.line) + "population " + entry.population + " has an empty group name");
    int pop = 0;
    const std::optional<int> number = wholeNumber<int>(entry.population);
    if (number && *number >= 1 && *number <= populations) {
      pop = *number;
    } else if (const auto found = byLabel.find(entry.population); found != byLabel.end()) {
      if (found->second.size() > 1) {
        usage(at(source, entry.line) + "populations " + std::to_string(found->second[0]) + " and " +
              std::to_string(found->second[1]) + " are both labelled " + entry.population + ": give its number");
      }
      pop = found->second.front();
    } else {
      usage(at(source, entry.line) + "no population " + entry.population + " in the data (" +
            std::to_string(populations) + (populations == 1 ? " population" : " populations") + ")");
    }
    std::string& group = groupOf[static_cast<std::size_t>(pop)];
    if (!group.empty() && group != entry.group) {
      usage(at(source, entry.line) + "population " + entry.population + " is in group " + entry.group + " here and in " +
            group + (givenAt[static_cast<std::size_t>(pop)] > 0
                         ? " on line " + std::to_string(givenAt[static_cast<std::size_t>(pop)])
                         : std::string(" before")));
    }
    group = entry.group;
    givenAt[static_cast<std::size_t>(pop)] = entry.line;
  }
  return numbered(groupOf, labels, source);
}

PopulationGroups groupsOfPopulations(const std::vector<std::string>& groupOf, const std::vector<std::string>& labels,
                                     const std::string& source) {
  return numbered(groupOf, labels, source);
}

}  // namespace ortelan
