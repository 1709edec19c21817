#include "power/drift_model.h"

#include <algorithm>
#include <cmath>

#include "input/tables/genotype_counter.h"

namespace ortelan {

double expectedFst(std::int64_t ne, std::int64_t generations) {
  // 1 - exp(t ln(1 - 1/(2 Ne))), without the cancellation of 1 - 0.999...
  const double kept = std::log1p(-1.0 / (2.0 * static_cast<double>(ne)));
  return -std::expm1(static_cast<double>(generations) * kept);
}

std::int64_t generationsFor(double target, std::int64_t ne) {
  if (target <= 0) return 0;
  const double exact = std::log1p(-target) / std::log1p(-1.0 / (2.0 * static_cast<double>(ne)));
  const auto below = static_cast<std::int64_t>(std::floor(exact));
  const std::int64_t above = below + 1;
  return std::fabs(expectedFst(ne, above) - target) < std::fabs(expectedFst(ne, below) - target) ? above : below;
}

void multinomialDraw(std::int64_t total, const double* probabilities, std::size_t categories, PowerRandom& random,
                     std::int64_t* counts) {
  double left = 1;  // the probability of the categories not yet drawn
  for (std::size_t k = 0; k < categories; ++k) {
    if (total == 0 || k + 1 == categories) {
      counts[k] = total;
      for (++k; k < categories; ++k) counts[k] = 0;
      return;
    }
    const double p = probabilities[k];
    const std::int64_t x = p <= 0 ? 0 : random.binomial(total, left > p ? p / left : 1.0);
    counts[k] = x;
    total -= x;
    left -= p;
  }
}

void LocusSimulator::drift(const std::vector<double>& base, std::int64_t genes, std::int64_t generations,
                           PowerRandom& random, double* frequencies) {
  const std::size_t alleles = base.size();
  std::copy(base.begin(), base.end(), frequencies);
  counts_.resize(alleles);
  const double perGene = 1.0 / static_cast<double>(genes);
  for (std::int64_t t = 0; t < generations; ++t) {
    multinomialDraw(genes, frequencies, alleles, random, counts_.data());
    for (std::size_t a = 0; a < alleles; ++a) frequencies[a] = static_cast<double>(counts_[a]) * perGene;
  }
}

void LocusSimulator::sampleDiploid(const double* frequencies, std::int64_t individuals, PowerRandom& random,
                                   std::int64_t* genotypeCounts) {
  // Genotypes a/b, a <= b, in that order: p_a^2 and 2 p_a p_b.
  const std::size_t alleles = counts_.size();
  const std::size_t genotypes = alleles * (alleles + 1) / 2;
  if (static_cast<std::size_t>(individuals) <= 4 * genotypes) {
    // Few individuals for the genotypes: each one's two genes drawn, one
    // uniform each, by the alleles' cumulative frequencies.
    cumulative_.resize(alleles);
    double sum = 0;
    for (std::size_t a = 0; a < alleles; ++a) cumulative_[a] = sum += frequencies[a];
    cumulative_.back() = 2;  // every uniform below 1 stops at the last
    auto pick = [&] {
      const double u = static_cast<double>(random() >> 11) * 0x1p-53;
      std::size_t a = 0;
      while (cumulative_[a] <= u) ++a;
      return a;
    };
    std::fill(genotypeCounts, genotypeCounts + genotypes, 0);
    for (std::int64_t k = 0; k < individuals; ++k) {
      std::size_t a = pick(), b = pick();
      if (b < a) std::swap(a, b);
      ++genotypeCounts[a * (2 * alleles - a + 1) / 2 + (b - a)];
    }
    return;
  }
  probabilities_.clear();
  for (std::size_t a = 0; a < alleles; ++a) {
    for (std::size_t b = a; b < alleles; ++b) {
      probabilities_.push_back(frequencies[a] * frequencies[b] * (a == b ? 1.0 : 2.0));
    }
  }
  multinomialDraw(individuals, probabilities_.data(), probabilities_.size(), random, genotypeCounts);
}

void LocusSimulator::sampleHaploid(const double* frequencies, std::int64_t individuals, PowerRandom& random,
                                   std::int64_t* alleleCounts) {
  multinomialDraw(individuals, frequencies, counts_.size(), random, alleleCounts);
}

void LocusSimulator::simulate(const PowerLocus& locus, std::int64_t ne, std::int64_t generations,
                              PowerRandom& random, SampledLocus& out) {
  const std::size_t alleles = locus.base.size();
  const auto populations = static_cast<int>(locus.sizes.size());
  const bool diploid = locus.genesPerIndividual == 2;
  const std::size_t columns = diploid ? alleles * (alleles + 1) / 2 : alleles;
  frequencies_.resize(static_cast<std::size_t>(populations) * alleles);
  sampled_.assign(static_cast<std::size_t>(populations) * columns, 0);
  counts_.resize(alleles);
  for (int pop = 0; pop < populations; ++pop) {
    double* frequencies = &frequencies_[static_cast<std::size_t>(pop) * alleles];
    drift(locus.base, 2 * ne, generations, random, frequencies);
    std::int64_t* sample = &sampled_[static_cast<std::size_t>(pop) * columns];
    const std::int64_t individuals = locus.sizes[static_cast<std::size_t>(pop)];
    if (diploid) {
      sampleDiploid(frequencies, individuals, random, sample);
    } else {
      sampleHaploid(frequencies, individuals, random, sample);
    }
  }

  // The genes of each allele, from the genotypes or the haploid sample.
  std::vector<std::int64_t> genes(static_cast<std::size_t>(populations) * alleles, 0);
  std::vector<std::int64_t> alleleTotals(alleles, 0), columnTotals(columns, 0);
  for (int pop = 0; pop < populations; ++pop) {
    const std::int64_t* sample = &sampled_[static_cast<std::size_t>(pop) * columns];
    std::int64_t* row = &genes[static_cast<std::size_t>(pop) * alleles];
    std::size_t column = 0;
    for (std::size_t a = 0; a < alleles; ++a) {
      if (!diploid) {
        row[a] += sample[a];
        continue;
      }
      for (std::size_t b = a; b < alleles; ++b, ++column) {
        row[a] += sample[column];
        row[b] += sample[column];
      }
    }
    for (std::size_t a = 0; a < alleles; ++a) alleleTotals[a] += row[a];
    for (std::size_t c = 0; c < columns; ++c) columnTotals[c] += sample[c];
  }

  std::vector<std::size_t> kept;
  for (std::size_t a = 0; a < alleles; ++a) {
    if (alleleTotals[a] > 0) kept.push_back(a);
  }
  out.alleles.resize(populations, static_cast<int>(kept.size()));
  for (int pop = 0; pop < populations; ++pop) {
    for (std::size_t k = 0; k < kept.size(); ++k) {
      out.alleles.at(pop + 1, static_cast<int>(k) + 1) =
          static_cast<std::int32_t>(genes[static_cast<std::size_t>(pop) * alleles + kept[k]]);
    }
  }

  out.genotypeKeys.clear();
  if (!diploid) {
    out.genotypes.resize(populations, 0);
    return;
  }
  std::vector<std::size_t> keptGenotypes;
  std::size_t column = 0;
  for (std::size_t a = 0; a < alleles; ++a) {
    for (std::size_t b = a; b < alleles; ++b, ++column) {
      if (columnTotals[column] == 0) continue;
      keptGenotypes.push_back(column);
      out.genotypeKeys.push_back(genotypeKey(static_cast<int>(a) + 1, static_cast<int>(b) + 1));
    }
  }
  out.genotypes.resize(populations, static_cast<int>(keptGenotypes.size()));
  for (int pop = 0; pop < populations; ++pop) {
    for (std::size_t k = 0; k < keptGenotypes.size(); ++k) {
      out.genotypes.at(pop + 1, static_cast<int>(k) + 1) =
          static_cast<std::int32_t>(sampled_[static_cast<std::size_t>(pop) * columns + keptGenotypes[k]]);
    }
  }
}

}  // namespace ortelan
