// Which sample belongs to which population, for data files whose samples
// carry no population of their own (VCF, BCF): two columns, sample and
// population, as variant-calling pipelines write them, and optionally a
// third, the group of the sample's population (populations within
// regions). Populations are numbered from 1 in the order in which they
// first appear.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ortelan {

class Popmap {
 public:
  using Entry = std::pair<std::string, std::string>;  // sample, population

  // From (sample, population) pairs, as R gives them; `source` names them in
  // messages. A sample listed twice is a usage fault.
  Popmap(const std::vector<Entry>& entries, std::string source);

  // From the text of a map file named `source`: a sample and its population
  // per line, separated by blanks or tabs, and on every line or on none the
  // population's group; empty lines and lines starting with '#' are
  // skipped. A line of any other number of fields, and a population given
  // two groups, are usage faults.
  static Popmap parse(std::string_view text, const std::string& source);
  // The same from the file at `path`; a file that cannot be read is a fault.
  static Popmap read(const std::string& path);

  const std::string& source() const { return source_; }
  int populations() const { return static_cast<int>(labels_.size()) - 1; }
  // Per population from 1: its name in the map (entry 0 empty).
  const std::vector<std::string>& labels() const { return labels_; }
  // The samples, in map order.
  const std::vector<Entry>& entries() const { return entries_; }
  // Whether the map gives groups; per population from 1, its group's name
  // (entry 0 empty).
  bool hasGroups() const { return !groups_.empty(); }
  const std::vector<std::string>& groups() const { return groups_; }
  // The population of `sample`, from 1; 0 when the map does not list it.
  int populationOf(const std::string& sample) const {
    const auto found = populationOf_.find(sample);
    return found == populationOf_.end() ? 0 : found->second;
  }

 private:
  std::string source_;
  std::vector<Entry> entries_;
  std::vector<std::string> labels_{std::string()};
  std::unordered_map<std::string, int> populationOf_;
  std::vector<std::string> groups_;

  // The groups of the file's lines, per entry, with each line's number.
  void takeGroups(const std::vector<std::pair<std::string, long>>& groups);
};

}  // namespace ortelan
