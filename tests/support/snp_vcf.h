// The SNP panels of snp_genepop.h written as a bgzip-compressed VCF file
// (htslib's BGZF, so no outside tool is needed) with its population map:
// the same individuals, populations and genotypes, locus snp_L at chr1
// position 100 L, alleles A, C, G, T, AT as codes 1 to 5.
#pragma once

#include <htslib/bgzf.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/snp_genepop.h"

namespace ortelan::testing {

inline void writeSnpPopmap(const std::string& path, const SnpShape& shape) {
  std::ofstream out(path, std::ios::binary);
  for (int pop = 1; pop <= shape.populations; ++pop) {
    for (int i = 1; i <= shape.individualsPerPopulation; ++i) out << snpIndividual(pop, i) << "\tpop" << pop << "\n";
  }
}

// The genotypes are drawn individual by individual and written locus by
// locus: they are drawn again for each block of loci, so that only a block
// is held.
inline void writeSnpVcf(const std::string& path, const SnpShape& shape, int lociPerBlock = 10000) {
  BGZF* out = bgzf_open(path.c_str(), "w");
  if (out == nullptr) throw std::runtime_error("cannot write " + path);
  bgzf_mt(out, 2, 256);
  std::string text =
      "##fileformat=VCFv4.2\n##contig=<ID=chr1>\n"
      "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  for (int pop = 1; pop <= shape.populations; ++pop) {
    for (int i = 1; i <= shape.individualsPerPopulation; ++i) text.append(1, '\t').append(snpIndividual(pop, i));
  }
  text += "\n";
  const int individuals = shape.populations * shape.individualsPerPopulation;
  const std::vector<std::string> alts{".", "C", "C,G,T,AT"};
  std::vector<char> block;
  for (int first = 1; first <= shape.loci; first += lociPerBlock) {
    const int count = std::min(lociPerBlock, shape.loci - first + 1);
    block.assign(static_cast<std::size_t>(count) * static_cast<std::size_t>(individuals) * 2, 0);
    SnpGenotypes genotypes(shape);
    int individual = 0;
    for (int pop = 1; pop <= shape.populations; ++pop) {
      for (int i = 1; i <= shape.individualsPerPopulation; ++i, ++individual) {
        genotypes.nextIndividual(pop, [&](int locus, int a, int b) {
          if (locus < first || locus >= first + count) return;
          char* cell = block.data() + (static_cast<std::size_t>(locus - first) * individuals + individual) * 2;
          cell[0] = static_cast<char>(a);
          cell[1] = static_cast<char>(b);
        });
      }
    }
    for (int locus = first; locus < first + count; ++locus) {
      const int alleles = SnpGenotypes::alleles(locus);
      text.append("chr1\t").append(std::to_string(100 * locus)).append("\tsnp_").append(std::to_string(locus));
      text.append("\tA\t").append(alts[alleles == 1 ? 0 : alleles == 2 ? 1 : 2]).append("\t.\tPASS\t.\tGT");
      const char* cell = block.data() + static_cast<std::size_t>(locus - first) * individuals * 2;
      for (int s = 0; s < individuals; ++s, cell += 2) {
        const char genotype[] = {'\t', cell[0] == 0 ? '.' : static_cast<char>('0' + cell[0] - 1), '/',
                                 cell[1] == 0 ? '.' : static_cast<char>('0' + cell[1] - 1)};
        text.append(genotype, sizeof genotype);
      }
      text += "\n";
      if (text.size() > (1u << 20)) {
        if (bgzf_write(out, text.data(), text.size()) < 0) throw std::runtime_error("cannot write " + path);
        text.clear();
      }
    }
  }
  if (bgzf_write(out, text.data(), text.size()) < 0 || bgzf_close(out) != 0)
    throw std::runtime_error("cannot write " + path);
}

}  // namespace ortelan::testing
