#include "pairs/pair_rows.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "chisquare/asymptotic_test.h"
#include "exacttest/locus_pool.h"
#include "fstat/locus_sample.h"
#include "pairs/pair_table.h"
#include "run/ordered_pieces.h"
#include "run/pause.h"
#include "run/seed_source.h"

namespace ortelan {
namespace {

// Loci in a block: without chains a row costs about a microsecond, and a
// block of this many keeps the hand-overs rare; a chain may walk for
// milliseconds, and short blocks keep every worker busy to the end.
constexpr std::size_t kBlockLociWithoutChains = 1024;
constexpr std::size_t kBlockLociWithChains = 16;

// The test of a pair at a locus, from the two populations' rows of the
// locus's table (its columns the locus's keys), as the global test makes it.
template <class Real>
class PairLocusTester {
 public:
  explicit PairLocusTester(const RunContext& run) : run_(run) {}

  PairLocusResult<Real> test(int locus, int a, int b, const CountTable& rows, const std::vector<std::uint32_t>& keys,
                             const std::atomic<bool>& stop) {
    PairLocusResult<Real> result;
    makePairTable(rows, 1, 2, pair_, &kept_);
    result.alleles = pair_.columns;
    result.tested = isTestedPairTable(pair_);
    if (!result.tested) return result;
    pairKeys_.clear();
    for (int column : kept_) pairKeys_.push_back(keys[static_cast<std::size_t>(column - 1)]);
    asymptoticStatistic(run_.test, pair_, &pairKeys_, result.chi2, result.df);
    if (run_.test == ExactTest::None) {
      // No exact test: its P counts as 1 in the totals, which the results leave out with it.
      result.p = 1;
      return result;
    }
    LoadedTable chain;
    chain.N = 2;
    chain.M = pair_.columns;
    chain.UU = run_.seeds->forPair(locus, a, b);
    chain.MEM = run_.settings.dememorizations;
    chain.B = run_.settings.batches;
    chain.C = run_.settings.iterationsPerBatch;
    chain.MM = pair_;
    walkFor(run_.test, chain, &pairKeys_, run_.exact, run_.sampling);
    const LocusEstimate<Real> estimate = walkLoadedTable<Real>(chain, workspace_, &stop);
    result.p = estimate.HM;
    result.se = estimate.HECA;
    result.method = estimate.method;
    result.low = estimate.low;
    result.high = estimate.high;
    return result;
  }

 private:
  const RunContext& run_;
  CountTable pair_;
  std::vector<int> kept_;
  std::vector<std::uint32_t> pairKeys_;
  ChainWorkspace workspace_;
};

// What a worker keeps from one block to its next: readers of the current
// pair's two rows, which only move forward.
template <class Real>
struct PairWorker {
  explicit PairWorker(const RunContext& run) : tester(run) {}

  long pair = -1;
  std::optional<CountedTables::Reader> tested, alleles, genotypes;
  CountTable testedRows, alleleRows, genotypeRows;
  std::vector<std::uint32_t> testedKeys, genotypeKeys;
  LocusSample sample;
  PairLocusTester<Real> tester;
};

// A pair's sums while its rows go by.
template <class Real>
struct PairSums {
  TotalsSum<Real> tests;
  FTotalSum<Real> f;
  LocusComponents<Real> components;  // with a bootstrap
};

}  // namespace

template <class Real>
void passPairs(RunContext& run, const DataSummary& data, const DataTables& tables, long replicates,
               PairRowsSink<Real>& sink) {
  std::vector<int> loci;  // of the run, in file order
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    if (data.isInRun(I)) loci.push_back(I);
  }
  std::vector<std::pair<int, int>> pairs;
  for (int a = 1; a < data.NUMBPOPS; ++a) {
    for (int b = a + 1; b <= data.NUMBPOPS; ++b) pairs.emplace_back(a, b);
  }
  if (pairs.empty()) return;
  const int workers = std::max(run.chainWorkers(), 1);
  // The genotypic test walks the genotype tables; the others the allele tables.
  const std::shared_ptr<const CountedTables>& testedTables =
      run.test == ExactTest::Genotypic ? tables.genotypes : tables.alleles;
  const bool chains = run.test != ExactTest::None;
  // Enough blocks for every worker, of at most the size above; a pair with
  // no locus has one empty block, for its TOTAL row.
  const std::size_t rows = loci.size() * pairs.size();
  const std::size_t wanted = 8 * static_cast<std::size_t>(workers);
  const std::size_t blockLoci = std::clamp<std::size_t>((rows + wanted - 1) / wanted, 1,
                                                        chains ? kBlockLociWithChains : kBlockLociWithoutChains);
  const std::size_t blocksPerPair = std::max<std::size_t>(1, (loci.size() + blockLoci - 1) / blockLoci);
  const std::size_t window = 4 * static_cast<std::size_t>(workers) + 2;

  std::vector<PairBlock<Real>> blocks(window);
  std::vector<std::unique_ptr<PairWorker<Real>>> states;
  for (int w = 0; w < workers; ++w) states.push_back(std::make_unique<PairWorker<Real>>(run));
  std::atomic<bool> stop{false};
  std::atomic<long> done{0};  // pair-loci made, for the meter

  const auto make = [&](std::size_t piece, int worker) {
    const long pair = static_cast<long>(piece / blocksPerPair);
    const auto [a, b] = pairs[static_cast<std::size_t>(pair)];
    PairWorker<Real>& w = *states[static_cast<std::size_t>(worker)];
    if (w.pair != pair) {
      w.pair = pair;
      w.tested.emplace(*testedTables, std::vector<int>{a, b});
      w.alleles.reset();
      w.genotypes.reset();
      if (tables.alleles != testedTables) w.alleles.emplace(*tables.alleles, std::vector<int>{a, b});
      if (tables.genotypes && tables.genotypes != testedTables) w.genotypes.emplace(*tables.genotypes, std::vector<int>{a, b});
    }
    PairBlock<Real>& block = blocks[piece % window];
    block.a = a;
    block.b = b;
    block.first = (piece % blocksPerPair) * blockLoci;
    const std::size_t end = std::min(loci.size(), block.first + blockLoci);
    block.loci = std::span<const int>(loci).subspan(block.first, end - block.first);
    block.tests.clear();
    block.f.clear();
    const int both[] = {0, 1};
    for (std::size_t i = block.first; i < end; ++i) {
      const int I = loci[i];
      w.tested->read(I, w.testedRows, &w.testedKeys);
      block.tests.push_back(w.tester.test(I, a, b, w.testedRows, w.testedKeys, stop));
      // The F-statistics from the genotypes at a diploid locus, from the alleles at a haploid one.
      const bool haploid = data.ploidy[static_cast<std::size_t>(I)] == 1;
      if (haploid) {
        if (w.alleles) w.alleles->read(I, w.alleleRows);
        w.sample.fromAlleles(w.alleles ? w.alleleRows : w.testedRows);
      } else if (tables.genotypes) {
        if (w.genotypes) w.genotypes->read(I, w.genotypeRows, &w.genotypeKeys);
        w.sample.fromGenotypes(w.genotypes ? w.genotypeRows : w.testedRows, w.genotypes ? w.genotypeKeys : w.testedKeys);
      }
      block.f.push_back(haploid || tables.genotypes ? sampleFValues<Real>(w.sample, both) : FValues<Real>{});
    }
    done.fetch_add(static_cast<long>(end - block.first), std::memory_order_relaxed);
    block.text.clear();
    sink.format(block);
  };

  long shown = 0;
  const auto tellMeter = [&] {
    const long made = done.load(std::memory_order_relaxed);
    run.advance(made - shown);
    shown = made;
  };
  const PauseFn pause = [&run](std::string_view message) { numericPause(run.edition, run.console, message); };
  const std::uint64_t runSeed = run.seeds->runSeed().value();
  PairSums<Real> sums;
  const auto take = [&](std::size_t piece) {
    const PairBlock<Real>& block = blocks[piece % window];
    sink.take(block);
    for (std::size_t k = 0; k < block.tests.size(); ++k) {
      const PairLocusResult<Real>& test = block.tests[k];
      if (test.tested) sums.tests.add({test.p, test.chi2, test.df});
      sums.f.add(block.f[k]);
      if (replicates > 0 && block.f[k].hasComponents()) sums.components.emplace_back(block.f[k].num, block.f[k].den);
    }
    tellMeter();
    if (piece % blocksPerPair != blocksPerPair - 1) return;
    PairSummary<Real> summary;
    if (!sums.tests.empty()) summary.totals = sums.tests.result(pause);
    summary.f = sums.f.result();
    summary.limits = bootstrapOnWorkers(sums.components, pairBootstrapKey(runSeed, block.a, block.b), replicates,
                                        workers, [&run] { run.tick(); });
    sink.total(block.a, block.b, summary);
    sums = {};
  };
  orderedPieces(workers, pairs.size() * blocksPerPair, window, stop, make, take, [&] {
    tellMeter();
    run.tick();
  });
}

namespace {

// Holds every row and summary.
template <class Real>
class HeldPairs final : public PairRowsSink<Real> {
 public:
  HeldPairs(PairResults<Real>& pairs, FStatistics<Real>& f) : pairs_(pairs), f_(f) {}

  void take(const PairBlock<Real>& block) override {
    pairs_.results.insert(pairs_.results.end(), block.tests.begin(), block.tests.end());
    f_.pairRows.insert(f_.pairRows.end(), block.f.begin(), block.f.end());
  }
  void total(int, int, const PairSummary<Real>& summary) override {
    pairs_.totals.push_back(summary.totals);
    f_.pairTotals.push_back(summary.f);
    f_.pairLimits.push_back(summary.limits);
  }

 private:
  PairResults<Real>& pairs_;
  FStatistics<Real>& f_;
};

}  // namespace

template <class Real>
PairResults<Real> DO_PAIRS(RunContext& run, const DataSummary& data, const DataTables& tables, long replicates,
                           FStatistics<Real>& f) {
  PairResults<Real> pairs;
  pairs.populations = data.NUMBPOPS;
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    if (data.isInRun(I)) pairs.loci.push_back(I);
  }
  f.lociInRun = pairs.loci.size();
  f.pairRows.clear();
  f.pairTotals.clear();
  f.pairLimits.clear();
  HeldPairs<Real> held(pairs, f);
  passPairs(run, data, tables, replicates, held);
  return pairs;
}

namespace {

RunContext contextOf(const PendingPairs& pending) {
  RunContext run(*pending.edition, *pending.console);
  run.settings = pending.chain;
  run.seeds = pending.seeds;
  run.workers = pending.workers;
  run.test = pending.test;
  run.exact = pending.exact;
  run.sampling = pending.sampling;
  run.meter = pending.meter;
  return run;
}

}  // namespace

template <class Real>
void passPairs(const PendingPairs& pending, const DataSummary& data, PairRowsSink<Real>& sink) {
  RunContext run = contextOf(pending);
  passPairs(run, data, pending.tables, pending.replicates, sink);
}

template <class Real>
PairResults<Real> DO_PAIRS(const PendingPairs& pending, const DataSummary& data, FStatistics<Real>& f) {
  RunContext run = contextOf(pending);
  return DO_PAIRS(run, data, pending.tables, pending.replicates, f);
}

template void passPairs<double>(const PendingPairs&, const DataSummary&, PairRowsSink<double>&);
template void passPairs<long double>(const PendingPairs&, const DataSummary&, PairRowsSink<long double>&);
template PairResults<double> DO_PAIRS<double>(const PendingPairs&, const DataSummary&, FStatistics<double>&);
template PairResults<long double> DO_PAIRS<long double>(const PendingPairs&, const DataSummary&,
                                                        FStatistics<long double>&);
template void passPairs<double>(RunContext&, const DataSummary&, const DataTables&, long, PairRowsSink<double>&);
template void passPairs<long double>(RunContext&, const DataSummary&, const DataTables&, long,
                                     PairRowsSink<long double>&);
template PairResults<double> DO_PAIRS<double>(RunContext&, const DataSummary&, const DataTables&, long,
                                              FStatistics<double>&);
template PairResults<long double> DO_PAIRS<long double>(RunContext&, const DataSummary&, const DataTables&, long,
                                                        FStatistics<long double>&);

}  // namespace ortelan
