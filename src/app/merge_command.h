// `<program> merge`: the tables of the shards of one scan (runs with
// --region or --loci of one data file, one seed and one set of settings)
// put together into the tables and plots a single run over all the data
// would have written.
//
//   ortelan_2d merge -t scan.tsv [--pairs pairs.tsv] [--pairs-plot pairs.svg] [--manhattan scan.svg] SHARD.tsv...
#pragma once

#include <string>
#include <vector>

#include "run/console.h"
#include "run/edition.h"

namespace ortelan {

// `arguments` after "merge". Returns the exit status: 0 written, 1 a shard
// that cannot be merged (nothing written), 2 a usage error.
template <class Real>
int runMerge(const Edition& program, const std::vector<std::string>& arguments, Console& console);

}  // namespace ortelan
