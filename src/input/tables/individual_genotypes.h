// The genotype of every individual at every locus, kept for the tests that
// permute whole individuals among populations: a permutation moves all of
// an individual's genes at once, so every permuted table is counted again
// from the individuals, not from the tables.
//
// A locus whose genotypes hold at most two alleles, with no genotype half
// missing, is packed: two bits an individual, in two planes of 64-bit
// words, counted a word at a time against masks of individuals (popcount).
//   low high  diploid       haploid
//    0    0   first/first   first
//    1    0   first/second  second
//    1    1   second/second  -
//    0    1   missing       missing
// So within a mask the second allele's genes are popcount(low) +
// popcount(low & high), and the individuals missing there popcount(high &
// ~low). Any other locus keeps a byte per gene: its allele's column from 1,
// 0 for a missing gene, kNoGene for the absent second gene of a haploid
// genotype. The store takes 2 bits per genotype of a SNP panel (a quarter
// of a megabyte for 1,000 SNPs of 1,000 individuals) and a few bytes per
// locus besides.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ortelan {

class IndividualGenotypes {
 public:
  static constexpr std::uint8_t kNoGene = 0xFF;

  // `populationOf`: per individual (in the data's order), its population
  // from 1.
  explicit IndividualGenotypes(std::vector<int> populationOf);

  int individuals() const { return static_cast<int>(populationOf_.size()); }
  const std::vector<int>& populationOf() const { return populationOf_; }
  // 64-bit words of a packed locus's plane.
  std::size_t words() const { return words_; }
  int loci() const { return static_cast<int>(loci_.size()); }

  // Appends the next locus (loci are numbered from 1 in the order
  // appended): `genes` holds two per individual, each an allele's column
  // from 1 to 254, 0 missing, or kNoGene (the second of a haploid
  // genotype); `ploidy` is 1 or 2.
  void appendLocus(int ploidy, std::span<const std::uint8_t> genes);

  struct Locus {
    int ploidy = 2;
    int alleles = 0;              // columns with a gene: 0, 1, 2 ... (a packed locus: at most 2)
    int columns = 0;              // the highest column with a gene
    bool packed = false;
    bool missing = false;         // a packed locus: some individual has no genotype
    const std::uint64_t* low = nullptr;   // packed: words() words each
    const std::uint64_t* high = nullptr;
    const std::uint8_t* genes = nullptr;  // otherwise: two per individual
  };
  Locus locus(int locus) const;

  // The bytes the store takes.
  std::size_t bytes() const;

 private:
  struct Place {
    std::uint64_t offset = 0;  // into packed_ (words) or genes_ (bytes)
    std::uint8_t ploidy = 2;
    std::uint8_t alleles = 0;
    std::uint8_t columns = 0;
    std::uint8_t packed = 0;
    std::uint8_t missing = 0;
  };

  std::vector<int> populationOf_;
  std::size_t words_ = 0;
  std::vector<Place> loci_;
  std::vector<std::uint64_t> packed_;
  std::vector<std::uint8_t> genes_;
};

}  // namespace ortelan
