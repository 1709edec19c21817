// Counting the genotypes of a data file into the locus tables as they are
// read: each allele is a gene of its population at its locus. A locus is
// diploid or haploid as its genotypes are: two alleles each, or one (as
// mitochondrial haplotypes are written). A genotype with every allele
// missing fits either. The complete diploid genotypes are counted too, a
// column per unordered genotype a/b: the genotypic test walks them, and the
// F-statistics take each population's individuals and heterozygotes there.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "input/tables/counted_tables.h"
#include "input/tables/locus_counts.h"

namespace ortelan {

// The column key of genotype a/b (allele codes, a <= b), so that keys in
// increasing order are the genotypes in increasing order of (a, b).
inline std::uint32_t genotypeKey(int a, int b) {
  return static_cast<std::uint32_t>(std::min(a, b)) * 1000u + static_cast<std::uint32_t>(std::max(a, b));
}
inline int firstAlleleOf(std::uint32_t key) { return static_cast<int>(key / 1000u); }
inline int secondAlleleOf(std::uint32_t key) { return static_cast<int>(key % 1000u); }

// A locus of 99 alleles has 99 x 100 / 2 genotypes.
inline constexpr int kMaxGenotypes = kMaxAlleles * (kMaxAlleles + 1) / 2;

class GenotypeCounter {
 public:
  enum class Outcome { Counted, MixedPloidy, TooManyAlleles };

  explicit GenotypeCounter(int loci)
      : tables_(std::make_shared<CountedTables>(loci, kMaxAlleles)),
        genotypes_(std::make_shared<CountedTables>(loci, kMaxGenotypes, 4)),
        ploidy_(static_cast<std::size_t>(loci) + 1, 0) {}

  // Allele codes from 1; 0 is a missing allele.
  Outcome diploid(int locus, int first, int second) {
    if (first == 0 && second == 0) return Outcome::Counted;
    if (!takePloidy(locus, 2)) return Outcome::MixedPloidy;
    if (first != 0 && !tables_->add(locus, static_cast<std::uint32_t>(first))) return Outcome::TooManyAlleles;
    if (second != 0 && !tables_->add(locus, static_cast<std::uint32_t>(second))) return Outcome::TooManyAlleles;
    if (first != 0 && second != 0) genotypes_->add(locus, genotypeKey(first, second));
    return Outcome::Counted;
  }
  Outcome haploid(int locus, int code) {
    if (code == 0) return Outcome::Counted;
    if (!takePloidy(locus, 1)) return Outcome::MixedPloidy;
    return tables_->add(locus, static_cast<std::uint32_t>(code)) ? Outcome::Counted : Outcome::TooManyAlleles;
  }

  // As CountedTables has them, for every table counted.
  void beginPopulation(int population) {
    tables_->beginPopulation(population);
    genotypes_->beginPopulation(population);
  }
  void finish(int populations) {
    tables_->finish(populations);
    genotypes_->finish(populations);
  }

  // Genes per individual at `locus`: 1 or 2 (2 until a genotype says).
  int ploidy(int locus) const { return ploidy_[static_cast<std::size_t>(locus)] == 1 ? 1 : 2; }
  const CountedTables& alleles() const { return *tables_; }
  std::shared_ptr<const CountedTables> shareAlleles() const { return tables_; }
  std::shared_ptr<const CountedTables> shareGenotypes() const { return genotypes_; }

 private:
  bool takePloidy(int locus, std::uint8_t genes) {
    std::uint8_t& known = ploidy_[static_cast<std::size_t>(locus)];
    if (known == genes) return true;
    if (known != 0) return false;
    known = genes;
    return true;
  }

  std::shared_ptr<CountedTables> tables_;
  std::shared_ptr<CountedTables> genotypes_;
  std::vector<std::uint8_t> ploidy_;  // per locus: 0 not yet known, 1 or 2 genes
};

}  // namespace ortelan
