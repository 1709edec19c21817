// One replicate of a power analysis: its populations drifted and sampled
// (drift_model.h), then tested as a scripted run with the same options
// tests a data set, each test's decision taken at every level alpha.
//  - Pearson's chi-square of every locus whose sample holds two alleles
//    or more, its P from the accurate tail; and the chi-square summed over
//    those loci, with its degrees of freedom.
//  - The exact test: listed where that is less work than the walk (the
//    listed P decides exactly); else the walk (its estimate decides); else
//    independent tables, drawn until the decision at every level is
//    settled, or fixed as a scripted run's (sequential_decision.h). Each
//    locus is drawn to its decisions in one go, its tables at hand.
//  - Fisher's method over the loci the exact test tests: the listed or
//    walked loci by their P-values, the drawn ones by the runs between
//    their counting tables (fisher_runs.h), round after round, each drawn
//    locus drawing to its 1st, 2nd, 4th ... 64th counting table, until
//    the combined statistic is beyond alpha's point, or short of it, by
//    more than it may stray at the round's share of the error rate. Where
//    64 runs do not settle it, the decision is a scripted run's: the
//    P-values drawn as a scripted run draws them (until `hits` count or the
//    most tables are drawn), stopping as soon as no later table can change
//    it (a P not yet final lies between (h + 1) / (most + 1), no more table
//    counting, and hits / (n + hits - h), every table counting).
// Every replicate and every locus's tables draw from generators of their
// own, keyed by the run seed, the target and the replicate (and the
// locus), so a replicate comes out the same on any thread, in any shard.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "exacttest/chain.h"
#include "fstat/locus_sample.h"
#include "power/drift_model.h"
#include "power/power_design.h"
#include "power/sequential_decision.h"
#include "run/edition.h"
#include "run/run_state.h"

namespace ortelan {

// How the replicates are tested.
struct PowerTests {
  ExactTest test = ExactTest::Genic;  // None: the chi-square alone
  ExactMode exact = ExactMode::Auto;
  SamplingSettings sampling{SamplerKind::Independent, 100, std::nullopt};
  ChainSettings chain;
  std::vector<double> alphas{0.05};  // increasing
  double decisionError = 0.001;      // of a sampled exact test's decision
};

// What one replicate gives. Per locus of the design (i) and level (a), at
// [i * levels + a]: 1 where the test rejected. A locus that a test does
// not test in the replicate (its sample holds one allele) does not reject.
struct ReplicateOutcome {
  std::vector<std::uint8_t> chi2, exact;
  // Exact tests from independent tables decided at their most tables
  // without being settled.
  std::vector<std::uint8_t> unsettled;
  std::vector<std::uint8_t> fisher, summedChi2;  // per level
  // Fisher's decisions taken from the P-values a scripted run finds, its
  // runs (fisher_runs.h) not settling them; per level.
  std::vector<std::uint8_t> fisherUnsettled;
  // The multilocus theta of the samples; none (NaN) where no locus has
  // its components.
  double theta = 0;
};

// The keys of a replicate's populations, and of its tables at a locus.
std::uint64_t replicateKey(std::uint64_t runSeed, double target, std::int64_t replicate);
std::uint64_t replicateLocusKey(std::uint64_t runSeed, double target, std::int64_t replicate, int locus);

// Simulates and tests replicates, keeping its room from one to the next:
// one per worker thread.
template <class Real>
class ReplicateTester {
 public:
  // `bounds` holds the sequential bounds of each level (tests.alphas).
  ReplicateTester(const PowerDesign& design, const PowerTests& tests, const std::vector<DecisionBounds>& bounds,
                  SeedDraw seedDraw);
  ~ReplicateTester();

  // Replicate `replicate` (from 1) of target `target` (its place in the
  // design's targets). Stops early, its outcome meaningless, once `stop`
  // is set.
  void run(std::size_t target, std::int64_t replicate, std::uint64_t runSeed, ReplicateOutcome& out,
           const std::atomic<bool>* stop = nullptr);

  // The samples of the last replicate, per locus of the design.
  const std::vector<SampledLocus>& samples() const { return samples_; }
  // The frequencies after drift of the last locus simulated.
  const std::vector<double>& lastDriftedFrequencies() const { return simulator_.driftedFrequencies(); }

 private:
  struct Drawing;

  void testExact(std::size_t i, std::size_t target, std::int64_t replicate, std::uint64_t runSeed,
                 ReplicateOutcome& out, const std::atomic<bool>* stop);
  // Draws until every level's decision is settled, each locus's and Fisher's.
  void decide(ReplicateOutcome& out, const std::atomic<bool>* stop);
  // Fisher's decisions at the levels still open, from the runs of the
  // drawn loci's first `runs` counting tables, each level erring with
  // probability at most `errorRate`; whether any level is still open.
  // `limitsHold` where every locus drew as many tables as the round asks,
  // so that a count's confidence limits hold.
  bool decideFisherByRuns(std::int64_t runs, bool limitsHold, double errorRate, ReplicateOutcome& out);
  // Fisher's decisions at the levels still open that the P-values a
  // scripted run finds fix, whatever tables are still to come (told apart
  // as `unsettled`); whether any level is still open.
  bool settleFisher(ReplicateOutcome& out, bool unsettled);
  // Fisher's decisions at the levels still open, where the combined P lies
  // between `lowestP` and `highestP`; whether any level is still open.
  bool decideFisherLevels(Real highestP, Real lowestP, bool unsettled, ReplicateOutcome& out);
  void decideAtLook(Drawing& d, ReplicateOutcome& out);
  // Draws a locus's tables up to `until`, and takes the decisions they settle.
  void drawTo(Drawing& d, std::int64_t until, ReplicateOutcome& out);
  // Draws a locus's tables up to `until` (at most its most), or to its
  // stopAt-th counting table, noting a scripted run's P where it ends.
  void drawTables(Drawing& d, std::int64_t until, std::int64_t stopAt);
  void notePValue(Drawing& d);
  // The tables that fix a scripted run's decision at a level, for a locus
  // that draws at most `most`; and the count from which that decision is
  // acceptance, whatever the tables after.
  std::int64_t scriptedDecisionAt(std::size_t level, std::int64_t most) const;
  std::int64_t scriptedAcceptFrom(std::size_t level, std::int64_t most) const;

  const PowerDesign& design_;
  const PowerTests& tests_;
  const std::vector<DecisionBounds>& bounds_;
  SeedDraw seedDraw_;
  LocusSimulator simulator_;
  std::vector<SampledLocus> samples_;
  LocusSample fSample_;
  std::vector<int> rows_;
  ChainWorkspace workspace_;

  // The exact test of the replicate's loci: per locus of the design, its
  // P-value once known (a sampled one as a scripted run finds it), and
  // whether the test tests the locus.
  std::vector<char> exactTested_, pKnown_;
  std::vector<Real> p_;
  std::vector<Drawing> drawings_;
  std::size_t drawingsInUse_ = 0;
  std::vector<std::size_t> drawingOrder_;  // the order the drawings draw in
  std::vector<Decision> fisher_;  // per level
  std::vector<std::size_t> incomplete_;  // drawings whose runs a round did not complete
};

}  // namespace ortelan
