// The numbers a run takes from a VCF text record: its POS, and the allele
// numbers of each sample's GT. htslib reads the leading digits of a POS and
// says nothing of the rest ("1e+05" as 1, "12x" as 12, " 5" and "" as 0),
// so a POS is checked before htslib reads it; htslib refuses a GT that is
// not numbers, without saying where, so a refused line's GT texts are
// looked at to tell which sample's it was. Every other number of a record
// (QUAL, INFO, the other FORMAT fields) is read by htslib and not used.
#pragma once

#include <htslib/vcf.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace ortelan {

// The largest position htslib holds (a VCF text may hold positions beyond
// 2^31, as the longest chromosomes need; a BCF file holds 32-bit ones).
inline constexpr std::int64_t kLargestPosition = HTS_POS_MAX;

struct VcfPosition {
  std::int64_t value = 0;        // 1-based; 0 is a telomere
  const char* fault = nullptr;   // what is wrong with the text, after "POS \"...\" "
};

// A POS text read as VCF's Integer form (an optional '+', then digits and
// nothing else), from 0 to kLargestPosition.
VcfPosition readPosition(std::string_view text);

// The POS text `text` as a message names it: quoted, cut after 20 bytes.
std::string quotedPosition(std::string_view text);

// The `index`-th sample of `header` (from 0) as a message names it: by its
// name, or by its column where htslib gave it none that reads the same on
// every thread (an empty name in the #CHROM line, for which htslib takes
// the rest of the line, and its copy of the header yet another text).
std::string sampleName(const bcf_hdr_t* header, int index);

// In a VCF text line that htslib refused: the first of the header's
// samples whose GT is not allele numbers or '.' between '/' or '|' ("sample
// b has GT \"1.0/0\", not ..."); empty when every GT is of that form, or
// the line has none.
std::string genotypeTextFault(std::string_view line, const bcf_hdr_t* header);

}  // namespace ortelan
