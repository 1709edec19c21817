// The GT values of a VCF text line's samples, read straight from the text:
// htslib's parsing of a line encodes every field of every sample into BCF
// before GT can be had from it, which is most of the work of reading a VCF
// file. Read here are lines whose FORMAT starts with GT and whose every
// field is of a form that htslib reads as this does; a line of any other
// form (a triploid genotype, an allele number of ten digits, a field not
// declared in the header, a damaged field ...) is not read, and is left to
// htslib, which reads it or tells what is wrong with it as before.
#pragma once

#include <htslib/vcf.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ortelan {

class GenotypeText {
 public:
  // `header`: the header the line is read with, whose FORMAT declarations
  // say what each field holds.
  explicit GenotypeText(const bcf_hdr_t* header) : header_(header) {}

  // Reads the samples' text `samples` (from the first sample to the line's
  // end) under the FORMAT column `format`, at a record of `alleles`
  // alleles; false for a line that is not of the form read here. For a
  // record of up to kCountedAlleles alleles it counts the genes and
  // genotypes of the samples of `populationOf` (per sample of the file, its
  // population from 1; 0: left out), as RecordTally and
  // GenotypeTableCounter would count them, and leaves a line with an
  // allele beyond the record's (a fault) to htslib; for any other it gives
  // two values per sample in values(), as bcf_get_genotypes gives them (a
  // haploid genotype's second is bcf_int32_vector_end).
  bool read(std::string_view format, std::string_view samples, int alleles, const std::vector<int>& populationOf,
            int populations);
  const std::int32_t* values() const { return values_.data(); }

  static constexpr int kCountedAlleles = 8;
  // What read() counted: per population, its missing genes then the genes
  // of each allele (RecordTally's layout); per population, its complete
  // diploid genotypes a/b, a <= b (alleles from 0), at a * alleles + b.
  std::vector<std::uint32_t>& genes() { return genes_; }
  const std::vector<std::uint32_t>& genotypes() const { return genotypes_; }
  // Whether a counted sample has a haploid, and a diploid, genotype with
  // an allele in it.
  bool haploid() const { return haploid_; }
  bool diploid() const { return diploid_; }

  // Whether read() keeps each sample's genes, where it counts: two per
  // sample, each its allele's number from 1, 0 missing, 0xFF none (a
  // haploid genotype's second).
  void keepGenes(bool keep) { keepGenes_ = keep; }
  std::vector<std::uint8_t>& sampleGenes() { return sampleGenes_; }

 private:
  enum class Kind : std::uint8_t { Text, Integer, Real };

  bool readFormat(std::string_view format);
  // Past the fields after GT, to the sample's end; false where one is not
  // of the form read here.
  bool skipOtherFields(const char*& at, const char* end) const;
  void countDigitPair(int sample, const char* pair);
  void countGenotype(int population, int a, int b, int alleles, std::uint32_t times);
  // The digit pairs into the genes and genotypes; false where a pair holds
  // an allele beyond the record's.
  bool addDigitPairs(int alleles, int populations);

  const bcf_hdr_t* header_;
  std::string format_;       // the FORMAT read last, whose kinds are known
  std::vector<Kind> kinds_;  // of its fields after GT
  std::vector<std::int32_t> values_;
  std::vector<std::uint32_t> genes_, genotypes_;
  // The genotypes of two one-digit alleles, per population from 0 (no
  // population) and pair of digits; each sample's row of them.
  std::vector<std::uint32_t> digitPairs_, rows_;
  int digitsSeen_ = 0;  // the pairs counted have digits below this
  bool haploid_ = false, diploid_ = false;
  bool keepGenes_ = false;
  std::vector<std::uint8_t> sampleGenes_;
};

}  // namespace ortelan
