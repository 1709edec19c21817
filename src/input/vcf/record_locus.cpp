#include "input/vcf/record_locus.h"

#include <cstring>
#include <new>

#include "input/tables/locus_counts.h"
#include "input/vcf/site_identity.h"
#include "run/failure.h"

namespace ortelan {

void RecordCounter::fault(const std::string& site, const std::string& what) const {
  throw OneLineFault{path_ + ": " + site + ": " + what};
}

void RecordCounter::count(bcf1_t* record, RecordLocus& locus) {
  bcf_unpack(record, BCF_UN_STR);
  locus.site = {bcf_seqname_safe(header_, record), record->pos + 1};
  const std::string site = locus.site.chrom + ":" + std::to_string(locus.site.pos);
  if (record->n_allele > kMaxAlleles) {
    fault(site, std::to_string(record->n_allele) + " alleles; the limit is 99 alleles per locus");
  }
  const char* id = record->d.id;
  locus.name = id == nullptr || *id == '\0' || std::strcmp(id, ".") == 0 ? site : std::string(id);
  alleles_.assign(record->d.allele, record->d.allele + record->n_allele);
  locus.identity = siteIdentityOf(locus.site.chrom, locus.site.pos, alleles_.data(), alleles_.size());

  const int samples = bcf_hdr_nsamples(header_);
  std::int32_t* buffer = values_.release();
  const int values = bcf_get_genotypes(header_, record, &buffer, &capacity_);
  values_.reset(buffer);
  if (values == -4) throw std::bad_alloc();
  if (values == -2) fault(site, "the GT field is not a genotype");
  // No GT field: a locus without alleles, left untested.
  const bool genotyped = values > 0 && samples > 0;
  const RecordTally::Problem problem = tally_.count(genotyped ? values_.get() : nullptr, genotyped ? samples : 0,
                                                    genotyped ? values / samples : 0, record->n_allele, populationOf_);
  const std::string sample = problem.kind == RecordTally::Problem::Kind::None ? "" : header_->samples[problem.sample];
  if (problem.kind == RecordTally::Problem::Kind::Polyploid) {
    fault(site, "sample " + sample + " has a genotype of " + std::to_string(problem.value) +
                    " alleles; only haploid and diploid genotypes are read");
  }
  if (problem.kind == RecordTally::Problem::Kind::UnknownAllele) {
    fault(site, "sample " + sample + " has allele " + std::to_string(problem.value) + ", beyond the record's " +
                    std::to_string(record->n_allele) + " alleles");
  }
  tally_.table(locus.keys, locus.table);
  locus.ploidy = tally_.ploidy();
  if (genotypes_) {
    countGenotypes(genotyped ? values_.get() : nullptr, genotyped ? samples : 0, genotyped ? values / samples : 0,
                   populationOf_, tally_.populations(), locus.genotypeKeys, locus.genotypeTable);
  }
}

}  // namespace ortelan
