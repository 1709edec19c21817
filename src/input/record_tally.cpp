#include "input/record_tally.h"

#include <algorithm>
#include <htslib/vcf.h>

namespace ortelan {

RecordTally::Problem RecordTally::count(const std::int32_t* genotypes, int samples, int perSample, int alleles,
                                        const std::vector<int>& populationOf) {
  alleles_ = alleles;
  counts_.assign(static_cast<std::size_t>(populations_) * static_cast<std::size_t>(alleles), 0);
  haploid_ = diploid_ = false;
  for (int sample = 0; sample < samples; ++sample) {
    const int population = populationOf[static_cast<std::size_t>(sample)];
    if (population == 0) continue;
    std::uint32_t* row = counts_.data() + static_cast<std::size_t>(population - 1) * static_cast<std::size_t>(alleles);
    const std::int32_t* genotype = genotypes + static_cast<std::ptrdiff_t>(sample) * perSample;
    int ploidy = 0;
    bool carries = false;
    for (; ploidy < perSample && genotype[ploidy] != bcf_int32_vector_end; ++ploidy) {
      const std::int32_t value = genotype[ploidy];
      if (value == bcf_int32_missing || bcf_gt_is_missing(value)) continue;
      const int allele = bcf_gt_allele(value);
      if (allele < 0 || allele >= alleles) return {Problem::Kind::UnknownAllele, sample, allele};
      ++row[allele];
      carries = true;
    }
    if (ploidy > 2) return {Problem::Kind::Polyploid, sample, ploidy};
    if (carries) (ploidy == 1 ? haploid_ : diploid_) = true;
  }
  return {};
}

void RecordTally::table(std::vector<std::uint32_t>& keys, CountTable& counts) const {
  keys.clear();
  for (int allele = 0; allele < alleles_; ++allele) {
    for (int population = 0; population < populations_; ++population) {
      if (counts_[static_cast<std::size_t>(population) * static_cast<std::size_t>(alleles_) + static_cast<std::size_t>(allele)] != 0) {
        keys.push_back(static_cast<std::uint32_t>(allele) + 1);
        break;
      }
    }
  }
  counts.resize(populations_, static_cast<int>(keys.size()));
  for (int population = 1; population <= populations_; ++population) {
    const std::uint32_t* row = counts_.data() + static_cast<std::size_t>(population - 1) * static_cast<std::size_t>(alleles_);
    for (std::size_t column = 0; column < keys.size(); ++column) {
      counts.at(population, static_cast<int>(column) + 1) = static_cast<std::int32_t>(row[keys[column] - 1]);
    }
  }
}

}  // namespace ortelan
