#include "input/vcf/record_tally.h"

#include <htslib/vcf.h>

#include <algorithm>
#include <utility>

#include "input/tables/genotype_counter.h"

namespace ortelan {

// Counts are kept with a place for missing genes before each population's
// alleles: htslib encodes allele a as (a + 1) << 1 | phased and a missing
// one as 0 or 1, so value >> 1 is the place of either.
RecordTally::Problem RecordTally::count(const std::int32_t* genotypes, int samples, int perSample, int alleles,
                                        const std::vector<int>& populationOf) {
  alleles_ = alleles;
  counts_.assign(static_cast<std::size_t>(populations_) * static_cast<std::size_t>(alleles + 1), 0);
  haploid_ = diploid_ = false;
  if (perSample == 2 && countDiploid(genotypes, samples, alleles, populationOf)) return {};
  return countAny(genotypes, samples, perSample, alleles, populationOf);
}

bool RecordTally::countDiploid(const std::int32_t* genotypes, int samples, int alleles,
                               const std::vector<int>& populationOf) {
  const auto places = static_cast<std::uint32_t>(alleles) + 1;
  // Four copies of the counts, by gene and by the sample's parity: the
  // increments one after the other never wait for each other.
  const std::size_t size = counts_.size();
  copies_.assign(4 * size, 0);
  std::uint32_t* copies[4] = {copies_.data(), copies_.data() + size, copies_.data() + 2 * size,
                              copies_.data() + 3 * size};
  std::uint32_t carried = 0;
  for (int sample = 0; sample < samples; ++sample, genotypes += 2) {
    const int population = populationOf[static_cast<std::size_t>(sample)];
    if (population == 0) continue;
    // A haploid genotype, a wholly missing one in BCF, or an allele beyond
    // the record's: counted the slow way.
    const auto first = static_cast<std::uint32_t>(genotypes[0] >> 1);
    const auto second = static_cast<std::uint32_t>(genotypes[1] >> 1);
    if (first >= places || second >= places) return false;
    const std::size_t row = static_cast<std::size_t>(population - 1) * places;
    const int copy = 2 * (sample & 1);
    ++copies[copy][row + first];
    ++copies[copy + 1][row + second];
    carried |= first | second;
  }
  for (std::size_t cell = 0; cell < size; ++cell) {
    counts_[cell] = copies[0][cell] + copies[1][cell] + copies[2][cell] + copies[3][cell];
  }
  diploid_ = carried != 0;
  return true;
}

RecordTally::Problem RecordTally::countAny(const std::int32_t* genotypes, int samples, int perSample, int alleles,
                                           const std::vector<int>& populationOf) {
  const auto places = static_cast<std::size_t>(alleles) + 1;
  for (int sample = 0; sample < samples; ++sample) {
    const int population = populationOf[static_cast<std::size_t>(sample)];
    if (population == 0) continue;
    std::uint32_t* row = counts_.data() + static_cast<std::size_t>(population - 1) * places;
    const std::int32_t* genotype = genotypes + static_cast<std::ptrdiff_t>(sample) * perSample;
    int ploidy = 0;
    bool carries = false;
    for (; ploidy < perSample && genotype[ploidy] != bcf_int32_vector_end; ++ploidy) {
      const std::int32_t value = genotype[ploidy];
      if (value == bcf_int32_missing || bcf_gt_is_missing(value)) continue;
      const int allele = bcf_gt_allele(value);
      if (allele < 0 || allele >= alleles) return {Problem::Kind::UnknownAllele, sample, allele};
      ++row[allele + 1];
      carries = true;
    }
    if (ploidy > 2) return {Problem::Kind::Polyploid, sample, ploidy};
    if (carries) (ploidy == 1 ? haploid_ : diploid_) = true;
  }
  return {};
}

void RecordTally::take(std::vector<std::uint32_t>& counts, int alleles, bool haploid, bool diploid) {
  counts_.swap(counts);
  alleles_ = alleles;
  haploid_ = haploid;
  diploid_ = diploid;
}

void RecordTally::table(std::vector<std::uint32_t>& keys, CountTable& counts) const {
  const auto places = static_cast<std::size_t>(alleles_) + 1;
  keys.clear();
  for (int allele = 1; allele <= alleles_; ++allele) {
    for (int population = 0; population < populations_; ++population) {
      if (counts_[static_cast<std::size_t>(population) * places + static_cast<std::size_t>(allele)] != 0) {
        keys.push_back(static_cast<std::uint32_t>(allele));
        break;
      }
    }
  }
  counts.resize(populations_, static_cast<int>(keys.size()));
  for (int population = 1; population <= populations_; ++population) {
    const std::uint32_t* row = counts_.data() + static_cast<std::size_t>(population - 1) * places;
    for (std::size_t column = 0; column < keys.size(); ++column) {
      counts.at(population, static_cast<int>(column) + 1) = static_cast<std::int32_t>(row[keys[column]]);
    }
  }
}

void GenotypeTableCounter::count(const std::int32_t* genotypes, int samples, int perSample, int alleles,
                                 const std::vector<int>& populationOf, int populations,
                                 std::vector<std::uint32_t>& keys, CountTable& counts) {
  // Up to this many alleles the counts go straight to a cell per population
  // and pair of alleles (a SNP's are 3 of 4 cells).
  constexpr int kDirectAlleles = 8;
  const bool direct = alleles <= kDirectAlleles;
  const auto pairs = static_cast<std::size_t>(alleles) * static_cast<std::size_t>(alleles);
  if (direct) cells_.assign(static_cast<std::size_t>(populations) * pairs, 0);
  met_.clear();
  keys.clear();
  const auto complete = [](std::int32_t value) {
    return value != bcf_int32_vector_end && value != bcf_int32_missing && !bcf_gt_is_missing(value);
  };
  for (int sample = 0; perSample >= 2 && sample < samples; ++sample) {
    const int population = populationOf[static_cast<std::size_t>(sample)];
    const std::int32_t* genotype = genotypes + static_cast<std::ptrdiff_t>(sample) * perSample;
    if (population == 0 || (perSample > 2 && genotype[2] != bcf_int32_vector_end)) continue;
    const std::int32_t first = genotype[0], second = genotype[1];
    if (!complete(first) || !complete(second)) continue;
    const int a = bcf_gt_allele(first), b = bcf_gt_allele(second);
    if (direct) {
      ++cells_[static_cast<std::size_t>(population - 1) * pairs + static_cast<std::size_t>(std::min(a, b) * alleles) +
               static_cast<std::size_t>(std::max(a, b))];
    } else {
      const std::uint32_t key = genotypeKey(a + 1, b + 1);
      met_.emplace_back(key, population);
      keys.push_back(key);
    }
  }
  if (direct) {
    fromCells(cells_, alleles, populations, keys, counts);
    return;
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  counts.resize(populations, static_cast<int>(keys.size()));
  for (const auto& [key, population] : met_) {
    ++counts.at(population, static_cast<int>(std::lower_bound(keys.begin(), keys.end(), key) - keys.begin()) + 1);
  }
}

void GenotypeTableCounter::fromCells(const std::vector<std::uint32_t>& cells, int alleles, int populations,
                                     std::vector<std::uint32_t>& keys, CountTable& counts) {
  const auto pairs = static_cast<std::size_t>(alleles) * static_cast<std::size_t>(alleles);
  keys.clear();
  // Columns in increasing order of the alleles (a, b), a <= b.
  columns_.clear();
  for (int a = 0; a < alleles; ++a) {
    for (int b = a; b < alleles; ++b) {
      const std::size_t cell = static_cast<std::size_t>(a * alleles + b);
      for (int population = 0; population < populations; ++population) {
        if (cells[static_cast<std::size_t>(population) * pairs + cell] != 0) {
          keys.push_back(genotypeKey(a + 1, b + 1));
          columns_.push_back(cell);
          break;
        }
      }
    }
  }
  counts.resize(populations, static_cast<int>(keys.size()));
  for (int population = 1; population <= populations; ++population) {
    const std::uint32_t* row = cells.data() + static_cast<std::size_t>(population - 1) * pairs;
    for (std::size_t column = 0; column < columns_.size(); ++column) {
      counts.at(population, static_cast<int>(column) + 1) = static_cast<std::int32_t>(row[columns_[column]]);
    }
  }
}

}  // namespace ortelan
