// The made-up SNP panels of the benchmarks of whole runs.
#pragma once

#include <htslib/bgzf.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>

namespace ortelan::bench {

// A bgzipped VCF of biallelic SNPs: `populations` of `individuals`, the
// first allele's frequency drawn per locus and moved apart between
// populations by up to `spread`, as a scan of diverged populations has it.
inline void writeBiallelicPanel(const std::string& vcf, const std::string& map, int loci, int populations, int individuals,
                         double spread) {
  std::uint64_t state = 88172645463325252ull;
  auto uniform = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  };
  std::ofstream mapOut(map, std::ios::binary);
  std::string text = "##fileformat=VCFv4.2\n##contig=<ID=chr1>\n"
                     "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
                     "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  for (int pop = 1; pop <= populations; ++pop) {
    for (int i = 1; i <= individuals; ++i) {
      // Appended, not `"p" + std::string`: GCC 12 at -O2 warns (-Wrestrict) of that.
      std::string sample = "p";
      sample.append(std::to_string(pop)).append("_").append(std::to_string(i));
      text += "\t" + sample;
      mapOut << sample << "\tpop" << pop << "\n";
    }
  }
  text += "\n";
  BGZF* out = bgzf_open(vcf.c_str(), "w");
  if (out == nullptr) throw std::runtime_error("cannot write " + vcf);
  for (int locus = 1; locus <= loci; ++locus) {
    text += "chr1\t" + std::to_string(100 * locus) + "\tsnp" + std::to_string(locus) + "\tA\tC\t.\tPASS\t.\tGT";
    const double base = 0.1 + 0.8 * uniform();
    for (int pop = 0; pop < populations; ++pop) {
      const double p = std::clamp(base + spread * (uniform() - 0.5), 0.02, 0.98);
      for (int i = 0; i < individuals; ++i) {
        text += '\t';
        text += uniform() < p ? '0' : '1';
        text += '/';
        text += uniform() < p ? '0' : '1';
      }
    }
    text += '\n';
    if (text.size() > (1u << 20)) {
      if (bgzf_write(out, text.data(), text.size()) < 0) throw std::runtime_error("cannot write " + vcf);
      text.clear();
    }
  }
  if (bgzf_write(out, text.data(), text.size()) < 0 || bgzf_close(out) != 0) {
    throw std::runtime_error("cannot write " + vcf);
  }
}

}  // namespace ortelan::bench
