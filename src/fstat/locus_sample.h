// What the F-statistics need of one locus, counted from its tables: per
// population, the individuals typed there; per population and allele, the
// genes of the allele and, at a diploid locus, the heterozygotes that carry
// it. A diploid locus is read from its genotype table (complete genotypes
// only, so an individual with a missing allele is not typed there), a
// haploid one from its allele table (one gene an individual).
#pragma once

#include <cstdint>
#include <vector>

#include "chisquare/g_statistic.h"
#include "input/tables/count_table.h"

namespace ortelan {

struct LocusSample {
  int genesPerIndividual = 2;
  int populations = 0;
  int alleles = 0;
  std::vector<std::int64_t> typed;          // per population, from 0
  std::vector<std::int64_t> genes;          // [population * alleles + allele], both from 0
  std::vector<std::int64_t> heterozygotes;  // the same places; 0 at a haploid locus

  std::int64_t genesAt(int population, int allele) const { return genes[place(population, allele)]; }
  std::int64_t heterozygotesAt(int population, int allele) const { return heterozygotes[place(population, allele)]; }

  // A diploid locus: the populations x genotypes table, whose columns are
  // the genotypes `keys` (genotypeKey of their two alleles).
  void fromGenotypes(const CountTable& table, const std::vector<std::uint32_t>& keys);
  // A haploid locus: the populations x alleles table.
  void fromAlleles(const CountTable& table);

 private:
  void clear(int rows, int columns, int genesEach);

  // The genotypes' alleles of the last keys read: the loci of a SNP panel
  // mostly share their keys.
  std::vector<std::uint32_t> keys_;
  std::vector<GenotypeAlleles> columns_;
  int alleleColumns_ = 0;
  std::size_t place(int population, int allele) const {
    return static_cast<std::size_t>(population) * static_cast<std::size_t>(alleles) + static_cast<std::size_t>(allele);
  }
};

}  // namespace ortelan
