// The results of the tests of every pair of populations at every locus of
// the run (made by the pass over the pairs, pairs/pair_rows.h), as a merge
// of tables and R hold them whole.
#pragma once

#include <optional>
#include <vector>

#include "chisquare/totals.h"
#include "run/run.h"

namespace ortelan {

template <class Real>
struct PairLocusResult {
  int alleles = 0;  // columns of the pair's table
  bool tested = false;
  Real p = 0, se = 0;  // exact test
  PMethod method = PMethod::Chain;  // where p comes from
  Real low = 0, high = 0;           // 95 % limits on the exact P (NaN from the chain)
  Real chi2 = 0, df = 0;  // Pearson's; the tables add its P (table_values)
};

template <class Real>
struct PairResults {
  int populations = 0;
  std::vector<int> loci;  // the loci of the run, in file order
  // For pair k (pairIndex) and the i-th locus of the run: [k * loci.size() + i].
  std::vector<PairLocusResult<Real>> results;
  // Per pair, over its tested loci; none when no locus was tested.
  std::vector<std::optional<Totals<Real>>> totals;

  long pairs() const { return static_cast<long>(populations) * (populations - 1) / 2; }
  const PairLocusResult<Real>& at(long pair, std::size_t locus) const {
    return results[static_cast<std::size_t>(pair) * loci.size() + locus];
  }
};

// The number of pair-loci of a run: pairs times loci in the run.
long pairLoci(const DataSummary& data);

// Each pair's totals over its tested loci, from its results.
template <class Real>
void sumPairTotals(PairResults<Real>& pairs, const PauseFn& pause);

}  // namespace ortelan
