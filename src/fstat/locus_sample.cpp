#include "fstat/locus_sample.h"

namespace ortelan {

void LocusSample::clear(int rows, int columns, int genesEach) {
  genesPerIndividual = genesEach;
  populations = rows;
  alleles = columns;
  typed.assign(static_cast<std::size_t>(rows), 0);
  genes.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), 0);
  heterozygotes.assign(genes.size(), 0);
}

void LocusSample::fromGenotypes(const CountTable& table, const std::vector<std::uint32_t>& keys) {
  // Each genotype's two alleles, among the alleles of the genotypes present.
  if (keys != keys_ || columns_.empty()) {
    columns_ = genotypeColumnsOf(keys, alleleColumns_);
    keys_ = keys;
  }
  const std::vector<GenotypeAlleles>& columns = columns_;
  clear(table.rows, alleleColumns_, 2);
  for (int column = 1; column <= table.columns; ++column) {
    const int first = columns[static_cast<std::size_t>(column - 1)].a - 1;
    const int second = columns[static_cast<std::size_t>(column - 1)].b - 1;
    for (int pop = 0; pop < table.rows; ++pop) {
      const std::int64_t individuals = table.at(pop + 1, column);
      typed[static_cast<std::size_t>(pop)] += individuals;
      genes[place(pop, first)] += individuals;
      genes[place(pop, second)] += individuals;
      if (first != second) {
        heterozygotes[place(pop, first)] += individuals;
        heterozygotes[place(pop, second)] += individuals;
      }
    }
  }
}

void LocusSample::fromAlleles(const CountTable& table) {
  clear(table.rows, table.columns, 1);
  for (int pop = 0; pop < table.rows; ++pop) {
    for (int column = 1; column <= table.columns; ++column) {
      const std::int64_t count = table.at(pop + 1, column);
      genes[place(pop, column - 1)] = count;
      typed[static_cast<std::size_t>(pop)] += count;
    }
  }
}

}  // namespace ortelan
