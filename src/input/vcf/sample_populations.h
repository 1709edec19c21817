// The samples of a VCF or BCF file matched with a population map: which
// population each sample's genes count in, and what did not match.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/vcf/popmap.h"

namespace ortelan {

struct SamplePopulations {
  std::vector<int> populationOf;         // per sample of the file, from 0: its population, 0 when left out
  std::vector<std::uint32_t> samplesIn;  // per population from 0: its samples in the file
  long counted = 0;                      // samples in both the map and the file
  std::vector<std::string> notes;        // lines for the diagnostic stream
};

// Matches `samples` (the file's, in column order) with `map`; a sample on
// one side only gets a note.
SamplePopulations matchSamples(const std::vector<std::string>& samples, const Popmap& map, const std::string& file);

// A population of the map with no sample in the file is a data fault of `file`.
void requireSamplesInEveryPopulation(const SamplePopulations& matched, const Popmap& map, const std::string& file);

}  // namespace ortelan
