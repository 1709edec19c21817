// The hierarchy table (--hierarchy): the analysis of molecular variance of
// every locus of the run and over them, tab-separated with CR LF line ends
// under the results table's first line. Per level (groups, populations
// within groups or among populations, individuals within populations,
// within individuals) its sum of squares, degrees of freedom and variance
// component, then the F-statistics; NA where the design or the locus has
// no such value. The TOTAL row sums the loci with components (so that the
// tables of shards add up) and takes each F as the ratio of the summed
// components; with permutations it holds the tests' P-values and 95 %
// limits: F_CT among groups, F_SC within groups, F_ST among populations.
#pragma once

#include <string>
#include <vector>

#include "fstat/hierarchy.h"
#include "permutation/do_permutations.h"
#include "report/results_table.h"

namespace ortelan {

inline constexpr const char* kHierarchyColumnNames[] = {
    "ss_groups",    "ss_populations",     "ss_individuals",     "ss_within",
    "df_groups",    "df_populations",     "df_individuals",     "df_within",
    "sigma2_groups", "sigma2_populations", "sigma2_individuals", "sigma2_within",
    "f_ct",         "f_sc",               "f_st",               "f_is",
    "f_it",         "p_ct",               "p_ct_low",           "p_ct_high",
    "p_sc",         "p_sc_low",           "p_sc_high",          "p_st",
    "p_st_low",     "p_st_high"};

// "locus\tname[\tchrom\tpos]" and the columns above.
std::string hierarchyColumnsHeader(bool sites);

// `rows` per locus from 1 (the loci of the run are written).
template <class Real>
std::string formatHierarchyTable(const TableHeading& heading, const DataSummary& data,
                                 const std::vector<HierarchyRow<Real>>& rows,
                                 const PermutationResults<Real>* permutations);

// The TOTAL row's P-values in the columns' order (p_ct ... p_st_high), NaN
// where no test was made.
template <class Real>
std::vector<Real> hierarchyPValues(const PermutationResults<Real>* permutations);

}  // namespace ortelan
