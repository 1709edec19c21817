#include "chisquare/totals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "apps/editions.h"
#include "chisquare/tail_forms.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using chisquare_testing::exactTail;
using chisquare_testing::wilsonHilfertyTail;
using testing::ScriptedConsole;

constexpr long double kRelative = 1.2e-6L;  // 4 EPS of GAMMQ's iterations

struct LocusResult {
  int alleles;
  long double chi, df, fisherP;
};

template <class Real>
const Edition& editionOf() {
  return std::is_same_v<Real, double> ? editionC() : edition3d();
}

template <class Real>
class Totals : public ::testing::Test {
 protected:
  Totals() : run(editionOf<Real>(), console) {}

  void setLoci(const std::vector<LocusResult>& loci) {
    for (std::size_t i = 0; i < loci.size(); ++i) run.state.addLocus("L" + std::to_string(i + 1));
    run.state.sizeResultArrays();
    for (std::size_t i = 0; i < loci.size(); ++i) {
      run.state.ALLELES_PER_LOCUS[i + 1] = loci[i].alleles;
      run.state.CHI2PERLOCUS[i + 1] = static_cast<Real>(loci[i].chi);
      run.state.DFPERLOCUS[i + 1] = static_cast<Real>(loci[i].df);
      run.state.FISHERPPERLOCUS[i + 1] = static_cast<Real>(loci[i].fisherP);
    }
  }
  // Whatever the program shows on its diagnostic stream.
  const std::string& diagnostics() const {
    return run.edition.diagnostics == Stream::Err ? console.err() : console.out();
  }

  ScriptedConsole console;
  ortelan::Run<Real> run;
};

using RealTypes = ::testing::Types<double, long double>;
TYPED_TEST_SUITE(Totals, RealTypes);

// With one locus entering, the chi-square total is that locus's test, and
// Fisher's combination on 2 df gives back its P-value; 0 counts as 1e-5.
TYPED_TEST(Totals, OneLocusEntering) {
  struct Case {
    long double fisherP, sumLnP, totalP;
  };
  const Case cases[] = {
      {0.0123L, -2 * std::log(0.0123L), 0.0123L},
      {0.5L, 2 * std::log(2.0L), 0.5L},
      {0, 23.025850929940457L, 0.00001L},
      {1, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("P " + std::to_string(static_cast<double>(c.fisherP)));
    this->setLoci({{4, 7.5L, 3, c.fisherP}});
    SUM_FOR_TOTAL_P(this->run);
    const auto& s = this->run.state;
    EXPECT_EQ(s.SUMCHI2, TypeParam(7.5));
    EXPECT_EQ(s.SUMDFCHI2, 3);
    EXPECT_CLOSE(s.TOTCHI2P, exactTail(3, 7.5L), kRelative * exactTail(3, 7.5L));
    EXPECT_CLOSE(s.SUMLNP, c.sumLnP, 8 * std::numeric_limits<TypeParam>::epsilon() * (1 + c.sumLnP));
    EXPECT_EQ(s.SUMDFFISHER, 2);
    EXPECT_CLOSE(s.TOTFISHERP, c.totalP, kRelative * c.totalP);
    EXPECT_EQ(this->diagnostics(), "");
    this->run.state = {};
  }
}

// Two loci at P = 0.05: -2 sum ln P = 11.98293 on 4 df, whose tail is
// e^-x (1 + x) at x = 5.991465: 0.0174787. A third locus at P = 1 adds
// nothing to the sum but 2 degrees of freedom.
TYPED_TEST(Totals, FishersCombination) {
  this->setLoci({{2, 1, 1, 0.05L}, {3, 2, 2, 0.05L}});
  SUM_FOR_TOTAL_P(this->run);
  EXPECT_CLOSE(this->run.state.SUMLNP, 11.98293L, 5e-6L);
  EXPECT_EQ(this->run.state.SUMDFFISHER, 4);
  EXPECT_CLOSE(this->run.state.TOTFISHERP, 0.0174787L, 5e-8L);
  EXPECT_EQ(this->run.state.SUMCHI2, 3);
  EXPECT_EQ(this->run.state.SUMDFCHI2, 3);
  EXPECT_CLOSE(this->run.state.TOTCHI2P, exactTail(3, 3), kRelative);

  const auto sumLnP = this->run.state.SUMLNP;
  this->run.state = {};
  this->setLoci({{2, 1, 1, 0.05L}, {2, 0, 1, 1}, {3, 2, 2, 0.05L}});
  SUM_FOR_TOTAL_P(this->run);
  EXPECT_EQ(this->run.state.SUMLNP, sumLnP);
  EXPECT_EQ(this->run.state.SUMDFFISHER, 6);
  EXPECT_CLOSE(this->run.state.TOTFISHERP, exactTail(6, sumLnP), kRelative * exactTail(6, sumLnP));
}

// A locus with fewer than two alleles is never read, whatever its arrays
// hold.
TYPED_TEST(Totals, UntestedLociChangeNothing) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  this->setLoci({{3, 4.2L, 2, 0.03L}, {2, 11, 5, 0}});
  SUM_FOR_TOTAL_P(this->run);
  const RunState<TypeParam> alone = this->run.state;

  this->run.state = {};
  this->setLoci({{1, nan, nan, -1}, {3, 4.2L, 2, 0.03L}, {0, 1e300L, -7, nan}, {2, 11, 5, 0}, {1, 5, 1, 0}});
  SUM_FOR_TOTAL_P(this->run);
  const auto& s = this->run.state;
  EXPECT_EQ(s.SUMCHI2, alone.SUMCHI2);
  EXPECT_EQ(s.SUMDFCHI2, alone.SUMDFCHI2);
  EXPECT_EQ(s.SUMLNP, alone.SUMLNP);
  EXPECT_EQ(s.SUMDFFISHER, alone.SUMDFFISHER);
  EXPECT_EQ(s.TOTCHI2P, alone.TOTCHI2P);
  EXPECT_EQ(s.TOTFISHERP, alone.TOTFISHERP);
}

// No locus entering: both tests get 0 df and chi 0, pause once each, and
// give 1; the run goes on.
TYPED_TEST(Totals, NoLocusEntering) {
  const std::vector<std::vector<LocusResult>> lists{{}, {{1, 9, 9, 0.2L}, {0, 0, 0, -1}}};
  for (const auto& loci : lists) {
    SCOPED_TRACE(std::to_string(loci.size()) + " loci");
    this->setLoci(loci);
    this->run.state.SUMCHI2 = this->run.state.TOTCHI2P = 42;  // left from before: reset
    SUM_FOR_TOTAL_P(this->run);
    const auto& s = this->run.state;
    EXPECT_EQ(s.SUMCHI2, 0);
    EXPECT_EQ(s.SUMDFCHI2, 0);
    EXPECT_EQ(s.SUMLNP, 0);
    EXPECT_EQ(s.SUMDFFISHER, 0);
    EXPECT_EQ(s.TOTCHI2P, 1);
    EXPECT_EQ(s.TOTFISHERP, 1);
    EXPECT_EQ(this->diagnostics(), "pause in GAMMQ - invalid arguments\npause in GAMMQ - invalid arguments\n");
    this->run.state = {};
    this->console = ScriptedConsole();
  }
}

// Tested loci typed in one population only: chi 0 on 0 df. Only the
// chi-square total pauses; Fisher's combination still has its 2 df a locus.
TYPED_TEST(Totals, OnlyZeroDegreesOfFreedom) {
  this->setLoci({{2, 0, 0, 0.3L}, {3, 0, 0, 1}});
  SUM_FOR_TOTAL_P(this->run);
  EXPECT_EQ(this->run.state.TOTCHI2P, 1);
  EXPECT_CLOSE(this->run.state.TOTFISHERP, exactTail(4, -2 * std::log(0.3L)), kRelative);
  EXPECT_EQ(this->diagnostics(), "pause in GAMMQ - invalid arguments\n");
}

// Up to 50 loci the totals stay on the incomplete gamma function (and a sum
// above 200 gives 0); from 51 loci on, Fisher's combination has more than
// 100 df and takes the normal approximation. The chi-square total follows
// the same two rules through its own sums.
TYPED_TEST(Totals, ManyLoci) {
  struct Case {
    int loci;
    long double fisherP, chi;  // per locus; each has 2 df
  };
  const Case cases[] = {{50, 0.5L, 2.5L}, {51, 0.5L, 2.5L}, {60, 0.5L, 2.5L}, {9, 0, 25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.loci) + " loci");
    this->setLoci(std::vector<LocusResult>(static_cast<std::size_t>(c.loci), {2, c.chi, 2, c.fisherP}));
    SUM_FOR_TOTAL_P(this->run);
    const auto& s = this->run.state;
    const int df = 2 * c.loci;
    const long double sumLnP = c.fisherP == 0 ? c.loci * 23.025850929940457L : -2 * c.loci * std::log(c.fisherP);
    const long double sumChi = c.loci * c.chi;
    EXPECT_EQ(s.SUMDFFISHER, df);
    EXPECT_EQ(s.SUMDFCHI2, df);
    EXPECT_CLOSE(s.SUMLNP, sumLnP, 1e-12L * sumLnP);
    EXPECT_CLOSE(s.SUMCHI2, sumChi, 1e-12L * sumChi);
    if (df > 100) {
      EXPECT_CLOSE(s.TOTFISHERP, wilsonHilfertyTail(df, sumLnP), 1e-7L);
      EXPECT_CLOSE(s.TOTCHI2P, wilsonHilfertyTail(df, sumChi), 1e-7L);
    } else {
      const long double fisher = sumLnP > 200 ? 0 : exactTail(df, sumLnP);
      const long double chi = sumChi > 200 ? 0 : exactTail(df, sumChi);
      EXPECT_CLOSE(s.TOTFISHERP, fisher, kRelative * fisher);
      EXPECT_CLOSE(s.TOTCHI2P, chi, kRelative * chi);
    }
    EXPECT_EQ(this->diagnostics(), "");
    this->run.state = {};
  }
}

}  // namespace
}  // namespace ortelan
