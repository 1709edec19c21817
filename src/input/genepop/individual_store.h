// The reader of ortelan_c: the data file is read once into a store of
// individuals (population and two allele codes per locus), and every locus
// table is then counted from the store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/tables/table_data_writer.h"
#include "run/run.h"

namespace ortelan {

class IndividualStore {
 public:
  void reset(int loci) {
    loci_ = loci;
    populations_.clear();
    alleles_.clear();
  }
  // Starts the next individual and returns its 2 x loci allele codes.
  std::uint16_t* addIndividual(int population) {
    populations_.push_back(population);
    alleles_.resize(alleles_.size() + 2 * static_cast<std::size_t>(loci_), 0);
    return alleles_.data() + alleles_.size() - 2 * static_cast<std::size_t>(loci_);
  }
  int size() const { return static_cast<int>(populations_.size()); }
  int population(int individual) const { return populations_[static_cast<std::size_t>(individual)]; }
  // First and second allele of the individual at locus 1..loci.
  const std::uint16_t* alleles(int individual, int locus) const {
    return alleles_.data() + 2 * (static_cast<std::size_t>(individual) * static_cast<std::size_t>(loci_) +
                                  static_cast<std::size_t>(locus - 1));
  }
  // The population of the last individual is the number of populations.
  int populations() const { return populations_.empty() ? 0 : populations_.back(); }

 private:
  int loci_ = 0;
  std::vector<int> populations_;
  std::vector<std::uint16_t> alleles_;

 public:
  // Per population from 1: the name of its last individual, trimmed.
  std::vector<std::string> labels;
};

// First three characters "pop" in any mix of cases.
bool startsWithPop(std::string_view line);

// ReadInDataFile: title, locus names and the store, or a fatal stop.
void ReadInDataFile(RunContext& context, DataSummary& data, IndividualStore& store, const std::string& fileName);
// The same from the file's text, with Unix line ends.
void readDataText(RunContext& context, DataSummary& data, IndividualStore& store, std::string_view text);

// The table writer of ortelan_c: counts each locus from the store, checks
// it against locus 1 and writes its block.
void writeTablesFromStore(RunContext& context, DataSummary& data, const IndividualStore& store,
                          LocusTableSink& writer);

}  // namespace ortelan
