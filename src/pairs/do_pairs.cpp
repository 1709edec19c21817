#include "pairs/do_pairs.h"

#include "chisquare/asymptotic_test.h"
#include "exacttest/locus_pool.h"
#include "input/tables/table_data_reader.h"
#include "input/tables/table_data_writer.h"
#include "pairs/pair_table.h"
#include "run/pause.h"

namespace ortelan {
namespace {

constexpr const char* kWhere = "DO_PAIRS";

}  // namespace

long pairLoci(const DataSummary& data) {
  long loci = 0;
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) loci += data.isInRun(I) ? 1 : 0;
  return loci * data.NUMBPOPS * (data.NUMBPOPS - 1) / 2;
}

template <class Real>
PairResults<Real> DO_PAIRS(Run<Real>& run, const LocusTableStore& tables) {
  const auto& state = run.state;
  PairResults<Real> out;
  out.populations = state.NUMBPOPS;
  for (int I = 1; I <= state.NUMBOFLOCI; ++I) {
    if (state.isInRun(I)) out.loci.push_back(I);
  }
  const long pairs = out.pairs();
  const std::size_t loci = out.loci.size();
  out.results.resize(static_cast<std::size_t>(pairs) * loci);
  const PauseFn pause = [&run](std::string_view message) { numericPause(run.edition, run.console, message); };

  const std::unique_ptr<LocusTableSource> source = tables.source();
  if (!source->open()) run.fault(2, kWhere, kSharedTableFile, "cannot read the table data " + run.tablePath(kSharedTableFile));
  std::vector<LocusEstimate<Real>> estimates(out.results.size());
  {
    // Pair-loci are many and short: a few wait, so no worker idles.
    LocusPool<Real> pool(run.chainWorkers(), estimates, 2 * run.chainWorkers(), true, kBundleSteps);
    long shown = 0;
    auto tellMeter = [&] {
      const long finished = pool.finished();
      run.advance(finished - shown);
      shown = finished;
      run.tick();
    };
    CountTable locusTable, pairTable;
    std::vector<int> kept;
    std::vector<std::uint32_t> pairKeys;  // the genotypic test's pair table's genotypes
    std::size_t li = 0;
    for (int I = 1; I <= state.NUMBOFLOCI; ++I) {
      if (!state.isInRun(I)) {
        source->passOver();
        continue;
      }
      if (!source->openLocus(I)) run.fault(2, kWhere, "Missing table data in ~TMPlocus.tmp");
      readLocusTable(run, source->numbers(), locusTable, kWhere);
      source->closeLocus();
      for (int a = 1; a < state.NUMBPOPS; ++a) {
        for (int b = a + 1; b <= state.NUMBPOPS; ++b) {
          const std::size_t job = static_cast<std::size_t>(pairIndex(a, b, state.NUMBPOPS)) * loci + li;
          PairLocusResult<Real>& result = out.results[job];
          makePairTable(locusTable, a, b, pairTable, &kept);
          result.alleles = pairTable.columns;
          result.tested = isTestedPairTable(pairTable);
          if (!result.tested) {
            run.advance(1);
            continue;
          }
          const std::vector<std::uint32_t>* keys = source->columnKeys();
          if (keys != nullptr) {
            pairKeys.clear();
            for (int column : kept) pairKeys.push_back((*keys)[static_cast<std::size_t>(column - 1)]);
          }
          asymptoticStatistic(run.test, pairTable, keys != nullptr ? &pairKeys : nullptr, result.chi2, result.df);
          if (run.test == ExactTest::None) {
            // No exact test: its P counts as 1 in the totals, which the results leave out with it.
            estimates[job].HM = 1;
            run.advance(1);
            continue;
          }
          LoadedTable chain;
          chain.N = 2;
          chain.M = pairTable.columns;
          chain.UU = run.seeds->forPair(I, a, b);
          chain.MEM = run.settings.dememorizations;
          chain.B = run.settings.batches;
          chain.C = run.settings.iterationsPerBatch;
          chain.MM = pairTable;
          walkFor(run.test, chain, &pairKeys, run.exact, run.sampling);
          pool.walk(static_cast<int>(job), std::move(chain), tellMeter);
          tellMeter();
        }
      }
      ++li;
    }
    pool.finish(tellMeter);
    tellMeter();
  }

  for (std::size_t job = 0; job < out.results.size(); ++job) {
    PairLocusResult<Real>& result = out.results[job];
    if (!result.tested) continue;
    result.p = estimates[job].HM;
    result.se = estimates[job].HECA;
    result.method = estimates[job].method;
    result.low = estimates[job].low;
    result.high = estimates[job].high;
  }
  sumPairTotals(out, pause);
  return out;
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
template PairResults<double> DO_PAIRS<double>(Run<double>&, const LocusTableStore&);
template PairResults<long double> DO_PAIRS<long double>(Run<long double>&, const LocusTableStore&);

}  // namespace ortelan
