// The gene counts of one VCF or BCF record: the genotypes of its samples,
// as htslib's bcf_get_genotypes gives them, counted per population and
// allele. A genotype is haploid or diploid; its missing alleles are no genes.
#pragma once

#include <cstdint>
#include <vector>

#include "input/tables/count_table.h"

namespace ortelan {

class RecordTally {
 public:
  explicit RecordTally(int populations) : populations_(populations) {}

  // What stopped a count: a genotype of three or more alleles, or one that
  // names an allele the record does not have; `sample` from 0.
  struct Problem {
    enum class Kind { None, Polyploid, UnknownAllele } kind = Kind::None;
    int sample = 0;
    int value = 0;  // the ploidy, or the allele number (from 0, REF = 0)
  };

  // Counts `samples` genotypes of `perSample` values each (htslib's encoding,
  // shorter genotypes padded with its vector end) at a record of `alleles`
  // alleles; `populationOf` gives each sample's population (0: left out).
  Problem count(const std::int32_t* genotypes, int samples, int perSample, int alleles,
                const std::vector<int>& populationOf);

  // Takes counts made elsewhere (GenotypeText), in the layout of count()'s:
  // per population, its missing genes then each allele's; swapped in.
  void take(std::vector<std::uint32_t>& counts, int alleles, bool haploid, bool diploid);

  // The alleles the counted samples carry, as column keys 1 (REF), 2 ...,
  // and the populations x keys table of their counts.
  void table(std::vector<std::uint32_t>& keys, CountTable& counts) const;

  // Genes per sample: 1 when every counted genotype with an allele is
  // haploid, else 2.
  int ploidy() const { return diploid_ || !haploid_ ? 2 : 1; }
  int populations() const { return populations_; }

 private:
  // Two values per sample, as most files have: false, with nothing counted,
  // at anything else (a haploid or BCF's wholly missing genotype, an
  // unknown allele), which countAny then counts or tells.
  bool countDiploid(const std::int32_t* genotypes, int samples, int alleles, const std::vector<int>& populationOf);
  Problem countAny(const std::int32_t* genotypes, int samples, int perSample, int alleles,
                   const std::vector<int>& populationOf);

  int populations_;
  int alleles_ = 0;
  std::vector<std::uint32_t> counts_;  // population-major: missing genes, then each allele
  std::vector<std::uint32_t> copies_;  // countDiploid's
  bool haploid_ = false;
  bool diploid_ = false;
};

// The complete diploid genotypes of a record's samples (both alleles
// there; haploid and half-missing ones are left out), as column keys
// genotypeKey(a, b) of their alleles' keys (1: REF, 2 ...) in increasing
// order, and the populations x genotypes table of their counts. The
// genotypes are those RecordTally::count() has accepted. One per thread: it
// keeps its working space from record to record.
class GenotypeTableCounter {
 public:
  void count(const std::int32_t* genotypes, int samples, int perSample, int alleles,
             const std::vector<int>& populationOf, int populations, std::vector<std::uint32_t>& keys,
             CountTable& counts);
  // The same from counts made elsewhere (GenotypeText): per population, per
  // pair of alleles a <= b (from 0) at a * alleles + b.
  void fromCells(const std::vector<std::uint32_t>& cells, int alleles, int populations,
                 std::vector<std::uint32_t>& keys, CountTable& counts);

 private:
  std::vector<std::uint32_t> cells_;             // a record of few alleles: per population, per allele pair
  std::vector<std::size_t> columns_;             // the cells of the columns
  std::vector<std::pair<std::uint32_t, int>> met_;  // any other: key, population per complete genotype
};

}  // namespace ortelan
