// The numbers a run takes from a VCF text record: a POS is a position or a
// fault that says why not, and a refused line's GT texts name the sample
// whose GT is not numbers.
#include "input/vcf/numeric_fields.h"

#include <gtest/gtest.h>

#include "input/vcf/hts_handles.h"

namespace ortelan {
namespace {

TEST(NumericFields, PositionIsAWholeNumberFromZeroToTheLargestHtslibHolds) {
  const struct {
    std::string_view text;
    std::int64_t value;
    const char* fault;  // null for a position
  } cases[] = {
      {"1", 1, nullptr},
      {"0", 0, nullptr},  // a telomere
      {"000120", 120, nullptr},
      {"+5", 5, nullptr},  // VCF's Integer form
      {"2147483648", 2147483648, nullptr},  // beyond 32 bits: the longest chromosomes
      {"9223372034707292159", kLargestPosition, nullptr},
      {"9223372034707292160", 0, "is beyond the largest position, 9223372034707292159"},
      {"99999999999999999999999", 0, "is beyond the largest position, 9223372034707292159"},
      {"-5", 0, "is below 0"},
      // What htslib reads as another position, or as 0.
      {"1e+05", 0, "is not a whole number"},
      {"12x", 0, "is not a whole number"},
      {"1.0", 0, "is not a whole number"},
      {"", 0, "is not a whole number"},
      {".", 0, "is not a whole number"},
      {" 5", 0, "is not a whole number"},
      {"5 ", 0, "is not a whole number"},
      {"+", 0, "is not a whole number"},
      {"++5", 0, "is not a whole number"},
      {"-", 0, "is not a whole number"},
      {"0x10", 0, "is not a whole number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    const VcfPosition position = readPosition(c.text);
    EXPECT_EQ(position.value, c.value);
    EXPECT_STREQ(position.fault, c.fault);
  }
  EXPECT_EQ(quotedPosition("12x"), "\"12x\"");
  EXPECT_EQ(quotedPosition(std::string(30, '7')), "\"" + std::string(20, '7') + "...\"");
}

TEST(NumericFields, TheSampleWhoseGenotypeIsNotNumbersIsNamed) {
  const char* header =
      "##fileformat=VCFv4.2\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"g\">\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\n";
  BcfHeader parsed(bcf_hdr_init("r"));
  ASSERT_EQ(bcf_hdr_parse(parsed.get(), const_cast<char*>(header)), 0);
  const std::string start = "chr1\t5\t.\tA\tC\t.\t.\t.\t";
  const struct {
    std::string line;
    std::string fault;  // empty: nothing to tell of the GT
  } cases[] = {
      {start + "GT\t0/1\t1|1", ""},
      {start + "GT:DP\t0/1:3\t.:x", ""},  // another field's fault
      {start + "DP:GT\t3:0/1\t4", ""},    // b has no GT
      {start + "GT\t+1/0\t./.", ""},      // read as 1/0
      {start + "DP\t3\t4", ""},
      {start + "GT", ""},
      {start + "GT\t0/1\t1.0/0", "sample b has GT \"1.0/0\", not allele numbers or '.' separated by / or |"},
      {start + "DP:GT\t3:1x\t3:0", "sample a has GT \"1x\", not allele numbers or '.' separated by / or |"},
      {start + "GT\t0/-1\t0", "sample a has GT \"0/-1\", not allele numbers or '.' separated by / or |"},
      {start + "GT\t\t0", ""},  // cut or damaged, not a GT's fault
      {start + "GT:DP\t:3\t0", "sample a has GT \"\", not allele numbers or '.' separated by / or |"},
      {start + "GT\t0/\t0", "sample a has GT \"0/\", not allele numbers or '.' separated by / or |"},
      {start + "GT\t0\t1\t1e0", ""},  // a column after the samples'
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(genotypeTextFault(c.line, parsed.get()), c.fault);
  }
  // An empty name in the #CHROM line, which htslib reads as the rest of
  // the line (and its copy of the header as another text): by its column.
  const char* unnamed =
      "##fileformat=VCFv4.2\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"g\">\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\t\tc\n";
  BcfHeader damaged(bcf_hdr_init("r"));
  ASSERT_EQ(bcf_hdr_parse(damaged.get(), const_cast<char*>(unnamed)), 0);
  EXPECT_EQ(sampleName(damaged.get(), 0), "a");
  EXPECT_EQ(sampleName(damaged.get(), 1), "in column 11");
  BcfHeader copy(bcf_hdr_dup(damaged.get()));
  ASSERT_TRUE(copy);
  EXPECT_EQ(genotypeTextFault(start + "GT\t0\t1x\t1", copy.get()),
            "sample in column 11 has GT \"1x\", not allele numbers or '.' separated by / or |");
}

}  // namespace
}  // namespace ortelan
