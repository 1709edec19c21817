// What a power analysis simulates, from a data file: its loci with their
// base frequencies (the gene frequencies pooled over the file's
// populations) and the individuals to sample in each population, and the
// F_ST targets with the generations of drift that come nearest to each.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "input/tables/data_tables.h"
#include "power/drift_model.h"
#include "run/run_state.h"

namespace ortelan {

// A target and the drift that stands for it.
struct PowerTarget {
  double fst = 0;               // as asked
  std::int64_t generations = 0;  // the whole number of generations nearest to it
  double expected = 0;          // the expected F_ST after them
};

struct PowerDesign {
  int populations = 0;
  std::int64_t ne = 1000;
  std::vector<PowerTarget> targets;  // increasing; the first is F_ST = 0
  std::vector<PowerLocus> loci;      // the loci simulated, in file order
  std::vector<int> leftOut;          // loci of the run with fewer than two alleles in the pool
  bool sizesFromData = true;         // else the sizes were given
};

// The targets in increasing order, each once, with 0 among them.
std::vector<PowerTarget> powerTargets(std::vector<double> fst, std::int64_t ne);

// The loci of the run in `data` (its tables `tables`), each locus's
// populations sampled as the data file has them typed there (diploid
// loci: individuals with a complete genotype; haploid loci: individuals
// typed), or `sizes` individuals (one for every population, or one per
// population). Throws OneLineFault (status 2) when the sizes do not match
// the populations; (status 1) when the data hold fewer than two populations
// or no locus with two alleles in the pool.
PowerDesign powerDesign(const DataSummary& data, const DataTables& tables, std::int64_t ne,
                        const std::vector<double>& fst, const std::optional<std::vector<std::int64_t>>& sizes);

// "3 (LDH-C1), 7 (Est-2)": the loci left out, for messages.
std::string leftOutLoci(const DataSummary& data, const std::vector<int>& loci);

}  // namespace ortelan
