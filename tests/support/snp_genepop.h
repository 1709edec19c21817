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

// The panel's genotypes, drawn individual by individual (population by
// population), each locus's two alleles in locus order.
class SnpGenotypes {
 public:
  explicit SnpGenotypes(const SnpShape& shape) : shape_(shape), state_(shape.seed * 2654435761u + 1) {}

  // Alleles at `locus`: mostly 2, every 50th locus 5, every 97th 1.
  static int alleles(int locus) { return locus % 97 == 0 ? 1 : locus % 50 == 0 ? 5 : 2; }

  // The next individual of population `pop`: atLocus(locus, first, second)
  // for every locus, alleles from 1, 0 for a missing genotype.
  template <class AtLocus>
  void nextIndividual(int pop, AtLocus&& atLocus) {
    for (int locus = 1; locus <= shape_.loci; ++locus) {
      // The first allele's frequency drifts with the population.
      const std::uint32_t common = 128 + static_cast<std::uint32_t>((locus * 37 + pop * 11) % 100);
      if (next() % 100 == 0) {
        atLocus(locus, 0, 0);
        continue;
      }
      int genes[2];
      for (int& allele : genes) {
        const std::uint32_t draw = next();
        allele = (draw & 255) < common ? 1 : 1 + static_cast<int>((draw >> 8) % static_cast<std::uint32_t>(alleles(locus)));
      }
      atLocus(locus, genes[0], genes[1]);
    }
  }

 private:
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }

  SnpShape shape_;
  std::uint32_t state_;
};

// The name of individual `i` of population `pop`, from 1.
inline std::string snpIndividual(int pop, int i) {
  // Appended piece by piece: g++ 12 misreads "p" + std::to_string(...).
  return std::string(1, 'p').append(std::to_string(pop)).append(1, '_').append(std::to_string(i));
}

inline void writeSnpGenepop(std::ostream& out, const SnpShape& shape) {
  SnpGenotypes genotypes(shape);
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
      line = snpIndividual(pop, i) + ",";
      genotypes.nextIndividual(pop, [&](int, int first, int second) { ((line += ' ') += code(first)) += code(second); });
      out << line << "\n";
    }
  }
}

}  // namespace ortelan::testing
