// The rows of every pair of populations, made pair by pair in data order so
// that they can go to their table as they are made: for each pair (1,2),
// (1,3) ... (2,3) ... its test and F-statistics at every locus of the run,
// in blocks of loci made on the workers and handed on in order, then the
// pair's totals. A pair holds only what its totals need while its rows go
// by (running sums, and its loci's F_ST components for a bootstrap), so the
// memory of a pass does not grow with pairs times loci.
//
// Each block reads the two populations' rows of its loci's tables straight
// from the tables counted in memory. A pair-locus is tested on the pair's
// two-row table of the alleles (or genotypes) the two populations hold, by
// the run's chain, chi-square and totals, with four seeds of its own from
// the run seed, the locus and the pair: its result is the same whatever the
// thread count, the blocks, the loci of the run or the other populations.
// With no exact test (ExactTest::None) no chain is walked.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chisquare/totals.h"
#include "fstat/bootstrap.h"
#include "fstat/do_fstat.h"
#include "fstat/f_values.h"
#include "input/tables/data_tables.h"
#include "pairs/do_pairs.h"
#include "run/run.h"

namespace ortelan {

// A pair's TOTAL row.
template <class Real>
struct PairSummary {
  std::optional<Totals<Real>> totals;  // over its tested loci; none when none was tested
  FValues<Real> f;                     // over its loci
  std::optional<BootstrapLimits<Real>> limits;
};

// Some loci of one pair, in order.
template <class Real>
struct PairBlock {
  int a = 0, b = 0;
  std::size_t first = 0;       // the first locus's place among the loci of the run
  std::span<const int> loci;   // the block's loci
  std::vector<PairLocusResult<Real>> tests;
  std::vector<FValues<Real>> f;  // the same loci's
  std::string text;              // what the sink makes of the block on the worker
};

// Where the rows go.
template <class Real>
class PairRowsSink {
 public:
  virtual ~PairRowsSink() = default;
  // On the worker that made the block, at once (the rows' text, say).
  virtual void format(PairBlock<Real>& /*block*/) const {}
  // On the calling thread, in data order: each block, and after a pair's
  // last block its summary.
  virtual void take(const PairBlock<Real>& block) = 0;
  virtual void total(int a, int b, const PairSummary<Real>& summary) = 0;
};

// The pass over the pairs of `data`'s populations at its loci of the run,
// from `tables` (the allele tables, and the genotype tables where the data
// hold them), with `run`'s keyed seeds, test, chain settings, workers and
// meter (one unit a pair-locus). `replicates` 0: no bootstrap.
template <class Real>
void passPairs(RunContext& run, const DataSummary& data, const DataTables& tables, long replicates,
               PairRowsSink<Real>& sink);

// The whole pass held in memory, for R and the tests: the rows and totals of
// the tests, and the pairs' F-statistics into `f` (pairRows, pairTotals,
// pairLimits).
template <class Real>
PairResults<Real> DO_PAIRS(RunContext& run, const DataSummary& data, const DataTables& tables, long replicates,
                           FStatistics<Real>& f);

// A pass over the pairs left for later: what it needs of a run whose loci
// are done, kept until the run writes its files, where the pairs' rows go
// out as they are made.
struct PendingPairs {
  const Edition* edition = nullptr;
  Console* console = nullptr;
  WorkMeter* meter = nullptr;
  DataTables tables;
  std::optional<SeedSource> seeds;
  ChainSettings chain;
  ExactTest test = ExactTest::Genic;
  ExactMode exact = ExactMode::Auto;
  SamplingSettings sampling;
  int workers = 0;
  long replicates = 0;  // of the bootstrap
};

template <class Real>
void passPairs(const PendingPairs& pending, const DataSummary& data, PairRowsSink<Real>& sink);
template <class Real>
PairResults<Real> DO_PAIRS(const PendingPairs& pending, const DataSummary& data, FStatistics<Real>& f);

}  // namespace ortelan
