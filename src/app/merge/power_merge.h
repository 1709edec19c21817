// The power tables of shards of one power analysis (runs with
// --replicates-range of one data file, with one seed and the same
// settings) put together into the table the whole run would have written:
// each row's replicates and rejections added up, the power and its limits
// computed again, and the mean theta from the shards' exact sums. The
// tallies are whole numbers, so the merged table is the whole run's to the
// byte.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "run/edition.h"

namespace ortelan {

// Whether `text`, a table's text, is a power table (by its header line).
bool isPowerTable(std::string_view text);

// A shard: its path and its text.
using PowerShard = std::pair<std::string, std::string>;

// The merged table. Throws OneLineFault: status 2 when shards were run with
// other settings or data than the first, or their replicates overlap or
// leave a gap; status 1 when a table is cut short or not a power table of
// `edition`'s program.
template <class Real>
std::string mergePowerTables(const Edition& edition, const std::vector<PowerShard>& shards);

}  // namespace ortelan
