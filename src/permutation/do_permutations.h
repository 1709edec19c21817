// DO_PERMUTATIONS: the permutation tests of a run, each with G summed over
// the loci of the run (summed_g.h), each with a key of its own from the run
// seed, so that no thread count, shard or other test changes its P:
//  - among populations: individuals permuted among all populations, the
//    combined test of the TOTAL row, which holds whatever the linkage
//    between loci, since every permutation moves an individual's genes at
//    all loci together;
//  - with groups, among populations within groups (individuals permuted
//    among the populations of their group) and among groups (whole
//    populations permuted among the groups);
//  - with pairs, each pair of populations (individuals permuted between
//    the two).
#pragma once

#include <optional>
#include <vector>

#include "input/population_groups.h"
#include "input/tables/individual_genotypes.h"
#include "permutation/permutation_test.h"
#include "run/run.h"

namespace ortelan {

// Which test a summed G belongs to, as the permutation table names it.
enum class PermutationKind { AmongPopulations, WithinGroups, AmongGroups, Pair };
const char* permutationKindName(PermutationKind kind);
std::optional<PermutationKind> permutationKindNamed(std::string_view name);

template <class Real>
struct PermutationResults {
  long permutations = 0;
  std::optional<PermutationOutcome<Real>> amongPopulations;
  std::optional<PermutationOutcome<Real>> withinGroups, amongGroups;  // with groups
  int populations = 0;
  std::vector<PermutationOutcome<Real>> pairs;  // with pairs: pair k (pairIndex), as the pairs table orders them
};

struct PermutationRequest {
  long permutations = 0;
  std::int64_t hits = 100;
  bool keepAll = false;   // every permutation's sums kept, for the permutation table
  bool pairs = false;
  const PopulationGroups* groups = nullptr;
};

// The key of each test, from the run seed.
std::uint64_t permutationKey(std::uint64_t runSeed, PermutationKind kind, int a = 0, int b = 0);

// The tests over the loci of the run (`data`: those in the run, numbered
// as `genotypes` numbers them), on the run's workers.
template <class Real>
PermutationResults<Real> DO_PERMUTATIONS(RunContext& run, const DataSummary& data, const IndividualGenotypes& genotypes,
                                         const PermutationRequest& request);

}  // namespace ortelan
