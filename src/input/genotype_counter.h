// Counting the genotypes of a data file into the locus tables as they are
// read: each allele is a gene of its population at its locus. A locus is
// diploid or haploid as its genotypes are: two alleles each, or one (as
// mitochondrial haplotypes are written). A genotype with every allele
// missing fits either.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "input/counted_tables.h"
#include "input/locus_counts.h"

namespace ortelan {

class GenotypeCounter {
 public:
  enum class Outcome { Counted, MixedPloidy, TooManyAlleles };

  explicit GenotypeCounter(int loci)
      : tables_(std::make_shared<CountedTables>(loci, kMaxAlleles)), ploidy_(static_cast<std::size_t>(loci) + 1, 0) {}

  // Allele codes from 1; 0 is a missing allele.
  Outcome diploid(int locus, int first, int second) {
    if (first == 0 && second == 0) return Outcome::Counted;
    if (!takePloidy(locus, 2)) return Outcome::MixedPloidy;
    if (first != 0 && !tables_->add(locus, static_cast<std::uint32_t>(first))) return Outcome::TooManyAlleles;
    if (second != 0 && !tables_->add(locus, static_cast<std::uint32_t>(second))) return Outcome::TooManyAlleles;
    return Outcome::Counted;
  }
  Outcome haploid(int locus, int code) {
    if (code == 0) return Outcome::Counted;
    if (!takePloidy(locus, 1)) return Outcome::MixedPloidy;
    return tables_->add(locus, static_cast<std::uint32_t>(code)) ? Outcome::Counted : Outcome::TooManyAlleles;
  }

  // Genes per individual at `locus`: 1 or 2 (2 until a genotype says).
  int ploidy(int locus) const { return ploidy_[static_cast<std::size_t>(locus)] == 1 ? 1 : 2; }
  CountedTables& tables() { return *tables_; }
  std::shared_ptr<CountedTables> share() { return tables_; }

 private:
  bool takePloidy(int locus, std::uint8_t genes) {
    std::uint8_t& known = ploidy_[static_cast<std::size_t>(locus)];
    if (known == genes) return true;
    if (known != 0) return false;
    known = genes;
    return true;
  }

  std::shared_ptr<CountedTables> tables_;
  std::vector<std::uint8_t> ploidy_;  // per locus: 0 not yet known, 1 or 2 genes
};

}  // namespace ortelan
