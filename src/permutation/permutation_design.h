// What a permutation test permutes, and each permutation of it. A test has
// units (individuals, or whole populations) in rows (populations, or
// groups); a permutation shuffles the rows of the units of each stratum
// among those units, so every row keeps its size:
//  - among populations: individuals among all populations, one stratum;
//  - within groups: individuals among the populations of their group, a
//    stratum per group;
//  - among groups: whole populations among the groups, one stratum;
//  - a pair of populations: the individuals of the two between them, the
//    others left out.
// Permutation k (from 1; 0 is the data as observed) is a Fisher-Yates
// shuffle of each stratum in turn, drawn from SplitMix64 seeded with
// chainKey(key, {k}): a function of the test's key and k alone, the same on
// every thread, in every shard of the loci and on every platform.
#pragma once

#include <cstdint>
#include <vector>

#include "input/population_groups.h"

namespace ortelan {

struct PermutationDesign {
  int rows = 0;
  std::vector<int> rowOf;                // per unit: its row as observed, -1 for a unit left out
  std::vector<std::vector<int>> strata;  // the units whose rows are shuffled among them, each in increasing order
};

// The designs of the tests. `populationOf`: per individual, its population
// from 1; `groups` the populations' groups.
PermutationDesign amongPopulations(const std::vector<int>& populationOf, int populations);
PermutationDesign withinGroups(const std::vector<int>& populationOf, const PopulationGroups& groups);
PermutationDesign amongGroups(const PopulationGroups& groups);
// Rows 0 and 1: populations a and b (a < b, from 1).
PermutationDesign ofPair(const std::vector<int>& populationOf, int a, int b);

// The rows of the units in permutation k of the test named by `key` (k = 0:
// as observed).
void permutedRows(const PermutationDesign& design, std::uint64_t key, long k, std::vector<int>& rowOf);

}  // namespace ortelan
