// Damaged VCF and BCF files on which htslib would end the process itself
// (by exit() or abort(), with nothing said), or read a number wrongly, run
// through the real programs, each in a child process: every one ends with
// status 1 and one line that names the file and the record, and leaves
// nothing behind. The files are the
// VCF fuzz target's seeds: a population map, a NUL byte, the file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "apps/programs.h"
#include "support/variant_tools.h"

namespace ortelan {
namespace {

using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::ProcessResult;
using testing::runWith;
using testing::ScratchDir;

std::string seed(const std::string& name) {
  std::ifstream in(std::string(ORTELAN_FUZZ_CORPUS_DIR) + "/vcf/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string lastLine(const std::string& text) {
  const std::size_t start = text.size() < 2 ? std::string::npos : text.find_last_of('\n', text.size() - 2);
  return text.substr(start == std::string::npos ? 0 : start + 1);
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(DamagedVariantFiles, EndInOneLineNamingTheFileAndTheSite) {
  struct Case {
    std::string name, what;
    bool everyWay = true;  // every program, on one thread and two; else one program on two
  };
  const Case cases[] = {
      // A FORMAT of ":GT" in a header without GT: no sample has a GT value.
      {"gt-without-values", "x.vcf: chr1:30: the GT field holds no values"},
      {"bcf-gt-as-characters", "x.vcf: chr1:5: the GT field holds characters, not allele numbers"},
      {"bcf-fewer-samples-than-header",
       "x.vcf: chr1:5: the record holds genotypes of 1 sample where the header names 2"},
      // Length fields that would have htslib allocate gigabytes.
      {"bcf-header-longer-than-file",
       "x.vcf: the header cannot be read as a VCF header (its length is beyond the file's)"},
      {"bcf-record-longer-than-file", "x.vcf: the file is damaged or truncated before the first record"},
      // A gzip member after the bgzip blocks, read line by line as htslib does.
      {"gzip-member-after-bgzf-block", "x.vcf: the file is damaged or truncated after chr1:12"},
      {"xz-compressed", "x.vcf: the file is compressed with XZ, which is not read; decompress it, or compress it with bgzip"},
      // A POS that htslib reads as another position without a word, in
      // VCF text (1e+05 as 1) and in BCF (-4 as 4294967292); the reader's
      // own tests hold the other forms.
      {"pos-exponent", "x.vcf: record 2 (ID rs2): POS \"1e+05\" is not a whole number", false},
      {"bcf-pos-negative", "x.vcf: record 1 (ID rs7): POS \"-4\" is below 0", false},
  };
  for (const auto& [name, what, everyWay] : cases) {
    const std::string input = seed(name);
    const std::size_t split = input.find('\0');
    ASSERT_NE(split, std::string::npos) << name;
    for (const std::string& program : everyWay ? std::vector<std::string>{k3d, k2d, kC} : std::vector<std::string>{k2d}) {
      for (const std::string& threads : everyWay ? std::vector<std::string>{"1", "2"} : std::vector<std::string>{"2"}) {
        SCOPED_TRACE(name + " " + program + " -j " + threads);
        ScratchDir dir, temp;
        dir.write("pops.txt", input.substr(0, split));
        dir.write("x.vcf", input.substr(split + 1));
        const std::string before = dir.listing();
        const ProcessResult r =
            runWith(program, {"-q", "-s", "1", "-j", threads, "--popmap", "pops.txt", "-t", "t.tsv", "x.vcf"}, dir,
                    temp.path().string());
        EXPECT_EQ(r.status, 1) << r.err;
        testing::expectLastWord(r);
        const std::string prefix = program.substr(program.rfind('/') + 1) + ": error: ";
        EXPECT_EQ(lastLine(r.err), prefix + what + "\n");
        EXPECT_EQ(occurrences(r.err, ": error: "), 1u) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(dir.listing(), before);
        EXPECT_EQ(temp.listing(), "");
      }
    }
  }
}

// A header may give its contigs' numbers (IDX=), with gaps between them;
// its regions are read all the same.
TEST(DamagedVariantFiles, ContigNumbersWithGapsInTheHeader) {
  ScratchDir dir;
  dir.write("gaps.vcf",
            "##fileformat=VCFv4.2\n##contig=<ID=chr1,IDX=3>\n##contig=<ID=chr2,IDX=7>\n"
            "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
            "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\n"
            "chr1\t5\t.\tA\tC\t.\t.\t.\tGT\t0/1\t1/1\nchr2\t9\t.\tA\tC\t.\t.\t.\tGT\t0/0\t1/1\n");
  dir.write("ab.map", "a north\nb south\n");
  testing::runTool("tabix", {"-p", "vcf", testing::bgzipped("gaps.vcf")});
  const ProcessResult r =
      runWith(k2d, {"-q", "-s", "1", "--popmap", "ab.map", "--region", "chr2", "-t", "-", "-o", "/dev/null", "gaps.vcf.gz"}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\r\n1\tchr2:9\tchr2\t9\t2\t"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("chr1:5"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace ortelan
