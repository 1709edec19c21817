// The table of a pair of populations at a locus: their two rows of the
// locus table, with as columns the alleles present in the two, in the
// locus table's order (increasing allele code).
#pragma once

#include <vector>

#include "input/tables/count_table.h"

namespace ortelan {

// Rows a and b (from 1) of `locus` into `pair` (2 rows); the locus
// table's columns that the pair keeps go to `kept` when given.
void makePairTable(const CountTable& locus, int a, int b, CountTable& pair, std::vector<int>* kept = nullptr);

// A pair is tested at a locus when both populations have a gene there and
// the pair's table has two alleles or more.
bool isTestedPairTable(const CountTable& pair);

// The number of the pair a < b among (1,2), (1,3) ... (1,n), (2,3) ..., from 0.
inline long pairIndex(int a, int b, int populations) {
  const long first = static_cast<long>(a - 1) * (2L * populations - a) / 2;  // pairs before (a, a+1)
  return first + (b - a - 1);
}

}  // namespace ortelan
