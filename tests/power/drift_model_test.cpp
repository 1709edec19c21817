#include "power/drift_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "chisquare/cntab1.h"
#include "power/power_fixture.h"
#include "power/replicate_tests.h"

namespace ortelan {
namespace {

using testing::designOf;
using testing::testsOf;

// The mean of `values` and its standard error.
struct MeanAndError {
  double mean = 0, error = 0;
};
MeanAndError meanOf(const std::vector<double>& values) {
  double sum = 0, squares = 0;
  for (double v : values) sum += v;
  const double mean = sum / static_cast<double>(values.size());
  for (double v : values) squares += (v - mean) * (v - mean);
  const double n = static_cast<double>(values.size());
  return {mean, std::sqrt(squares / (n - 1) / n)};
}

// The generations are the whole number whose expected F_ST lies nearest to
// the target, from F_ST = 1 - (1 - 1/(2 Ne))^t: 0.005 at Ne = 1000 is 10
// generations, a target between the first two expected F_ST of Ne = 1 (0
// and 0.5) goes to the nearer, and 0 is no drift at all.
TEST(DriftModel, GenerationsComeNearestToTheTarget) {
  const struct {
    double target;
    std::int64_t ne, generations;
  } cases[] = {{0, 1000, 0},      {0.005, 1000, 10}, {0.02, 1000, 40}, {0.01, 1, 0},
               {0.4, 1, 1},       {0.7, 1, 2},       {0.001, 50, 0},   {0.01, 1000000000, 20100672}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.target) + " at Ne " + std::to_string(c.ne));
    const std::int64_t t = generationsFor(c.target, c.ne);
    EXPECT_EQ(t, c.generations);
    const double expected = expectedFst(c.ne, t);
    const long double kept = 1 - 0.5L / static_cast<long double>(c.ne);
    EXPECT_NEAR(expected, static_cast<double>(1 - std::pow(kept, static_cast<long double>(t))), 1e-9 * expected + 1e-15);
    if (t > 0) {
      EXPECT_LE(std::fabs(expected - c.target), std::fabs(expectedFst(c.ne, t - 1) - c.target));
    }
    EXPECT_LE(std::fabs(expected - c.target), std::fabs(expectedFst(c.ne, t + 1) - c.target));
  }
  // The targets of a design: in increasing order, each once, and 0 always.
  const std::vector<PowerTarget> targets = powerTargets({0.01, 0.005, 0.01}, 1000);
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_EQ(targets[0].fst, 0);
  EXPECT_EQ(targets[1].fst, 0.005);
  EXPECT_EQ(targets[2].generations, 20);
}

// Over many populations, the frequencies after drift lie around the base
// frequencies with the variance p (1 - p) F of the expected F_ST, each
// allele of a locus of three.
TEST(DriftModel, DriftedFrequenciesHaveTheExpectedVariance) {
  const std::vector<double> base{0.5, 0.3, 0.2};
  PowerLocus locus;
  locus.base = base;
  locus.sizes.assign(100, 0);
  const std::int64_t ne = 50, generations = 10;
  const double F = expectedFst(ne, generations);
  LocusSimulator simulator;
  SampledLocus sample;
  std::vector<std::vector<double>> deviations(base.size());
  for (std::uint64_t replicate = 1; replicate <= 60; ++replicate) {
    PowerRandom random(replicate);
    simulator.simulate(locus, ne, generations, random, sample);
    const std::vector<double>& drifted = simulator.driftedFrequencies();
    for (std::size_t pop = 0; pop < 100; ++pop) {
      for (std::size_t a = 0; a < base.size(); ++a) deviations[a].push_back(drifted[pop * base.size() + a] - base[a]);
    }
  }
  for (std::size_t a = 0; a < base.size(); ++a) {
    SCOPED_TRACE("allele " + std::to_string(a));
    const MeanAndError mean = meanOf(deviations[a]);
    EXPECT_NEAR(mean.mean, 0, 5 * mean.error);
    std::vector<double> squares;
    for (double d : deviations[a]) squares.push_back(d * d);
    const MeanAndError variance = meanOf(squares);
    EXPECT_NEAR(variance.mean, base[a] * (1 - base[a]) * F, 5 * variance.error);
  }
}

// Replicate after replicate, the multilocus theta of the samples estimates
// the expected F_ST without bias, at 0 as at 0.02; and with equal samples
// of n individuals the mean chi-square of a locus is df (1 + (2n - 1) F),
// sampling and drift adding their variances.
TEST(DriftModel, SamplesCarryTheExpectedFstAndChiSquare) {
  const int populations = 5, individuals = 20, loci = 6, replicates = 150;
  const PowerDesign design = designOf(loci, {0.4, 0.3, 0.2, 0.1}, populations, individuals, 500, {0.02});
  const PowerTests tests = testsOf(ExactTest::None, ExactMode::Auto);
  const std::vector<DecisionBounds> bounds;
  ReplicateTester<double> tester(design, tests, bounds, SeedDraw::TickClock1To166);
  const double df = (populations - 1) * 3;
  for (std::size_t target = 0; target < design.targets.size(); ++target) {
    const double F = design.targets[target].expected;
    SCOPED_TRACE("F_ST " + std::to_string(F));
    std::vector<double> thetas, chi2s;
    ReplicateOutcome outcome;
    for (int r = 1; r <= replicates; ++r) {
      tester.run(target, r, 7, outcome);
      thetas.push_back(outcome.theta);
      for (const SampledLocus& sample : tester.samples()) {
        double chi2 = 0, degrees = 0;
        pearsonChiSquare(sample.alleles, sample.alleles.rows, sample.alleles.columns, chi2, degrees);
        if (degrees == df) chi2s.push_back(chi2);
      }
    }
    const MeanAndError theta = meanOf(thetas);
    EXPECT_NEAR(theta.mean, F, 4 * theta.error);
    const MeanAndError chi2 = meanOf(chi2s);
    EXPECT_NEAR(chi2.mean, df * (1 + (2 * individuals - 1) * F), 4 * chi2.error + 0.03 * df);
  }
}

}  // namespace
}  // namespace ortelan
