#include "power/power_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chisquare/chi2_tail.h"
#include "chisquare/totals.h"
#include "exacttest/locus_pool.h"
#include "power/power_fixture.h"

namespace ortelan {
namespace {

using testing::designOf;
using testing::share;
using testing::tallied;
using testing::testsOf;

const std::vector<double> kSnp{0.7, 0.3};
const std::vector<double> kMicrosatellite{0.3, 0.25, 0.2, 0.15, 0.1};

// At F_ST = 0 every rejection is a false positive: over 300 replicates the
// exact test rejects each locus, and Fisher's method the loci, at rate
// alpha at most, within binomial error, whether its P is listed (small
// tables) or decided from independent tables; the chi-square's rate is
// whatever it is, here near alpha.
TEST(PowerRun, FalsePositivesAtFstZeroStayWithinAlpha) {
  constexpr int kReplicates = 300;
  const PowerDesign design = designOf(3, kMicrosatellite, 4, 12, 1000, {});
  const double bound = 0.05 + 3 * std::sqrt(0.05 * 0.95 / kReplicates);
  for (const ExactMode exact : {ExactMode::Auto, ExactMode::Never}) {
    SCOPED_TRACE(exactModeName(exact));
    const std::vector<TargetTally> t = tallied<double>(design, testsOf(ExactTest::Genic, exact), 3, 1, kReplicates);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].replicates, kReplicates);
    for (std::size_t i = 0; i < design.loci.size(); ++i) {
      EXPECT_LE(share(t[0].exact[i], kReplicates), bound) << "locus " << i;
      EXPECT_LE(share(t[0].chi2[i], kReplicates), 0.2) << "locus " << i;
    }
    EXPECT_LE(share(t[0].fisher[0], kReplicates), bound);
    EXPECT_LE(share(t[0].summedChi2[0], kReplicates), 0.2);
  }
}

// Power rises with F_ST, with the individuals sampled and with the loci,
// for every test.
TEST(PowerRun, PowerRisesWithFstSamplesAndLoci) {
  constexpr int kReplicates = 80;
  const PowerTests tests = testsOf(ExactTest::Genic, ExactMode::Auto);
  auto powers = [&](int loci, std::int64_t individuals, double fst) {
    const PowerDesign design = designOf(loci, kSnp, 4, individuals, 500, {fst});
    const TargetTally t = tallied<double>(design, tests, 21, 1, kReplicates).back();
    return std::vector<double>{share(t.chi2[0], kReplicates), share(t.exact[0], kReplicates),
                               share(t.fisher[0], kReplicates), share(t.summedChi2[0], kReplicates)};
  };
  const std::vector<double> base = powers(3, 15, 0.02);
  const std::vector<std::pair<std::string, std::vector<double>>> more = {
      {"F_ST", powers(3, 15, 0.06)}, {"samples", powers(3, 50, 0.02)}, {"loci", powers(12, 15, 0.02)}};
  const char* names[] = {"chi2", "exact", "fisher_method", "summed_chi2"};
  for (const auto& [what, raised] : more) {
    for (std::size_t k = 0; k < base.size(); ++k) {
      // A locus's own tests do not gain from more loci.
      if (what == "loci" && k < 2) continue;
      EXPECT_GT(raised[k], base[k] + 0.1) << names[k] << " with more " << what;
    }
  }
}

// The reference a scripted run gives a replicate's samples, from the same
// seeds: each locus's P as `exact` finds it (listed where it may be, else
// drawn to its end), how it was found, and Fisher's P over them.
template <class Real>
struct ScriptedReplicate {
  std::vector<Real> p;
  std::vector<PMethod> method;
  Real fisherP = 1;
};
template <class Real>
ScriptedReplicate<Real> scriptedReplicate(const PowerDesign& design, const PowerTests& tests, ExactMode exact,
                                          const ReplicateTester<Real>& tester, std::size_t target, int replicate,
                                          std::uint64_t seed, ChainWorkspace& workspace) {
  ScriptedReplicate<Real> out;
  TotalsSum<Real> totals;
  for (std::size_t i = 0; i < design.loci.size(); ++i) {
    LoadedTable loaded;
    loaded.N = design.populations;
    loaded.M = tester.samples()[i].alleles.columns;
    loaded.UU = seedsFromKey(SeedDraw::TickClock1To166,
                             replicateLocusKey(seed, design.targets[target].fst, replicate, design.loci[i].locus));
    loaded.MEM = tests.chain.dememorizations;
    loaded.B = tests.chain.batches;
    loaded.C = tests.chain.iterationsPerBatch;
    loaded.MM = tester.samples()[i].alleles;
    if (loaded.M < 2) {
      out.p.push_back(Real(1));
      out.method.push_back(PMethod::Exact);
      continue;
    }
    walkFor(tests.test, loaded, nullptr, exact, tests.sampling);
    out.method.push_back(methodFor(loaded));
    out.p.push_back(walkLoadedTable<Real>(loaded, workspace, nullptr).HM);
    totals.add({out.p.back(), Real(0), Real(0)});
  }
  out.fisherP = chiSquareUpperTail(totals.sums().SUMLNP, totals.sums().SUMDFFISHER);
  return out;
}

// Decisions that their tables did not settle are a scripted run's on the
// same tables, to the last bit, a locus's and Fisher's alike: the
// reference draws every locus's P-value to its end, as a scripted run
// does, from the same seeds.
template <class Real>
void unsettledDecisionsAreAScriptedRuns() {
  const PowerDesign design = designOf(5, kMicrosatellite, 5, 25, 1000, {0.002, 0.01});
  PowerTests tests = testsOf(ExactTest::Genic, ExactMode::Never, {0.01, 0.05});
  tests.sampling.hits = 40;
  tests.sampling.samples = 600;
  tests.decisionError = 0.2;  // wide bounds leave many unsettled
  const std::vector<DecisionBounds> bounds = decisionBounds(tests, design);
  ReplicateTester<Real> tester(design, tests, bounds, SeedDraw::TickClock1To166);
  ChainWorkspace workspace;
  int rejected = 0, unsettled = 0, fisherUnsettled = 0;
  for (std::size_t target = 0; target < design.targets.size(); ++target) {
    for (int r = 1; r <= 20; ++r) {
      ReplicateOutcome outcome;
      tester.run(target, r, 99, outcome);
      const ScriptedReplicate<Real> scripted =
          scriptedReplicate(design, tests, ExactMode::Never, tester, target, r, 99, workspace);
      for (std::size_t a = 0; a < tests.alphas.size(); ++a) {
        SCOPED_TRACE("target " + std::to_string(target) + ", replicate " + std::to_string(r) + ", level " +
                     std::to_string(tests.alphas[a]));
        const bool scriptedRejects = scripted.fisherP <= Real(tests.alphas[a]);
        rejected += outcome.fisher[a];
        if (outcome.fisherUnsettled[a] != 0) {
          ++fisherUnsettled;
          EXPECT_EQ(outcome.fisher[a] != 0, scriptedRejects);
        }
        for (std::size_t i = 0; i < design.loci.size(); ++i) {
          const std::size_t at = i * tests.alphas.size() + a;
          if (outcome.unsettled[at] == 0) continue;
          ++unsettled;
          EXPECT_EQ(outcome.exact[at] != 0, scripted.p[i] <= Real(tests.alphas[a])) << "locus " << i;
        }
      }
    }
  }
  // Both decisions were met, and unsettled ones of both kinds.
  EXPECT_GT(rejected, 5);
  EXPECT_LT(rejected, 3 * 20 * 2 - 5);
  EXPECT_GT(unsettled, 0);
  EXPECT_GT(fisherUnsettled, 0);
}

TEST(PowerRun, UnsettledDecisionsAreAScriptedRunsInEitherReal) {
  unsettledDecisionsAreAScriptedRuns<double>();
  unsettledDecisionsAreAScriptedRuns<long double>();
}

// Fisher's decisions settled by runs of drawn tables differ from Fisher's
// method on the exact P-values no more often than the error rate, within
// binomial error: loci small enough to list their tables' exact P, drawn
// instead, over targets that put the combined P on both sides of alpha and
// near it, at a rate of 0.05 to make the test sharp.
TEST(PowerRun, FisherDecisionsErrNoMoreOftenThanTheirRate) {
  constexpr double kRate = 0.05;
  const PowerDesign design = designOf(4, {0.5, 0.3, 0.2}, 3, 8, 30, {0.01, 0.03});
  PowerTests tests = testsOf(ExactTest::Genic, ExactMode::Never);
  tests.decisionError = kRate;
  const std::vector<DecisionBounds> bounds = decisionBounds(tests, design);
  ReplicateTester<double> tester(design, tests, bounds, SeedDraw::TickClock1To166);
  ChainWorkspace workspace;
  int settled = 0, wrong = 0, rejected = 0;
  for (std::size_t target = 0; target < design.targets.size(); ++target) {
    for (int r = 1; r <= 250; ++r) {
      ReplicateOutcome outcome;
      tester.run(target, r, 7, outcome);
      const ScriptedReplicate<double> listed =
          scriptedReplicate(design, tests, ExactMode::Auto, tester, target, r, 7, workspace);
      for (const PMethod method : listed.method) ASSERT_EQ(method, PMethod::Exact);
      rejected += outcome.fisher[0];
      if (outcome.fisherUnsettled[0] != 0) continue;
      ++settled;
      wrong += (outcome.fisher[0] != 0) != (listed.fisherP <= 0.05) ? 1 : 0;
    }
  }
  SCOPED_TRACE(std::to_string(wrong) + " wrong of " + std::to_string(settled) + " settled, " +
               std::to_string(rejected) + " rejected");
  ASSERT_GT(settled, 600);
  EXPECT_GT(rejected, 100);
  EXPECT_LT(rejected, 650);
  EXPECT_LE(wrong / double(settled), kRate + 4 * std::sqrt(kRate * (1 - kRate) / settled));
}

void expectSameTallies(const std::vector<TargetTally>& a, const std::vector<TargetTally>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t t = 0; t < a.size(); ++t) {
    EXPECT_EQ(a[t].replicates, b[t].replicates);
    EXPECT_EQ(a[t].chi2, b[t].chi2);
    EXPECT_EQ(a[t].exact, b[t].exact);
    EXPECT_EQ(a[t].unsettled, b[t].unsettled);
    EXPECT_EQ(a[t].fisher, b[t].fisher);
    EXPECT_EQ(a[t].fisherUnsettled, b[t].fisherUnsettled);
    EXPECT_EQ(a[t].summedChi2, b[t].summedChi2);
    EXPECT_EQ(a[t].thetaReplicates, b[t].thetaReplicates);
    EXPECT_EQ(a[t].thetaSum, b[t].thetaSum);
  }
}

// Each replicate draws from generators of its own: on one thread or
// three, and in two ranges of replicates added up, the tallies are the
// whole run's; another seed gives others.
TEST(PowerRun, ThreadsAndRangesGiveTheWholeRunsTallies) {
  const PowerDesign design = designOf(3, kMicrosatellite, 4, 20, 1000, {0.01});
  const PowerTests tests = testsOf(ExactTest::Genic, ExactMode::Never);
  const std::vector<TargetTally> whole = tallied<long double>(design, tests, 5, 1, 16, 1);
  expectSameTallies(tallied<long double>(design, tests, 5, 1, 16, 3), whole);
  std::vector<TargetTally> parts = tallied<long double>(design, tests, 5, 1, 9, 2);
  const std::vector<TargetTally> rest = tallied<long double>(design, tests, 5, 10, 16, 2);
  for (std::size_t t = 0; t < parts.size(); ++t) parts[t].add(rest[t]);
  expectSameTallies(parts, whole);
  EXPECT_NE(tallied<long double>(design, tests, 6, 1, 16, 1)[1].thetaSum, whole[1].thetaSum);
}

}  // namespace
}  // namespace ortelan
