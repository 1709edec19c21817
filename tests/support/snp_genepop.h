// Large GENEPOP files as SNP panels give them, made up for tests and
// benchmarks: the locus names on one line (as Stacks writes them), two
// alleles at most loci, a few loci with more, some monomorphic, and some
// missing genotypes; allele frequencies differ between populations.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace ortelan::testing {

struct SnpShape {
  int loci = 1000;
  int populations = 20;
  int individualsPerPopulation = 50;
  int digits = 2;  // per allele
  std::uint32_t seed = 1;
};

inline void writeSnpGenepop(std::ostream& out, const SnpShape& shape) {
  std::uint32_t state = shape.seed * 2654435761u + 1;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  out << "Made-up SNP panel: " << shape.loci << " loci, " << shape.populations << " populations\n";
  for (int locus = 1; locus <= shape.loci; ++locus) out << (locus > 1 ? ", " : "") << "snp_" << locus;
  out << "\n";
  const auto code = [&](int allele) {
    std::string text = std::to_string(allele);
    return std::string(static_cast<std::size_t>(shape.digits) - text.size(), '0') + text;
  };
  std::string line;
  for (int pop = 1; pop <= shape.populations; ++pop) {
    out << "Pop\n";
    for (int i = 1; i <= shape.individualsPerPopulation; ++i) {
      // Appended piece by piece: g++ 12 misreads "p" + std::to_string(...).
      line.assign(1, 'p').append(std::to_string(pop)).append(1, '_').append(std::to_string(i)).append(1, ',');
      for (int locus = 1; locus <= shape.loci; ++locus) {
        // Alleles per locus: mostly 2, every 50th locus 5, every 97th 1.
        const int alleles = locus % 97 == 0 ? 1 : locus % 50 == 0 ? 5 : 2;
        // The first allele's frequency drifts with the population.
        const std::uint32_t common = 128 + static_cast<std::uint32_t>((locus * 37 + pop * 11) % 100);
        line += ' ';
        if (next() % 100 == 0) {
          line += code(0) + code(0);
          continue;
        }
        for (int gene = 0; gene < 2; ++gene) {
          const std::uint32_t draw = next();
          const int allele = (draw & 255) < common ? 1 : 1 + static_cast<int>((draw >> 8) % static_cast<std::uint32_t>(alleles));
          line += code(allele);
        }
      }
      out << line << "\n";
    }
  }
}

}  // namespace ortelan::testing
