// The permutation table (--permutations-table): every permutation's G
// summed over the run's loci, test by test, so that `merge` can add the
// sums of the shards of a scan permutation by permutation and count the
// hits as one run over all their loci would. Tab-separated, CR LF, under
// the results table's first line:
//   test  pop_a  pop_b  loci  tie_units  permutation  g  g_units
// one row per test and permutation, permutation 0 the data as observed,
// then 1 to B in order; tests among_populations, within_groups and
// among_groups (with groups) and pair (with --pairs, pop_a < pop_b,
// which are NA for the others). g_units is Σ G in units of 2^-26, a whole
// number, which the merge adds exactly; g is the same as a real. loci and
// tie_units (the tie margin in units) repeat on every row of a test.
#pragma once

#include <string>

#include "permutation/do_permutations.h"
#include "report/results_table.h"

namespace ortelan {

inline constexpr const char* kPermutationTableHeader =
    "test\tpop_a\tpop_b\tloci\ttie_units\tpermutation\tg\tg_units";

// Every test of `results`, whose permutations were all kept.
template <class Real>
std::string formatPermutationTable(const TableHeading& heading, const PermutationResults<Real>& results);

}  // namespace ortelan
