// The program-wide record of one run: what each step hands to the next.
// Per-locus arrays are indexed from 1 (entry 0 is unused) and grow with
// the number of loci.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <string>

#include "run/names.h"
#include <utility>
#include <vector>

namespace ortelan {

inline constexpr int kMaxPopulations = 100;
inline constexpr int kMaxLoci = 10000;
inline constexpr int kMaxAlleleCode = 99;

// The three Markov chain settings of the dialogue (Y1, Y2, Y3).
struct ChainSettings {
  std::int32_t dememorizations = 10000;
  std::int32_t batches = 100;
  std::int32_t iterationsPerBatch = 5000;
};

// The exact test a run makes of each locus (and pair of populations):
//  - Genic: Fisher's test of the populations x alleles table, tables ordered
//    by their probability; with Pearson's chi-square beside it.
//  - GenicG: the same table and walk, tables ordered by G, the
//    log-likelihood ratio; with G's asymptotic test beside it.
//  - Genotypic: individuals, not genes, permuted among populations: the walk
//    goes over the populations x genotypes table, ordered by the G of the
//    allele table each visited table implies.
//  - None: no exact test, no chain: the chi-square and the F-statistics
//    alone, for a fast look at a genome scan (scripted runs and R).
enum class ExactTest { Genic, GenicG, Genotypic, None };

// The test's name on the command line, in the tables and in R.
inline const char* testName(ExactTest test) {
  switch (test) {
    case ExactTest::Genic:
      return "genic";
    case ExactTest::GenicG:
      return "genic-g";
    case ExactTest::Genotypic:
      return "genotypic";
    case ExactTest::None:
      break;
  }
  return "none";
}

// The test a name names, if any.
inline std::optional<ExactTest> testNamed(std::string_view name) {
  for (ExactTest test : {ExactTest::Genic, ExactTest::GenicG, ExactTest::Genotypic, ExactTest::None}) {
    if (name == testName(test)) return test;
  }
  return std::nullopt;
}

// Where a P-value may come from: Auto lists the tables with the observed
// margins wherever that takes less work than the walk, and walks the chain
// elsewhere; Never walks the chain everywhere, as the dialogue does.
enum class ExactMode { Auto, Never };

inline const char* exactModeName(ExactMode mode) { return mode == ExactMode::Auto ? "auto" : "never"; }

inline std::optional<ExactMode> exactModeNamed(std::string_view name) {
  for (ExactMode mode : {ExactMode::Auto, ExactMode::Never}) {
    if (name == exactModeName(mode)) return mode;
  }
  return std::nullopt;
}
// Whether Pearson's chi-square stands beside the test (the genic test, and
// no exact test at all), or G (the G tests).
// Where a locus's P-value comes from: every table with its margins listed
// (exact), tables drawn independently under the null (sampled), the
// Markov chain's estimate (chain), or tables drawn from a law tilted into
// the far tail and weighted back (tail). Named so in the tables' method
// column.
enum class PMethod : char { Chain, Exact, Sampled, Tail };

inline const char* methodName(PMethod method) {
  switch (method) {
    case PMethod::Exact:
      return "exact";
    case PMethod::Sampled:
      return "sampled";
    case PMethod::Tail:
      return "tail";
    case PMethod::Chain:
      break;
  }
  return "chain";
}

// Whether a P of this kind comes with its 95 % limits.
inline bool hasLimits(PMethod method) { return method == PMethod::Sampled || method == PMethod::Tail; }

inline std::optional<PMethod> methodNamed(std::string_view name) {
  for (PMethod method : {PMethod::Chain, PMethod::Exact, PMethod::Sampled, PMethod::Tail}) {
    if (name == methodName(method)) return method;
  }
  return std::nullopt;
}

// Where the tables are not listed: tables drawn independently under the
// null (scripted runs and R, unless told otherwise), or the Markov chain
// (the dialogue always).
enum class SamplerKind { Independent, Chain };

inline const char* samplerName(SamplerKind sampler) {
  return sampler == SamplerKind::Independent ? "independent" : "chain";
}

inline std::optional<SamplerKind> samplerNamed(std::string_view name) {
  for (SamplerKind sampler : {SamplerKind::Independent, SamplerKind::Chain}) {
    if (name == samplerName(sampler)) return sampler;
  }
  return std::nullopt;
}

// The independent sampler's settings: a locus draws tables until `hits` of
// them are at least as extreme as the observed one, or until `samples`
// have been drawn; without `samples`, as many as cost what the chain's
// walk of the locus would (table_sampler.h).
struct SamplingSettings {
  SamplerKind sampler = SamplerKind::Chain;
  std::int64_t hits = 100;
  std::optional<std::int64_t> samples;
};

inline bool besideChiSquare(ExactTest test) { return test == ExactTest::Genic || test == ExactTest::None; }

// What the reader learns of the data: names and counts.
struct DataSummary {
  std::string INFILENAME;
  std::string TITLE_LINE;
  std::vector<std::string> LOCUSNAME{1};
  int NUMBOFLOCI = 0;
  int NUMBPOPS = 0;
  std::vector<int> ALLELES_PER_LOCUS{0};
  // Per locus from 1: the genes an individual brings, 2 (diploid) or 1
  // (haploid, as mitochondrial haplotypes are written). Scripted runs only.
  std::vector<std::uint8_t> ploidy{0};
  std::int32_t TOTNUMBGENES = 0;
  std::int32_t TOTNUMBINDIVIDUALS = 0;
  // Per population from 1: the name of its last individual, trimmed, as
  // GENEPOP users label populations. Filled by the one-pass readers.
  std::vector<std::string> populationLabels;

  // The genotypic test only: per locus from 1, the populations with a
  // complete genotype there; a locus is tested only where two have one.
  std::vector<int> populationsTyped;

  // Data read from a VCF or BCF file: per locus from 1, its site on the
  // genome (entry 0 unused). Empty for GENEPOP files.
  struct Site {
    std::string chrom;
    std::int64_t pos = 0;
  };
  std::vector<Site> sites;
  bool hasSites() const { return !sites.empty(); }

  // The loci a run tests: every locus when empty, else those marked here
  // (indexed from 1). The others are read and checked, and left out of the
  // results.
  std::vector<char> lociInRun;

  bool isInRun(int locus) const { return lociInRun.empty() || lociInRun[static_cast<std::size_t>(locus)] != 0; }
  // A tested locus is in the run and has two or more alleles; every step
  // selects by this.
  // (The genotypic test counts genotypes where the others count alleles.)
  bool isTested(int locus) const {
    return isInRun(locus) && ALLELES_PER_LOCUS[locus] >= 2 &&
           (populationsTyped.empty() || populationsTyped[static_cast<std::size_t>(locus)] >= 2);
  }
  int testedLoci() const {
    int tested = 0;
    for (int I = 1; I <= NUMBOFLOCI; ++I) tested += isTested(I) ? 1 : 0;
    return tested;
  }

  // "locus 3 (Est-2)", for messages.
  std::string locusLabel(int locus) const {
    return "locus " + std::to_string(locus) + " (" + std::string(trimBlanks(LOCUSNAME[static_cast<std::size_t>(locus)])) + ")";
  }

  // Appends a locus name; the caller has checked the limit.
  void addLocus(std::string name) {
    LOCUSNAME.push_back(std::move(name));
    ALLELES_PER_LOCUS.push_back(0);
    ploidy.push_back(2);
    NUMBOFLOCI = static_cast<int>(LOCUSNAME.size()) - 1;
  }
};

template <class Real>
struct RunState : DataSummary {
  // Settings as last read back from the table data by the exact test.
  std::int32_t MEM = 0;
  std::int32_t B = 0;
  std::int32_t C = 0;

  std::vector<Real> FISHERPPERLOCUS{Real(0)};
  std::vector<Real> FISHERSEPERLOCUS{Real(0)};
  std::vector<Real> CHI2PERLOCUS{Real(0)};
  std::vector<Real> DFPERLOCUS{Real(0)};
  std::vector<Real> CHI2PPERLOCUS{Real(0)};
  // Per locus: where its P-value comes from, and 95 % limits on the exact
  // P-value (that P itself where it is exact; NaN from the chain).
  std::vector<PMethod> methodPerLocus{PMethod::Chain};
  std::vector<Real> pLowPerLocus{Real(0)};
  std::vector<Real> pHighPerLocus{Real(0)};

  Real SUMCHI2 = 0, SUMDFCHI2 = 0, SUMLNP = 0, SUMDFFISHER = 0, TOTCHI2P = 0, TOTFISHERP = 0;

  // Sizes the result arrays for loci 1..NUMBOFLOCI.
  void sizeResultArrays() {
    const auto size = static_cast<std::size_t>(NUMBOFLOCI) + 1;
    for (auto* array : {&FISHERPPERLOCUS, &FISHERSEPERLOCUS, &CHI2PERLOCUS, &DFPERLOCUS, &CHI2PPERLOCUS}) {
      array->resize(size, Real(0));
    }
    methodPerLocus.resize(size, PMethod::Chain);
    pLowPerLocus.resize(size, Real(0));
    pHighPerLocus.resize(size, Real(0));
  }
};

}  // namespace ortelan
