#include "pairs/do_pairs.h"

namespace ortelan {

long pairLoci(const DataSummary& data) {
  long loci = 0;
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) loci += data.isInRun(I) ? 1 : 0;
  return loci * data.NUMBPOPS * (data.NUMBPOPS - 1) / 2;
}

template <class Real>
void sumPairTotals(PairResults<Real>& pairs, const PauseFn& pause) {
  const std::size_t loci = pairs.loci.size();
  pairs.totals.assign(static_cast<std::size_t>(pairs.pairs()), std::nullopt);
  for (long pair = 0; pair < pairs.pairs(); ++pair) {
    std::vector<TotalTerm<Real>> terms;
    for (std::size_t i = 0; i < loci; ++i) {
      const PairLocusResult<Real>& result = pairs.at(pair, i);
      if (result.tested) terms.push_back({result.p, result.chi2, result.df});
    }
    if (!terms.empty()) pairs.totals[static_cast<std::size_t>(pair)] = totalsOver(terms, pause);
  }
}

template void sumPairTotals<double>(PairResults<double>&, const PauseFn&);
template void sumPairTotals<long double>(PairResults<long double>&, const PauseFn&);

}  // namespace ortelan
