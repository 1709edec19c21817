// Which group each population belongs to, for the analysis of populations
// within groups (regions, localities, countries): a population map's third
// column, a groups file of GENEPOP data, or the pairs R and Python give.
// Every population belongs to exactly one group, and there are at least
// two groups; anything else is a usage fault, told in one line.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ortelan {

struct PopulationGroups {
  std::vector<std::string> names;  // per group from 0, in the order of the populations that first name them
  std::vector<int> groupOf;        // per population from 1 (entry 0 unused): its group from 0

  int groups() const { return static_cast<int>(names.size()); }
  int populations() const { return static_cast<int>(groupOf.size()) - 1; }
};

// A population (by its number in file order, from 1, or by its label) and
// its group, and the line that gave them (0: not from a file).
struct GroupEntry {
  std::string population;
  std::string group;
  long line = 0;
};

// The lines of a groups file named `source`: a population and its group per
// line, separated by blanks or tabs; empty lines and lines starting with
// '#' are skipped. A line of any other number of fields is a usage fault.
std::vector<GroupEntry> parseGroupEntries(std::string_view text, const std::string& source);
std::vector<GroupEntry> readGroupEntries(const std::string& path);

// The groups of `labels` (per population from 1, entry 0 unused) that
// `entries` give. A population is named by its number when the entry is a
// whole number from 1 to the count of populations, else by its label; a
// label that two populations share names neither. Usage faults: an entry
// naming no population or an ambiguous label, an empty group, a population
// given two groups, a population given none, fewer than two groups.
PopulationGroups resolveGroups(const std::vector<GroupEntry>& entries, const std::vector<std::string>& labels,
                               const std::string& source);

// Groups given per population already (a population map's third column):
// `groupOf` per population from 1, its group's name.
PopulationGroups groupsOfPopulations(const std::vector<std::string>& groupOf, const std::vector<std::string>& labels,
                                     const std::string& source);

}  // namespace ortelan
