// The tables that a reading of the data yields, whatever read them: a
// GENEPOP file, a VCF or BCF file, or the tables given from R.
#pragma once

#include <memory>

#include "input/tables/counted_tables.h"
#include "run/run_state.h"

namespace ortelan {

// The tables a reading yields: the populations x alleles tables, and for
// the genotypic test the populations x genotypes tables (whose columns then
// stand in ALLELES_PER_LOCUS, with the populations typed at each locus in
// populationsTyped).
struct DataTables {
  std::shared_ptr<const CountedTables> alleles;
  std::shared_ptr<const CountedTables> genotypes;
};

// For the genotypic test: the genotypes of each locus in ALLELES_PER_LOCUS,
// and the populations typed there.
void countGenotypeColumns(DataSummary& data, const CountedTables& genotypes);

}  // namespace ortelan
