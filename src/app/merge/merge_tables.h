// The tables of the shards of one scan (--region or --loci runs of one
// data file, with one seed and one set of settings) put together as a
// single run over all of them would have written them: the rows in the
// data's order, the loci of region shards numbered anew, and every TOTAL
// row computed again from the rows by the run's own totals (Fisher's
// method, the summed chi-square or G, the ratio of the summed F-statistics'
// components and their bootstrap). The rows carry every digit of the
// program's reals, so they read back to the values the run held, and the
// totals come out to the last bit.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/analysis.h"
#include "app/merge/shard_table.h"
#include "report/results_table.h"
#include "run/console.h"

namespace ortelan {

template <class Real>
struct MergedTables {
  TableHeading heading;        // the shards' common settings, and how many were merged
  std::size_t shards = 0;
  bool hasResults = false;     // results tables among the shards
  Analysis<Real> analysis;     // the results' loci (state, fstat) and the pairs (pairs, fstat's pair rows)
  DataSummary pairsData;       // the loci and populations of the pairs tables
  // The hierarchy tables' rows (analysis.hierarchy) and their loci; the
  // permutation tables' tests added up (analysis.permutations).
  DataSummary hierarchyData;
};

// Merges `shards`, read by readShardTable for `edition`'s program. Throws
// OneLineFault (status 1) when a shard was run with other settings than the
// first (naming both files and the setting), when two shards hold one locus
// (its number, or its chrom, pos and name), or when a field is not what its
// column holds.
template <class Real>
MergedTables<Real> mergeShardTables(const Edition& edition, const std::vector<ShardTable>& shards, Console& console);

}  // namespace ortelan
