// The permutation tables of the shards of one scan put together: each
// test's summed G added over the shards permutation by permutation (whole
// numbers of units, so exactly), and its hits counted in order as one run
// over all the shards' loci counts them, with the same stop at the hits.
// Permutation k is the same in every shard (drawn from the run seed and k
// alone), so the sums are those of that one run. Tables that do not fit
// together (other tests, other permutations, a row missing or not whole)
// are refused in one line with status 2.
#pragma once

#include <cstdint>
#include <vector>

#include "app/merge/shard_table.h"
#include "permutation/do_permutations.h"

namespace ortelan {

// The tables `which` of `shards` (all of kind Permutations), each made with
// `permutations` permutations; the counts stop at `hits`.
template <class Real>
PermutationResults<Real> mergePermutationTables(const std::vector<ShardTable>& shards,
                                                const std::vector<std::size_t>& which, long permutations,
                                                std::int64_t hits);

}  // namespace ortelan
