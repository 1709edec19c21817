// The reading of VCF and BCF files (plain, bgzip-compressed or binary, as
// htslib tells from their content) with a population map: every record is
// a locus, its alleles REF, ALT1, ALT2 ... the column keys 1, 2, 3 ...; its
// table counts the genes in the GT field of the samples of the map, and
// only the alleles they carry are columns. The names, the numbers of loci,
// populations and samples and the alleles per locus go to the run state,
// with each locus's site; the tables stay in memory for the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "input/tables/counted_tables.h"
#include "input/tables/individual_genotypes.h"
#include "input/vcf/popmap.h"
#include "run/run.h"

namespace ortelan {

// Whether `path` is a VCF or BCF file by its content; false for any other
// file and for one that cannot be opened.
bool isVariantFile(const std::string& path);

struct VcfData {
  std::shared_ptr<const CountedTables> tables;
  // Per locus from 1: its site's identity (siteIdentity), for keyed seeds.
  std::shared_ptr<const std::vector<std::uint64_t>> sites;
  // The populations x genotypes tables of the complete diploid genotypes
  // (whose columns stand in ALLELES_PER_LOCUS for the genotypic test).
  std::shared_ptr<const CountedTables> genotypes;
  // Every counted sample's genes at every locus, where the run keeps them
  // (RunContext::keepGenotypes).
  std::shared_ptr<const IndividualGenotypes> individuals{};
};

// Reads the records of `path` (those in `regions` alone, when given: see
// VcfRecords) and counts their tables for the populations of `map`. Notes on
// samples found on one side only go to the diagnostic stream; a fault ends
// the run with one line.
VcfData readVcf(RunContext& context, DataSummary& data, const std::string& path, const Popmap& map,
                const std::vector<std::string>& regions = {});

}  // namespace ortelan
