// The tables that a reading of the data yields, whatever read them: a
// GENEPOP file, a VCF or BCF file, or the tables given from R.
#pragma once

#include <memory>

#include "input/tables/counted_tables.h"
#include "input/tables/individual_genotypes.h"
#include "run/run_state.h"

namespace ortelan {

// The tables a reading yields: the populations x alleles tables, and the
// populations x genotypes tables of the complete diploid genotypes (null
// where the data hold no genotypes: tables of alleles given from R).
struct DataTables {
  std::shared_ptr<const CountedTables> alleles;
  std::shared_ptr<const CountedTables> genotypes;
  // Every individual's genotype at every locus, where the run keeps them.
  std::shared_ptr<const IndividualGenotypes> individuals{};
};

// For the genotypic test alone: the genotypes of each locus in
// ALLELES_PER_LOCUS, and the populations typed there.
void countGenotypeColumns(DataSummary& data, const CountedTables& genotypes);

}  // namespace ortelan
