#include "power/power_design.h"

#include <algorithm>

#include "run/failure.h"

namespace ortelan {

std::vector<PowerTarget> powerTargets(std::vector<double> fst, std::int64_t ne) {
  fst.push_back(0);
  std::sort(fst.begin(), fst.end());
  fst.erase(std::unique(fst.begin(), fst.end()), fst.end());
  std::vector<PowerTarget> targets;
  for (double f : fst) {
    const std::int64_t t = generationsFor(f, ne);
    targets.push_back({f, t, expectedFst(ne, t)});
  }
  return targets;
}

std::string leftOutLoci(const DataSummary& data, const std::vector<int>& loci) {
  std::string text;
  for (int locus : loci) {
    if (!text.empty()) text += ", ";
    text += std::to_string(locus) + " (" + std::string(trimBlanks(data.LOCUSNAME[static_cast<std::size_t>(locus)])) + ")";
  }
  return text;
}

PowerDesign powerDesign(const DataSummary& data, const DataTables& tables, std::int64_t ne,
                        const std::vector<double>& fst, const std::optional<std::vector<std::int64_t>>& sizes) {
  PowerDesign design;
  design.populations = data.NUMBPOPS;
  design.ne = ne;
  design.targets = powerTargets(fst, ne);
  design.sizesFromData = !sizes;
  if (data.NUMBPOPS < 2) {
    throw OneLineFault{"the data hold a single population; the tests need two or more", kFaultStatus};
  }
  if (sizes && sizes->size() != 1 && sizes->size() != static_cast<std::size_t>(data.NUMBPOPS)) {
    throw OneLineFault{"--sizes gives " + std::to_string(sizes->size()) + " sizes, and the data hold " +
                           std::to_string(data.NUMBPOPS) + " populations: give one size, or one per population",
                       kUsageStatus};
  }
  CountedTables::Reader alleles(*tables.alleles);
  std::optional<CountedTables::Reader> genotypes;
  if (tables.genotypes) genotypes.emplace(*tables.genotypes);
  CountTable table, genotypeTable;
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    if (!data.isInRun(I)) continue;
    alleles.read(I, table);
    PowerLocus locus;
    locus.locus = I;
    locus.genesPerIndividual = data.ploidy.size() > static_cast<std::size_t>(I) && data.ploidy[static_cast<std::size_t>(I)] == 1 ? 1 : 2;
    std::vector<std::int64_t> pooled(static_cast<std::size_t>(table.columns), 0);
    std::int64_t genes = 0;
    for (int pop = 1; pop <= table.rows; ++pop) {
      for (int a = 1; a <= table.columns; ++a) {
        pooled[static_cast<std::size_t>(a - 1)] += table.at(pop, a);
        genes += table.at(pop, a);
      }
    }
    for (std::int64_t count : pooled) {
      if (count > 0) locus.base.push_back(static_cast<double>(count) / static_cast<double>(genes));
    }
    if (locus.base.size() < 2) {
      design.leftOut.push_back(I);
      continue;
    }
    // Individuals typed in each population: complete genotypes of a diploid
    // locus, genes of a haploid one (or half the genes, where the data hold
    // no genotypes).
    const bool fromGenotypes = genotypes && locus.genesPerIndividual == 2;
    if (fromGenotypes) genotypes->read(I, genotypeTable);
    for (int pop = 1; pop <= data.NUMBPOPS; ++pop) {
      std::int64_t typed = 0;
      if (sizes) {
        typed = sizes->size() == 1 ? sizes->front() : (*sizes)[static_cast<std::size_t>(pop - 1)];
      } else if (fromGenotypes) {
        for (int g = 1; g <= genotypeTable.columns; ++g) typed += genotypeTable.at(pop, g);
      } else {
        for (int a = 1; a <= table.columns; ++a) typed += table.at(pop, a);
        typed /= locus.genesPerIndividual;
      }
      locus.sizes.push_back(typed);
    }
    design.loci.push_back(std::move(locus));
  }
  if (design.loci.empty()) {
    throw OneLineFault{"no locus of the run has two alleles or more in the pooled populations: nothing to simulate",
                       kFaultStatus};
  }
  return design;
}

}  // namespace ortelan
