#include "power/replicate_tests.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>

#include "chisquare/chi2_tail.h"
#include "chisquare/cntab1.h"
#include "chisquare/totals.h"
#include "exacttest/locus_pool.h"
#include "exacttest/sampled_p.h"
#include "exacttest/table_sampler.h"
#include "fstat/f_values.h"
#include "power/fisher_runs.h"

namespace ortelan {
namespace {

constexpr std::int64_t kNoHits = std::numeric_limits<std::int64_t>::max();
// Looks past this many never come (tablesAtLook keeps within 64 bits).
constexpr int kLooks = 220;

// Fisher's rounds: the runs each drawn locus gives, and the tables it
// draws at most for them (besides its own most). The first round draws
// nothing: it looks at the tables the loci's own decisions drew. Each
// round may err with an equal share of the error rate.
struct FisherRound {
  std::int64_t runs, tables;
};
constexpr std::array<FisherRound, 8> kFisherRounds{
    {{1, 0}, {1, 1024}, {2, 2048}, {4, 4096}, {8, 8192}, {16, 16384}, {32, 32768}, {64, 65536}}};
constexpr std::size_t kMostRuns = 64;

// A target as a name in the keys; -0 names what 0 does.
std::uint64_t targetName(double target) { return std::bit_cast<std::uint64_t>(target + 0.0); }

}  // namespace

std::uint64_t replicateKey(std::uint64_t runSeed, double target, std::int64_t replicate) {
  return chainKey(runSeed, {std::uint64_t(ChainKind::PowerReplicate), targetName(target),
                            static_cast<std::uint64_t>(replicate)});
}

std::uint64_t replicateLocusKey(std::uint64_t runSeed, double target, std::int64_t replicate, int locus) {
  return chainKey(runSeed, {std::uint64_t(ChainKind::PowerLocus), targetName(target),
                            static_cast<std::uint64_t>(replicate), static_cast<std::uint64_t>(locus)});
}

// A locus whose exact P comes from independent tables, while they are drawn.
template <class Real>
struct ReplicateTester<Real>::Drawing {
  std::size_t locus = 0;  // its place among the design's loci
  std::int64_t firstColumn = 0;  // the genes of its table's first column
  Ranmar generator;
  std::optional<TableDraws> draws;
  std::int64_t most = 0;  // tables at most
  int look = 0;           // the next look
  int open = 0;           // levels not yet decided
  std::vector<Decision> decisions;
  // Per level, the tables that fix a scripted run's decision, and the
  // count from which it accepts whatever the tables after.
  std::vector<std::int64_t> scriptedAt, scriptedAcceptFrom;
};

template <class Real>
ReplicateTester<Real>::ReplicateTester(const PowerDesign& design, const PowerTests& tests,
                                       const std::vector<DecisionBounds>& bounds, SeedDraw seedDraw)
    : design_(design), tests_(tests), bounds_(bounds), seedDraw_(seedDraw) {
  const std::size_t loci = design.loci.size();
  samples_.resize(loci);
  exactTested_.assign(loci, 0);
  pKnown_.assign(loci, 0);
  p_.assign(loci, Real(1));
  for (int pop = 0; pop < design.populations; ++pop) rows_.push_back(pop);
  // The drawings keep pointers into the workspace's tables: they must be
  // there, for the largest sample, before any drawing begins.
  std::int64_t genes = 0;
  for (const PowerLocus& locus : design.loci) genes = std::max(genes, locus.genes());
  reserveTableDraws(workspace_, genes);
}

template <class Real>
ReplicateTester<Real>::~ReplicateTester() = default;

template <class Real>
void ReplicateTester<Real>::run(std::size_t target, std::int64_t replicate, std::uint64_t runSeed,
                                ReplicateOutcome& out, const std::atomic<bool>* stop) {
  const PowerTarget& t = design_.targets[target];
  const std::size_t loci = design_.loci.size(), levels = tests_.alphas.size();
  out.chi2.assign(loci * levels, 0);
  out.exact.assign(loci * levels, 0);
  out.unsettled.assign(loci * levels, 0);
  out.fisher.assign(levels, 0);
  out.fisherUnsettled.assign(levels, 0);
  out.summedChi2.assign(levels, 0);
  std::fill(exactTested_.begin(), exactTested_.end(), 0);
  std::fill(pKnown_.begin(), pKnown_.end(), 0);
  drawingsInUse_ = 0;

  PowerRandom random(replicateKey(runSeed, t.fst, replicate));
  FTotalSum<Real> f;
  TotalsSum<Real> chi2Totals;
  for (std::size_t i = 0; i < loci; ++i) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
    const PowerLocus& locus = design_.loci[i];
    SampledLocus& sample = samples_[i];
    simulator_.simulate(locus, design_.ne, t.generations, random, sample);
    if (locus.genesPerIndividual == 2) {
      fSample_.fromGenotypes(sample.genotypes, sample.genotypeKeys);
    } else {
      fSample_.fromAlleles(sample.alleles);
    }
    f.add(sampleFValues<Real>(fSample_, rows_));
    if (sample.alleles.columns >= 2) {
      Real chi2 = 0, df = 0;
      pearsonChiSquare(sample.alleles, sample.alleles.rows, sample.alleles.columns, chi2, df);
      const Real p = chiSquareUpperTail(chi2, df);
      for (std::size_t a = 0; a < levels; ++a) out.chi2[i * levels + a] = p <= Real(tests_.alphas[a]);
      chi2Totals.add({Real(1), chi2, df});
    }
    if (tests_.test != ExactTest::None) testExact(i, target, replicate, runSeed, out, stop);
  }
  const Totals<Real>& sums = chi2Totals.sums();
  const Real summedP = chiSquareUpperTail(sums.SUMCHI2, sums.SUMDFCHI2);
  for (std::size_t a = 0; a < levels; ++a) out.summedChi2[a] = !chi2Totals.empty() && summedP <= Real(tests_.alphas[a]);
  if (tests_.test != ExactTest::None) decide(out, stop);
  const FValues<Real> theta = f.result();
  out.theta = static_cast<double>(theta.fst);
}

template <class Real>
void ReplicateTester<Real>::testExact(std::size_t i, std::size_t target, std::int64_t replicate,
                                      std::uint64_t runSeed, ReplicateOutcome& out, const std::atomic<bool>* stop) {
  const SampledLocus& sample = samples_[i];
  const bool genotypic = tests_.test == ExactTest::Genotypic;
  if (genotypic && design_.loci[i].genesPerIndividual != 2) return;
  const CountTable& table = genotypic ? sample.genotypes : sample.alleles;
  if (table.columns < 2) return;
  if (genotypic) {
    // The genotypic test needs complete genotypes in two populations.
    int typed = 0;
    for (int pop = 1; pop <= table.rows; ++pop) {
      std::int64_t individuals = 0;
      for (int g = 1; g <= table.columns; ++g) individuals += table.at(pop, g);
      typed += individuals > 0 ? 1 : 0;
    }
    if (typed < 2) return;
  }
  exactTested_[i] = 1;
  LoadedTable loaded;
  loaded.N = table.rows;
  loaded.M = table.columns;
  loaded.UU = seedsFromKey(seedDraw_, replicateLocusKey(runSeed, design_.targets[target].fst, replicate,
                                                        design_.loci[i].locus));
  loaded.MEM = tests_.chain.dememorizations;
  loaded.B = tests_.chain.batches;
  loaded.C = tests_.chain.iterationsPerBatch;
  loaded.MM = table;
  walkFor(tests_.test, loaded, genotypic ? &sample.genotypeKeys : nullptr, tests_.exact, tests_.sampling);
  const std::size_t levels = tests_.alphas.size();
  if (methodFor(loaded) != PMethod::Sampled) {
    // Listed, or walked: the P-value decides.
    const LocusEstimate<Real> estimate = walkLoadedTable<Real>(loaded, workspace_, stop);
    p_[i] = estimate.HM;
    pKnown_[i] = 1;
    for (std::size_t a = 0; a < levels; ++a) out.exact[i * levels + a] = estimate.HM <= Real(tests_.alphas[a]);
    return;
  }
  if (drawingsInUse_ == drawings_.size()) drawings_.emplace_back();
  Drawing& d = drawings_[drawingsInUse_];
  if (d.draws) {
    d.draws->reset(loaded.MM, loaded.enumerationOrder(), workspace_);
  } else {
    d.draws.emplace(loaded.MM, loaded.enumerationOrder(), workspace_);
    d.draws->keepHitPlaces(kMostRuns);
  }
  if (d.draws->single()) {
    // The observed table is the only one with its margins: P = 1.
    p_[i] = 1;
    pKnown_[i] = 1;
    return;
  }
  ++drawingsInUse_;
  d.locus = i;
  d.firstColumn = 0;
  for (int pop = 1; pop <= table.rows; ++pop) d.firstColumn += table.at(pop, 1);
  d.generator.MAKE_RANDOM(loaded.UU[0], loaded.UU[1], loaded.UU[2], loaded.UU[3]);
  d.most = samplingLimitsFor(loaded).samples;
  d.look = 0;
  d.open = static_cast<int>(levels);
  d.decisions.assign(levels, Decision::Open);
  d.scriptedAt.clear();
  d.scriptedAcceptFrom.clear();
  for (std::size_t a = 0; a < levels; ++a) {
    d.scriptedAt.push_back(scriptedDecisionAt(a, d.most));
    d.scriptedAcceptFrom.push_back(scriptedAcceptFrom(a, d.most));
  }
}

template <class Real>
void ReplicateTester<Real>::decideAtLook(Drawing& d, ReplicateOutcome& out) {
  const std::size_t levels = tests_.alphas.size();
  const std::int64_t counted = d.draws->count().counted;
  for (std::size_t a = 0; a < levels; ++a) {
    if (d.decisions[a] != Decision::Open) continue;
    const Decision decision = bounds_[a].at(d.look, counted);
    if (decision == Decision::Open) continue;
    d.decisions[a] = decision;
    out.exact[d.locus * levels + a] = decision == Decision::Reject;
    --d.open;
  }
}

template <class Real>
bool ReplicateTester<Real>::settleFisher(ReplicateOutcome& out, bool unsettled) {
  if (std::none_of(fisher_.begin(), fisher_.end(), [](Decision x) { return x == Decision::Open; })) return false;
  // The combined P at its largest (every P at its highest) and smallest.
  TotalsSum<Real> highest, lowest;
  std::size_t k = 0;  // the drawings are in locus order
  const std::int64_t hits = tests_.sampling.hits;
  for (std::size_t i = 0; i < design_.loci.size(); ++i) {
    if (!exactTested_[i]) continue;
    Real low = p_[i], high = p_[i];
    while (k < drawingsInUse_ && drawings_[k].locus < i) ++k;
    if (!pKnown_[i]) {
      const Drawing& d = drawings_[k];
      const SampledCount& c = d.draws->count();
      const auto h = static_cast<Real>(c.counted), n = static_cast<Real>(c.drawn), most = static_cast<Real>(d.most);
      low = (h + 1) / (most + 1);
      high = c.drawn + (hits - c.counted) <= d.most ? static_cast<Real>(hits) / (n + static_cast<Real>(hits) - h)
                                                     : (h + most - n + 1) / (most + 1);
    }
    highest.add({high, Real(0), Real(0)});
    lowest.add({low, Real(0), Real(0)});
  }
  const Real pMost = chiSquareUpperTail(highest.sums().SUMLNP, highest.sums().SUMDFFISHER);
  const Real pLeast = chiSquareUpperTail(lowest.sums().SUMLNP, lowest.sums().SUMDFFISHER);
  return decideFisherLevels(pMost, pLeast, unsettled, out);
}

template <class Real>
bool ReplicateTester<Real>::decideFisherLevels(Real highestP, Real lowestP, bool unsettled, ReplicateOutcome& out) {
  bool open = false;
  for (std::size_t a = 0; a < tests_.alphas.size(); ++a) {
    if (fisher_[a] != Decision::Open) continue;
    const Real alpha = Real(tests_.alphas[a]);
    if (highestP <= alpha) {
      fisher_[a] = Decision::Reject;
      out.fisher[a] = 1;
    } else if (lowestP > alpha) {
      fisher_[a] = Decision::Accept;
    } else {
      open = true;
      continue;
    }
    out.fisherUnsettled[a] = unsettled ? 1 : 0;
  }
  return open;
}

template <class Real>
std::int64_t ReplicateTester<Real>::scriptedDecisionAt(std::size_t level, std::int64_t most) const {
  // A scripted run's P is hits / m where the hits-th counted table is the
  // m-th, else (h + 1) / (most + 1): at most alpha exactly when the hits-th
  // is not among the first ceil(hits / alpha) - 1 tables.
  const double tables = std::ceil(static_cast<double>(tests_.sampling.hits) / tests_.alphas[level]) - 1;
  return tables < static_cast<double>(most) ? static_cast<std::int64_t>(tables) : most;
}

template <class Real>
std::int64_t ReplicateTester<Real>::scriptedAcceptFrom(std::size_t level, std::int64_t most) const {
  // The hits-th counted table among the first scriptedDecisionAt tables
  // gives a P above alpha; where those are all the tables, so does a count
  // h whose (h + 1) / (most + 1) is above alpha.
  const std::int64_t hits = tests_.sampling.hits;
  if (scriptedDecisionAt(level, most) < most) return hits;
  const Real alpha = Real(tests_.alphas[level]);
  auto pAt = [&](std::int64_t h) { return sampledP<Real>(SampledCount{most, h, false}); };
  // From near alpha (most + 1), where the answer lies.
  std::int64_t h = std::max<std::int64_t>(0, static_cast<std::int64_t>(tests_.alphas[level] * static_cast<double>(most)) - 2);
  while (h > 0 && pAt(h - 1) > alpha) --h;
  while (h < hits && pAt(h) <= alpha) ++h;
  return h;
}

template <class Real>
void ReplicateTester<Real>::notePValue(Drawing& d) {
  const std::size_t i = d.locus;
  if (pKnown_[i]) return;
  const SampledCount& c = d.draws->count();
  // Tables are never drawn past the hits-th counted one before its P is
  // noted: there a scripted run's P ends, hits / m; else at the most.
  if (c.counted >= tests_.sampling.hits) {
    p_[i] = sampledP<Real>(SampledCount{c.drawn, c.counted, true});
    pKnown_[i] = 1;
  } else if (c.drawn >= d.most) {
    p_[i] = sampledP<Real>(SampledCount{c.drawn, c.counted, false});
    pKnown_[i] = 1;
  }
}

template <class Real>
void ReplicateTester<Real>::drawTables(Drawing& d, std::int64_t until, std::int64_t stopAt) {
  until = std::min(until, d.most);
  auto drawUpTo = [&](std::int64_t hits) {
    const SampledCount& c = d.draws->count();
    if (c.drawn < until && c.counted < hits) d.draws->drawUntil(until, hits, d.generator);
    notePValue(d);
  };
  if (!pKnown_[d.locus] && tests_.sampling.hits < stopAt) drawUpTo(tests_.sampling.hits);
  drawUpTo(stopAt);
}

template <class Real>
void ReplicateTester<Real>::drawTo(Drawing& d, std::int64_t until, ReplicateOutcome& out) {
  const std::size_t levels = tests_.alphas.size(), i = d.locus;
  // The drawing stops early at the count that fixes a scripted run's
  // acceptance at an open level.
  std::int64_t stopAt = kNoHits;
  for (std::size_t a = 0; a < levels; ++a) {
    if (d.decisions[a] == Decision::Open) stopAt = std::min(stopAt, d.scriptedAcceptFrom[a]);
  }
  drawTables(d, until, stopAt);
  const SampledCount& c = d.draws->count();
  while (d.look < kLooks && tablesAtLook(d.look) < c.drawn) ++d.look;
  if (d.look < kLooks && tablesAtLook(d.look) == c.drawn) {
    decideAtLook(d, out);
    ++d.look;
  }
  for (std::size_t a = 0; a < levels; ++a) {
    if (d.decisions[a] != Decision::Open) continue;
    const bool accept = c.counted >= d.scriptedAcceptFrom[a];
    if (!accept && c.drawn < d.scriptedAt[a]) continue;
    // Unsettled: the scripted run's decision, which these tables fix.
    d.decisions[a] = accept ? Decision::Accept : Decision::Reject;
    out.exact[i * levels + a] = !accept;
    out.unsettled[i * levels + a] = 1;
    --d.open;
  }
}

template <class Real>
bool ReplicateTester<Real>::decideFisherByRuns(std::int64_t runs, bool limitsHold, double errorRate,
                                               ReplicateOutcome& out) {
  // The loci whose P is known (listed, walked, or the only table) as they
  // count in the totals; the drawn ones by their runs.
  TotalsSum<Real> knownLoci;
  std::size_t k = 0;
  for (std::size_t i = 0; i < design_.loci.size(); ++i) {
    if (!exactTested_[i]) continue;
    while (k < drawingsInUse_ && drawings_[k].locus < i) ++k;
    if (k < drawingsInUse_ && drawings_[k].locus == i) continue;
    knownLoci.add({p_[i], Real(0), Real(0)});
  }
  // Per drawn locus, the mean of H(G - 1) over its first `runs` runs.
  // One whose runs are not complete counts, to reject, what it has and the
  // run it is in as long as it has been so far (H only rises with it).
  const auto drawn = static_cast<std::int64_t>(drawingsInUse_);
  Real least = 0, complete = 0;
  incomplete_.clear();
  for (std::size_t j = 0; j < drawingsInUse_; ++j) {
    const TableDraws& draws = *drawings_[j].draws;
    const std::vector<std::int64_t>& places = draws.hitPlaces();
    const std::size_t ended = std::min(places.size(), static_cast<std::size_t>(runs));
    double sum = 0;
    std::int64_t before = 0;
    for (std::size_t run = 0; run < ended; ++run) {
      sum += harmonicNumber(places[run] - before - 1);
      before = places[run];
    }
    if (ended == static_cast<std::size_t>(runs)) {
      complete += Real(sum) / Real(runs);
    } else {
      sum += harmonicNumber(draws.count().drawn - before);
      incomplete_.push_back(j);
    }
    least += Real(sum) / Real(runs);
  }
  const Real known = knownLoci.sums().SUMLNP, df = knownLoci.sums().SUMDFFISHER + Real(2 * drawn);
  // Each bound strays 2 L u, u the mean deviation of its r L terms.
  const Real above = Real(2 * drawn) * Real(meanDeviation(runs * drawn, errorRate, Deviation::Above));
  const Real pHighest = chiSquareUpperTail(std::max(known + 2 * least - above, Real(0)), df);
  // To accept, a locus whose runs are not complete counts -ln of the lower
  // Clopper-Pearson limit of its P, where its tables were as many as the
  // round draws (not a number its count chose) and one of them counted;
  // those limits take half the rate between them, the deviation of the
  // complete loci's runs the other half.
  Real pLowest = 0;
  const bool bounded = std::all_of(incomplete_.begin(), incomplete_.end(), [&](std::size_t j) {
    return limitsHold && drawings_[j].draws->count().counted > 0;
  });
  if (bounded && pHighest > Real(tests_.alphas.front())) {
    Real most = 2 * complete;
    const double limitShare = errorRate / 2 / static_cast<double>(drawn);
    for (const std::size_t j : incomplete_) {
      const SampledCount& c = drawings_[j].draws->count();
      most -= 2 * std::log(clopperPearsonLow<Real>(c.counted, c.drawn, Real(limitShare)));
    }
    const auto completeLoci = drawn - static_cast<std::int64_t>(incomplete_.size());
    const Real below =
        completeLoci == 0
            ? Real(0)
            : Real(2 * completeLoci) * Real(meanDeviation(runs * completeLoci, errorRate / 2, Deviation::Below));
    if (!std::isinf(below)) pLowest = chiSquareUpperTail(known + most + below, df);
  }
  return decideFisherLevels(pHighest, pLowest, false, out);
}

template <class Real>
void ReplicateTester<Real>::decide(ReplicateOutcome& out, const std::atomic<bool>* stop) {
  const std::size_t levels = tests_.alphas.size();
  // Each locus's own decisions, one locus after the other (its tables stay
  // at hand), to the next look or to where an open level's decision is a
  // scripted run's. The loci go by the genes of their first column: loci
  // of the same sizes, one after the other, then meet the laws the one
  // before made (hypergeometric_laws.h), at hand too; what they draw is
  // the same in any order.
  drawingOrder_.resize(drawingsInUse_);
  for (std::size_t k = 0; k < drawingsInUse_; ++k) drawingOrder_[k] = k;
  std::sort(drawingOrder_.begin(), drawingOrder_.end(), [&](std::size_t a, std::size_t b) {
    return drawings_[a].firstColumn < drawings_[b].firstColumn;
  });
  for (const std::size_t k : drawingOrder_) {
    Drawing& d = drawings_[k];
    while (d.open > 0) {
      if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
      std::int64_t until = std::min(tablesAtLook(d.look), d.most);
      for (std::size_t a = 0; a < levels; ++a) {
        if (d.decisions[a] == Decision::Open) until = std::min(until, d.scriptedAt[a]);
      }
      drawTo(d, until, out);
    }
  }
  fisher_.assign(levels, Decision::Open);
  if (drawingsInUse_ == 0) {
    // Every P is known: Fisher's decision is exact.
    settleFisher(out, false);
    return;
  }
  // Fisher's method from the runs, round after round, each drawn locus
  // drawing to its runs (or its round's tables) first.
  const double share = tests_.decisionError / static_cast<double>(kFisherRounds.size());
  for (const FisherRound& round : kFisherRounds) {
    for (std::size_t k = 0; k < drawingsInUse_ && round.tables > 0; ++k) {
      if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
      drawTables(drawings_[drawingOrder_[k]], round.tables, round.runs);
    }
    if (!decideFisherByRuns(round.runs, round.tables > 0, share, out)) return;
  }
  // Unsettled: the P-values a scripted run finds, drawn further, a look at
  // a time, until no later table can change its decision.
  while (settleFisher(out, true)) {
    for (std::size_t k = 0; k < drawingsInUse_; ++k) {
      if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
      Drawing& d = drawings_[k];
      if (pKnown_[d.locus]) continue;
      const std::int64_t drawn = d.draws->count().drawn;
      int look = 0;
      while (look < kLooks && tablesAtLook(look) <= drawn) ++look;
      drawTables(d, look < kLooks ? tablesAtLook(look) : d.most, kNoHits);
    }
  }
}

template class ReplicateTester<double>;
template class ReplicateTester<long double>;

}  // namespace ortelan
