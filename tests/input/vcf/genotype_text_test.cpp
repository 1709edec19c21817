// The GT of VCF text lines read from the text: the same loci and the same
// faults as htslib's parsing of the whole line, for the lines read so, and
// the lines of other forms left to htslib.
#include "input/vcf/genotype_text.h"

#include <gtest/gtest.h>

#include "support/record_ways.h"

namespace ortelan {
namespace {

const std::string kHeader =
    "##fileformat=VCFv4.2\n##contig=<ID=chr1>\n"
    "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
    "##FORMAT=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n"
    "##FORMAT=<ID=AD,Number=R,Type=Integer,Description=\"Allele depths\">\n"
    "##FORMAT=<ID=AF,Number=A,Type=Float,Description=\"Fraction\">\n"
    "##FORMAT=<ID=FT,Number=1,Type=String,Description=\"Filter\">\n"
    "##FORMAT=<ID=FL,Number=0,Type=Flag,Description=\"A flag\">\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\ts3\ts4\n";
// s4 is in no population.
const std::vector<int> kPopulations = {1, 1, 2, 0};

std::string line(const std::string& alt, const std::string& format, const std::string& samples,
                 const std::string& id = "rs1") {
  return "chr1\t100\t" + id + "\tA\t" + alt + "\t50\tPASS\tDP=3;XX=1\t" + format + "\t" + samples;
}

TEST(GenotypeText, SameLociAndFaultsAsHtslibsParsing) {
  struct Case {
    std::string line;
    bool fromText;  // read from the text, or left to htslib
  };
  const Case cases[] = {
      {line("C", "GT", "0/1\t1|1\t./.\t0/0"), true},
      // Haploid, missing, half missing, phased missing.
      {line("C", "GT", "0\t1\t.\t.|1"), true},
      {line("C", "GT", "1/.\t.\t0|.\t1"), true},
      {line("C,G,T", "GT", "0/3\t2|1\t3/3\t./2", "."), true},
      {line("C", "GT", "01/1\t1/0\t0/0\t1/1"), true},
      // Ten alleles: counted from the values, as htslib's are.
      {line("C,G,T,CA,CG,CT,GA,GC,GT", "GT", "0/9\t9|1\t./5\t10/0"), true},
      {line("C,G,T,CA,CG,CT,GA,GC,GT", "GT", "0/9\t9|10\t./5\t0/0"), true},
      // The other fields, missing, empty, cut short, of every kind read.
      {line("C", "GT:DP:AF:FT:AD", "0/1:12:0.5:PASS:3,4\t1/1:.:.:.:.\t0/0\t./.:7:1e-3:x:,5"), true},
      {line("C,G", "GT:AF:DP", "0/1:.5,5.:-3\t1/1:-1.5E+2,.:\t0/2::\t1/0:,:0"), true},
      // Columns beyond the header's samples are not read.
      {line("C", "GT", "0/1\t1/1\t0/0\t0/1\textra\tmore"), true},
      // An allele beyond the record's: a fault at a sample of the map (told
      // by htslib's reading), none elsewhere.
      {line("C", "GT", "0/1\t1/2\t0/0\t0/1"), false},
      {line("C", "GT", "0/1\t1/12\t0/0\t0/1"), false},
      {line("C", "GT", "0/1\t1/1\t0/0\t0/7"), true},
      // Left to htslib: three alleles, long or signed allele numbers, GT
      // not first, forms it reads otherwise, undeclared or flag fields.
      {line("C", "GT", "0/1/1\t1/1\t0/0\t0/1"), false},
      {line("C", "GT", "0/1\t1/1\t0/0\t0/1/1"), false},
      {line("C", "GT", "0/4294967297\t1/1\t0/0\t0/1"), false},
      {line("C", "GT", "0/+1\t1/1\t0/0\t0/1"), false},
      {line("C", "DP:GT", "3:0/1\t4:1/1\t5:0/0\t6:0/1"), false},
      {line("C", "GT:ZZ", "0/1:a\t1/1:b\t0/0:c\t0/1:d"), false},
      {line("C", "GT:FL", "0/1\t1/1\t0/0\t0/1"), false},
      {line("C", "GT:AF", "0/1:nan\t1/1:inf\t0/0:0x1p3\t0/1:1"), false},
      {line("C", "GT:DP", "0/1:+3\t1/1:-\t0/0:1\t0/1:2"), false},
      // Damaged lines: a fault, as htslib gives it.
      {line("C", "GT", "0/x\t1/1\t0/0\t0/1"), false},
      {line("C", "GT", "0/1\t\t0/0\t0/1"), false},
      {line("C", "GT", "0/1\t1/1\t0/0"), false},
      {line("C", "GT", "0/1.\t1/1\t0/0\t0/1"), false},
      {line("C", "GT:DP", "0/1:3x\t1/1:4\t0/0:5\t0/1:6"), false},
      {line("C", "GT:DP", "0/1:3:4\t1/1:4\t0/0:5\t0/1:6"), false},
      {line("C", "GT", "0/1\r\t1/1\t0/0\t0/1"), false},
      {std::string("chr1\t100\trs1\tA\tC\t50\tPASS\t.\tGT\t0/1\t1/1\t0\0/0\t0/1", 47), false},
      {"chr1\t99999999999999999999999\t.\tA\tC\t.\t.\t.\tGT\t0/1\t1/1\t0/0\t0/1", true},
      // A column that htslib refuses and a GT that is not numbers: the
      // column's fault, told alike.
      {"chr1\t99999999999999999999999\t.\tA\tC\t.\t.\t.\tGT\t0/1\t1x\t0/0\t0/1", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const testing::TwoWays ways = testing::countTwoWays(kHeader, {c.line}, kPopulations, 2);
    EXPECT_EQ(ways.fromText, ways.fromHtslib);
    EXPECT_EQ(ways.readFromText, c.fromText ? 1 : 0);
  }
}

// A record of more than 99 alleles, an undeclared contig and tag, the
// header's additions carried from line to line, and a line that reads the
// same wherever it stands.
TEST(GenotypeText, LinesOneAfterTheOther) {
  std::string many = "C";
  for (int allele = 2; allele < 100; ++allele) many += ",A" + std::string(static_cast<std::size_t>(allele), 'C');
  const std::vector<std::string> lines = {
      "chr2\t7\t.\tA\tC\t.\tq10\tNEW=1\tGT\t0/1\t1/1\t0/0\t0/1",
      // Every field empty: htslib read this line as damaged where no line
      // before had been parsed whole by it on the same thread.
      "chr2\t10\tz\tA\tC\t.\t.\t.\tFT\t\t\t\t\tx",
      "chr2\t8\tx\tA\tC\t.\t.\t.\tGT:ZZ\t0/1:a\t1/1\t0/0\t0/1",
      "chr2\t9\ty\tA\tC\t.\t.\t.\tGT:ZZ\t0/1:a\t1/1\t0/0\t0/1",
      line(many, "GT", "0/1\t1/1\t0/0\t0/1"),
  };
  const testing::TwoWays ways = testing::countTwoWays(kHeader, lines, kPopulations, 2);
  EXPECT_EQ(ways.fromText, ways.fromHtslib);
  ASSERT_EQ(ways.fromText.size(), 5u);
  EXPECT_TRUE(ways.fromText[1].starts_with("z chr2:10 ")) << ways.fromText[1];
  EXPECT_EQ(ways.fromText.back(), "fault x.vcf: chr1:100: 100 alleles; the limit is 99 alleles per locus");
}

}  // namespace
}  // namespace ortelan
