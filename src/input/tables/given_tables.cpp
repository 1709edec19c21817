#include "input/tables/given_tables.h"

#include "input/tables/genotype_counter.h"
#include "input/tables/locus_counts.h"
#include "input/data_warnings.h"

namespace ortelan {
namespace {

[[noreturn]] void refuse(RunContext& context, const std::string& what) { context.fault(0, "", what, what); }

// The genotypic test's tables, population by population as a reader
// counts them.
std::shared_ptr<const CountedTables> countGivenGenotypes(RunContext& context, DataSummary& data,
                                                         const GivenData& given) {
  const auto populations = static_cast<int>(given.populationLabels.size());
  auto tables = std::make_shared<CountedTables>(data.NUMBOFLOCI, kMaxGenotypes, 4);
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    const GivenGenotypes& genotypes = given.genotypes[static_cast<std::size_t>(locus - 1)];
    if (genotypes.counts.size() != given.populationLabels.size()) {
      refuse(context, "the genotypes of " + data.locusLabel(locus) + " do not match the populations");
    }
    for (const auto& [a, b] : genotypes.alleles) {
      if (a < 1 || b < a || b > data.ALLELES_PER_LOCUS[locus]) refuse(context, data.locusLabel(locus) + ": a genotype of alleles it does not have");
    }
    for (const auto& row : genotypes.counts) {
      if (row.size() != genotypes.alleles.size()) refuse(context, "the genotypes of " + data.locusLabel(locus) + " do not match their alleles");
      for (int count : row) {
        if (count < 0) refuse(context, data.locusLabel(locus) + ": a count below 0");
      }
    }
  }
  for (int pop = 1; pop <= populations; ++pop) {
    tables->beginPopulation(pop);
    for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
      const GivenGenotypes& genotypes = given.genotypes[static_cast<std::size_t>(locus - 1)];
      const auto& row = genotypes.counts[static_cast<std::size_t>(pop - 1)];
      for (std::size_t g = 0; g < row.size(); ++g) {
        if (row[g] > 0) {
          const auto [a, b] = genotypes.alleles[g];
          tables->add(locus, genotypeKey(a, b), static_cast<std::uint32_t>(row[g]));
        }
      }
    }
  }
  tables->finish(populations);
  return tables;
}

// The individuals' genes, checked against the tables.
std::shared_ptr<const IndividualGenotypes> givenIndividuals(RunContext& context, const DataSummary& data,
                                                            const GivenData& given) {
  const GivenIndividuals& individuals = *given.individuals;
  for (int pop : individuals.population) {
    if (pop < 1 || pop > data.NUMBPOPS) refuse(context, "an individual's population is not one of the populations");
  }
  if (individuals.genes.size() != static_cast<std::size_t>(data.NUMBOFLOCI)) {
    refuse(context, "the individuals' genotypes do not match the loci");
  }
  auto store = std::make_shared<IndividualGenotypes>(individuals.population);
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    const std::vector<std::uint8_t>& genes = individuals.genes[static_cast<std::size_t>(locus - 1)];
    const auto& rows = given.counts[static_cast<std::size_t>(locus - 1)];
    const std::size_t columns = rows.empty() || rows.front().empty() ? 0 : rows.front().size() - 1;
    if (genes.size() != 2 * individuals.population.size()) {
      refuse(context, "the individuals' genotypes at " + data.locusLabel(locus) + " do not match the individuals");
    }
    for (std::uint8_t gene : genes) {
      if (gene > columns) refuse(context, "an individual's allele at " + data.locusLabel(locus) + " is not a column of its table");
    }
    store->appendLocus(2, genes);
  }
  return store;
}

}  // namespace

DataTables countGivenTables(RunContext& context, DataSummary& data, const GivenData& given) {
  const auto populations = static_cast<int>(given.populationLabels.size());
  if (context.test == ExactTest::Genotypic && given.genotypes.empty()) {
    refuse(context, "the genotypic test needs each individual's genotypes, which counts of alleles do not hold");
  }
  if (!given.genotypes.empty() && given.genotypes.size() != given.locusNames.size()) {
    refuse(context, "the genotypes do not match the loci");
  }
  if (given.counts.size() != given.locusNames.size()) refuse(context, "the counts do not match the loci");
  data.TITLE_LINE = given.title;
  for (const std::string& name : given.locusNames) data.addLocus(name);
  data.NUMBPOPS = populations;
  data.populationLabels.assign(1, std::string());
  data.populationLabels.insert(data.populationLabels.end(), given.populationLabels.begin(),
                               given.populationLabels.end());
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    const auto& rows = given.counts[static_cast<std::size_t>(locus - 1)];
    if (rows.size() != given.populationLabels.size()) {
      refuse(context, "the counts of " + data.locusLabel(locus) + " do not match the populations");
    }
    for (const auto& row : rows) {
      if (row.size() > static_cast<std::size_t>(kMaxAlleles) + 1) tooManyAlleles(context, data, locus);
      for (int count : row) {
        if (count < 0) refuse(context, data.locusLabel(locus) + ": a count below 0");
      }
    }
  }
  // Population by population, as a reader counts them; the columns are the
  // keys, so they keep their order.
  auto tables = std::make_shared<CountedTables>(data.NUMBOFLOCI, kMaxAlleles);
  std::int64_t genesAtFirstLocus = 0;
  for (int pop = 1; pop <= populations; ++pop) {
    tables->beginPopulation(pop);
    for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
      const auto& row = given.counts[static_cast<std::size_t>(locus - 1)][static_cast<std::size_t>(pop - 1)];
      for (std::size_t column = 0; column < row.size(); ++column) {
        if (locus == 1) genesAtFirstLocus += row[column];
        if (column > 0 && row[column] > 0) {
          tables->add(locus, static_cast<std::uint32_t>(column), static_cast<std::uint32_t>(row[column]));
        }
      }
    }
  }
  tables->finish(populations);
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) data.ALLELES_PER_LOCUS[locus] = tables->columns(locus);
  data.TOTNUMBGENES = static_cast<std::int32_t>(genesAtFirstLocus);
  data.TOTNUMBINDIVIDUALS = (data.TOTNUMBGENES + 1) / 2;
  DataTables out{tables, given.genotypes.empty() ? nullptr : countGivenGenotypes(context, data, given), nullptr};
  if (given.individuals) out.individuals = givenIndividuals(context, data, given);
  return out;
}

}  // namespace ortelan
