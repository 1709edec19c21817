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
  // end) under the FORMAT column `format`. True with two values per sample
  // of the header in values(), as bcf_get_genotypes gives them (a haploid
  // genotype's second is bcf_int32_vector_end); false for a line that is
  // not of the form read here.
  bool read(std::string_view format, std::string_view samples);
  const std::int32_t* values() const { return values_.data(); }

 private:
  enum class Kind : std::uint8_t { Text, Integer, Real };

  bool readFormat(std::string_view format);

  const bcf_hdr_t* header_;
  std::string format_;       // the FORMAT read last, whose kinds are known
  std::vector<Kind> kinds_;  // of its fields after GT
  std::vector<std::int32_t> values_;
};

}  // namespace ortelan
