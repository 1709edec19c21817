#include "permutation/permutation_design.h"

#include "run/seed_source.h"
#include "run/split_mix64.h"

namespace ortelan {
namespace {

std::vector<int> everyUnitOf(const std::vector<int>& rowOf) {
  std::vector<int> units;
  for (std::size_t unit = 0; unit < rowOf.size(); ++unit) {
    if (rowOf[unit] >= 0) units.push_back(static_cast<int>(unit));
  }
  return units;
}

}  // namespace

PermutationDesign amongPopulations(const std::vector<int>& populationOf, int populations) {
  PermutationDesign design;
  design.rows = populations;
  for (int pop : populationOf) design.rowOf.push_back(pop - 1);
  design.strata.push_back(everyUnitOf(design.rowOf));
  return design;
}

PermutationDesign withinGroups(const std::vector<int>& populationOf, const PopulationGroups& groups) {
  PermutationDesign design;
  design.rows = groups.populations();
  design.strata.resize(static_cast<std::size_t>(groups.groups()));
  for (std::size_t unit = 0; unit < populationOf.size(); ++unit) {
    const int pop = populationOf[unit];
    design.rowOf.push_back(pop - 1);
    design.strata[static_cast<std::size_t>(groups.groupOf[static_cast<std::size_t>(pop)])].push_back(static_cast<int>(unit));
  }
  return design;
}

PermutationDesign amongGroups(const PopulationGroups& groups) {
  PermutationDesign design;
  design.rows = groups.groups();
  design.rowOf.assign(groups.groupOf.begin() + 1, groups.groupOf.end());
  design.strata.push_back(everyUnitOf(design.rowOf));
  return design;
}

PermutationDesign ofPair(const std::vector<int>& populationOf, int a, int b) {
  PermutationDesign design;
  design.rows = 2;
  for (int pop : populationOf) design.rowOf.push_back(pop == a ? 0 : pop == b ? 1 : -1);
  design.strata.push_back(everyUnitOf(design.rowOf));
  return design;
}

void permutedRows(const PermutationDesign& design, std::uint64_t key, long k, std::vector<int>& rowOf) {
  rowOf = design.rowOf;
  if (k == 0) return;
  SplitMix64 draws(chainKey(key, {static_cast<std::uint64_t>(k)}));
  for (const std::vector<int>& units : design.strata) {
    // Fisher-Yates over the stratum's units, in their order.
    for (std::size_t j = units.size(); j > 1; --j) {
      const std::size_t other = static_cast<std::size_t>(draws.below(j));
      std::swap(rowOf[static_cast<std::size_t>(units[j - 1])], rowOf[static_cast<std::size_t>(units[other])]);
    }
  }
}

}  // namespace ortelan
