// What one VCF or BCF record gives the run: its locus's name, site and
// table, counted from the GT field of the samples of the population map.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "input/tables/count_table.h"
#include "input/vcf/hts_handles.h"
#include "input/vcf/genotype_text.h"
#include "input/vcf/record_tally.h"
#include "run/run_state.h"

namespace ortelan {

struct RecordLocus {
  std::string name;  // the record's ID, or CHROM:POS where it has none
  DataSummary::Site site;
  std::uint64_t identity = 0;  // siteIdentity of the site and its alleles
  std::vector<std::uint32_t> keys;
  CountTable table;
  int ploidy = 2;  // genes per sample (RecordTally::ploidy)
  // For the genotypic test: the complete diploid genotypes (genotypeKey of
  // their alleles' keys) and their populations x genotypes table.
  std::vector<std::uint32_t> genotypeKeys;
  CountTable genotypeTable;
  // When kept: two per sample of the file, each its allele's number from 1
  // (REF 1), 0 missing, 0xFF the absent second gene of a haploid genotype.
  std::vector<std::uint8_t> sampleGenes;
};

// Turns records into loci; one per thread, each with the header its records
// were parsed with.
class RecordCounter {
 public:
  // `populationOf`: per sample of the file, its population (0: left out);
  // `genotypes`: count the genotype tables too; `keepGenes`: keep each
  // sample's genes.
  RecordCounter(bcf_hdr_t* header, const std::string& path, const std::vector<int>& populationOf, int populations,
                bool genotypes = false, bool keepGenes = false);
  ~RecordCounter() { std::free(columns_.s); }
  RecordCounter(const RecordCounter&) = delete;
  RecordCounter& operator=(const RecordCounter&) = delete;

  // The locus of `record` into `locus`. A record of more than 99 alleles,
  // with a damaged GT field or with a genotype that cannot be counted is a
  // data fault.
  void count(bcf1_t* record, RecordLocus& locus);
  // The same for a VCF text line, parsed into `record` up to INFO by htslib
  // and its GT read from the text (GenotypeText): the same locus, and the
  // same faults, as htslib's parsing of the whole line would give. False,
  // with no locus, for a line of a form left to htslib (parseVcfLine, then
  // count()).
  bool countText(std::string_view line, bcf1_t* record, RecordLocus& locus);

 private:
  struct Free {
    void operator()(std::int32_t* buffer) const { std::free(buffer); }
  };

  [[noreturn]] void fault(const std::string& site, const std::string& what) const;
  // The record's name, site and identity into `locus`; its "chrom:pos".
  std::string describe(bcf1_t* record, RecordLocus& locus);
  const bcf_fmt_t* genotypeField(bcf1_t* record, const std::string& site) const;
  // `samples` genotypes of `perSample` values each (bcf_get_genotypes'
  // encoding) counted into `locus`.
  void tally(const std::int32_t* values, int samples, int perSample, int alleles, const std::string& site,
             RecordLocus& locus);
  // The samples' genes of `values` (as tally() takes them) into `locus`.
  void keepGenesOf(const std::int32_t* values, int samples, int perSample, RecordLocus& locus) const;

  bcf_hdr_t* header_;  // htslib adds the contigs and tags a line has undeclared
  const std::string& path_;
  const std::vector<int>& populationOf_;
  RecordTally tally_;
  bool genotypes_;
  bool keepGenes_;
  std::unique_ptr<std::int32_t, Free> values_;
  int capacity_ = 0;
  std::vector<std::string_view> alleles_;
  GenotypeText text_;
  kstring_t columns_{0, 0, nullptr};  // a line's CHROM to INFO, for htslib to parse
  GenotypeTableCounter genotypeCounter_;
};

}  // namespace ortelan
