#include "input/vcf/sample_populations.h"

#include <unordered_set>

#include "run/failure.h"

namespace ortelan {
namespace {

constexpr std::size_t kNamesShown = 5;

// "3 samples of calls.vcf are not in the map pops.txt and are left out: a, b, c".
std::string note(const std::vector<std::string>& names, const std::string& what) {
  std::string line = std::to_string(names.size()) + (names.size() == 1 ? " sample " : " samples ") + what + ": ";
  for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i) line += (i > 0 ? ", " : "") + names[i];
  if (names.size() > kNamesShown) line += ", …";
  return line;
}

}  // namespace

SamplePopulations matchSamples(const std::vector<std::string>& samples, const Popmap& map, const std::string& file) {
  SamplePopulations out;
  out.samplesIn.assign(static_cast<std::size_t>(map.populations()), 0);
  std::vector<std::string> unmapped;
  std::unordered_set<std::string> inFile;
  for (const std::string& sample : samples) {
    const int population = map.populationOf(sample);
    out.populationOf.push_back(population);
    inFile.insert(sample);
    if (population == 0) {
      unmapped.push_back(sample);
    } else {
      ++out.samplesIn[static_cast<std::size_t>(population) - 1];
      ++out.counted;
    }
  }
  std::vector<std::string> absent;
  for (const auto& entry : map.entries()) {
    if (!inFile.contains(entry.first)) absent.push_back(entry.first);
  }
  if (!unmapped.empty()) {
    out.notes.push_back(note(unmapped, "of " + file + (unmapped.size() == 1 ? " is" : " are") + " not in the map " +
                                           map.source() + " and left out"));
  }
  if (!absent.empty()) {
    out.notes.push_back(
        note(absent, "of the map " + map.source() + (absent.size() == 1 ? " is" : " are") + " not in " + file));
  }
  return out;
}

void requireSamplesInEveryPopulation(const SamplePopulations& matched, const Popmap& map, const std::string& file) {
  for (int population = 1; population <= map.populations(); ++population) {
    if (matched.samplesIn[static_cast<std::size_t>(population) - 1] == 0) {
      throw OneLineFault{file + ": population " + map.labels()[static_cast<std::size_t>(population)] + " of the map " +
                         map.source() + " has no sample in the file"};
    }
  }
}

}  // namespace ortelan
