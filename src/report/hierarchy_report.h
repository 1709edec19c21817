// What the report of a scripted run says of the permutation tests and of
// the hierarchical analysis, under its table of loci:
//  - the permutation test over loci, in a line: G summed over the loci, P
//    with its 95 % limits and the permutations made;
//  - the analysis of molecular variance over the loci, as papers print it:
//    per source of variation its degrees of freedom, sum of squares,
//    variance component and share of the total, the F-statistic of that
//    level and its P-value from the permutations (none for the levels
//    within populations: whole individuals are permuted, never genes).
#pragma once

#include <string>
#include <vector>

#include "fstat/hierarchy.h"
#include "input/population_groups.h"
#include "permutation/do_permutations.h"
#include "run/run_state.h"

namespace ortelan {

// " Permutation test over the 4 loci (G summed, whole individuals permuted
// among populations): ..." and a line end; empty without the test.
template <class Real>
std::string permutationReportLines(const PermutationResults<Real>& permutations);

// The section, from an empty line on; `rows` per locus from 1, `groups`
// null without groups.
template <class Real>
std::string hierarchyReportSection(const DataSummary& data, const std::vector<HierarchyRow<Real>>& rows,
                                   const PopulationGroups* groups, const PermutationResults<Real>* permutations);

}  // namespace ortelan
