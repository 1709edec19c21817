// The populations of a power analysis and the samples drawn from them: the
// model of drift and sampling that the literature on the power of tests of
// differentiation uses (Ryman and Jorde 2001, Mol. Ecol. 10: 2361-2373;
// Ryman et al. 2006, Mol. Ecol. 15: 2031-2045).
//  - Drift: each of s populations starts at the base population's allele
//    frequencies and drifts for t generations as a Wright-Fisher population
//    of effective size Ne: every generation its 2 Ne genes are drawn at
//    random (a multinomial draw) from the frequencies of the generation
//    before. The populations drift independently, so that the expected
//    F_ST after t generations is 1 - (1 - 1 / (2 Ne))^t.
//  - Sampling: each individual's genes (two, or one at a haploid locus) are
//    drawn at random from its population's frequencies after drift, so a
//    diploid sample's genotypes are multinomial with Hardy-Weinberg
//    probabilities p_a^2 and 2 p_a p_b.
// The loci are independent: each has its own base frequencies, and its
// populations drift apart at it on their own.
#pragma once

#include <cstdint>
#include <vector>

#include "input/tables/count_table.h"
#include "power/power_random.h"

namespace ortelan {

// 1 - (1 - 1 / (2 ne))^generations.
double expectedFst(std::int64_t ne, std::int64_t generations);

// The whole number of generations whose expected F_ST comes nearest to
// `target` (0 <= target < 1), the fewer of two that come as near.
std::int64_t generationsFor(double target, std::int64_t ne);

// One locus of the design.
struct PowerLocus {
  int locus = 0;               // its number in the data file
  int genesPerIndividual = 2;  // 2, or 1 at a haploid locus
  // The base population's allele frequencies, over the alleles of the
  // pooled populations (each above 0), summing to 1.
  std::vector<double> base;
  std::vector<std::int64_t> sizes;  // individuals sampled in each population, from 0

  std::int64_t genes() const {
    std::int64_t total = 0;
    for (std::int64_t n : sizes) total += n * genesPerIndividual;
    return total;
  }
};

// A sample of one locus as the tests take it, its columns those the sample
// holds (as a data file's table keeps only the alleles present).
struct SampledLocus {
  CountTable alleles;  // populations x alleles present, in the base's order
  // A diploid locus: populations x genotypes present, their keys
  // (genotypeKey of the alleles' numbers in the base, from 1) increasing.
  CountTable genotypes;
  std::vector<std::uint32_t> genotypeKeys;
};

// Drifts and samples one locus at a time, keeping its room from one to
// the next.
class LocusSimulator {
 public:
  // Each population of `locus` drifts for `generations` generations of
  // 2 `ne` genes, then its sample is drawn, all from `random`.
  void simulate(const PowerLocus& locus, std::int64_t ne, std::int64_t generations, PowerRandom& random,
                SampledLocus& out);

  // The allele frequencies after drift of the last locus simulated:
  // population p's frequency of allele a at [p * alleles + a].
  const std::vector<double>& driftedFrequencies() const { return frequencies_; }

 private:
  void drift(const std::vector<double>& base, std::int64_t genes, std::int64_t generations, PowerRandom& random,
             double* frequencies);
  void sampleDiploid(const double* frequencies, std::int64_t individuals, PowerRandom& random,
                     std::int64_t* genotypeCounts);
  void sampleHaploid(const double* frequencies, std::int64_t individuals, PowerRandom& random,
                     std::int64_t* alleleCounts);

  std::vector<double> frequencies_;
  std::vector<std::int64_t> counts_;     // one population's genes in a generation
  std::vector<std::int64_t> sampled_;    // [population * columns + column]: the sample's counts
  std::vector<double> probabilities_;    // the genotypes' Hardy-Weinberg probabilities
  std::vector<double> cumulative_;       // the alleles' cumulative frequencies
};

// Draws `total` items into the categories of `probabilities` (summing to
// 1): one multinomial draw, as a binomial draw per category given those
// before it.
void multinomialDraw(std::int64_t total, const double* probabilities, std::size_t categories, PowerRandom& random,
                     std::int64_t* counts);

}  // namespace ortelan
