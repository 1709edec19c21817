#include "input/vcf/record_locus.h"

#include <htslib/kstring.h>

#include <climits>
#include <cstring>
#include <new>

#include "input/tables/locus_counts.h"
#include "input/vcf/numeric_fields.h"
#include "input/vcf/vcf_records.h"
#include "input/vcf/site_identity.h"
#include "run/failure.h"

namespace ortelan {

RecordCounter::RecordCounter(bcf_hdr_t* header, const std::string& path, const std::vector<int>& populationOf,
                             int populations, bool genotypes, bool keepGenes)
    : header_(header),
      path_(path),
      populationOf_(populationOf),
      tally_(populations),
      genotypes_(genotypes),
      keepGenes_(keepGenes),
      text_(header) {
  text_.keepGenes(keepGenes);
  // htslib parses a line's FORMAT fields in working space of the header's,
  // and takes a line whose fields are all empty for a failed allocation
  // while no line before has made that space: made here, so that such a
  // line reads the same wherever it stands and on whatever thread.
  if (header_->mem.m == 0 && ks_resize(&header_->mem, 256) < 0) throw std::bad_alloc();
}

void RecordCounter::fault(const std::string& site, const std::string& what) const {
  throw OneLineFault{path_ + ": " + site + ": " + what};
}

// The GT field of `record`, checked so that htslib can decode it: null when
// the header or the record has none. htslib decodes a GT stored as anything
// but integers by ending the process, and reads as many samples as the
// header names, whatever the record holds.
const bcf_fmt_t* RecordCounter::genotypeField(bcf1_t* record, const std::string& site) const {
  const int id = bcf_hdr_id2int(header_, BCF_DT_ID, "GT");
  if (!bcf_hdr_idinfo_exists(header_, BCF_HL_FMT, id)) return nullptr;
  if (bcf_hdr_id2type(header_, BCF_HL_FMT, id) != BCF_HT_STR) fault(site, "the GT field is not a genotype");
  const int samples = bcf_hdr_nsamples(header_);
  if (samples == 0) return nullptr;
  const bcf_fmt_t* gt = bcf_get_fmt_id(record, id);
  if (gt == nullptr) return nullptr;
  switch (gt->type) {
    case BCF_BT_INT8:
    case BCF_BT_INT16:
    case BCF_BT_INT32:
      break;
    case BCF_BT_CHAR:
      fault(site, "the GT field holds characters, not allele numbers");
    case BCF_BT_FLOAT:
      fault(site, "the GT field holds reals, not allele numbers");
    default:
      fault(site, "the GT field holds no values");
  }
  if (gt->n < 1) fault(site, "the GT field holds no values");
  if (static_cast<int>(record->n_sample) != samples) {
    fault(site, "the record holds genotypes of " + std::to_string(record->n_sample) +
                    (record->n_sample == 1 ? " sample" : " samples") + " where the header names " +
                    std::to_string(samples));
  }
  if (static_cast<std::int64_t>(gt->n) * samples > INT_MAX / static_cast<int>(sizeof(std::int32_t))) {
    fault(site, "the GT field holds " + std::to_string(gt->n) + " values per sample; the limit is 2");
  }
  return gt;
}

std::string RecordCounter::describe(bcf1_t* record, RecordLocus& locus) {
  locus.site = {bcf_seqname_safe(header_, record), record->pos + 1};
  std::string site = locus.site.chrom + ":" + std::to_string(locus.site.pos);
  if (bcf_unpack(record, BCF_UN_STR) != 0 || record->n_allele < 1) fault(site, "the record is damaged");
  if (record->n_allele > kMaxAlleles) {
    fault(site, std::to_string(record->n_allele) + " alleles; the limit is 99 alleles per locus");
  }
  const char* id = record->d.id;
  locus.name = id == nullptr || *id == '\0' || std::strcmp(id, ".") == 0 ? site : std::string(id);
  alleles_.assign(record->d.allele, record->d.allele + record->n_allele);
  locus.identity = siteIdentityOf(locus.site.chrom, locus.site.pos, alleles_.data(), alleles_.size());
  return site;
}

void RecordCounter::count(bcf1_t* record, RecordLocus& locus) {
  const std::string site = describe(record, locus);
  const int samples = bcf_hdr_nsamples(header_);
  int values = 0;
  if (genotypeField(record, site) != nullptr) {
    std::int32_t* buffer = values_.release();
    values = bcf_get_genotypes(header_, record, &buffer, &capacity_);
    values_.reset(buffer);
    if (values == -4) throw std::bad_alloc();
    if (values < 0) fault(site, "the GT field is damaged");
  }
  // No GT field: a locus without alleles, left untested.
  const bool genotyped = values > 0 && samples > 0;
  tally(genotyped ? values_.get() : nullptr, genotyped ? samples : 0, genotyped ? values / samples : 0, record->n_allele,
        site, locus);
}

bool RecordCounter::countText(std::string_view line, bcf1_t* record, RecordLocus& locus) {
  // The columns up to the first sample's.
  std::size_t tabs[9];
  std::size_t found = 0;
  for (std::size_t at = 0; found < 9; ++found, ++at) {
    at = line.find('\t', at);
    if (at == std::string_view::npos) return false;
    tabs[found] = at;
  }
  if (line.find('\0') != std::string_view::npos) return false;
  // CHROM to INFO first, as htslib parses a whole line: their fault is the
  // line's, whatever its samples hold.
  columns_.l = 0;
  if (kputsn(line.data(), tabs[7], &columns_) < 0) throw std::bad_alloc();
  parseVcfColumns(columns_, header_, record, path_);
  const int alleles = record->n_allele;
  if (!text_.read(line.substr(tabs[7] + 1, tabs[8] - tabs[7] - 1), line.substr(tabs[8] + 1), alleles, populationOf_,
                  tally_.populations())) {
    return false;
  }
  const std::string site = describe(record, locus);
  if (alleles > GenotypeText::kCountedAlleles) {
    tally(text_.values(), bcf_hdr_nsamples(header_), 2, alleles, site, locus);
    return true;
  }
  if (keepGenes_) locus.sampleGenes.swap(text_.sampleGenes());
  tally_.take(text_.genes(), alleles, text_.haploid(), text_.diploid());
  tally_.table(locus.keys, locus.table);
  locus.ploidy = tally_.ploidy();
  if (genotypes_) {
    genotypeCounter_.fromCells(text_.genotypes(), alleles, tally_.populations(), locus.genotypeKeys,
                               locus.genotypeTable);
  }
  return true;
}

void RecordCounter::keepGenesOf(const std::int32_t* values, int samples, int perSample, RecordLocus& locus) const {
  const int all = bcf_hdr_nsamples(header_);
  locus.sampleGenes.assign(2 * static_cast<std::size_t>(all), 0);  // no GT field: every gene missing
  for (int sample = 0; sample < samples; ++sample) {
    for (int k = 0; k < 2; ++k) {
      std::uint8_t& gene = locus.sampleGenes[2 * static_cast<std::size_t>(sample) + static_cast<std::size_t>(k)];
      if (k >= perSample) {
        gene = 0xFF;
        continue;
      }
      const std::int32_t value = values[static_cast<std::size_t>(sample) * static_cast<std::size_t>(perSample) +
                                        static_cast<std::size_t>(k)];
      if (value == bcf_int32_vector_end) {
        gene = 0xFF;
      } else if (!bcf_gt_is_missing(value)) {
        gene = static_cast<std::uint8_t>(bcf_gt_allele(value) + 1);
      }
    }
  }
}

void RecordCounter::tally(const std::int32_t* values, int samples, int perSample, int alleles, const std::string& site,
                          RecordLocus& locus) {
  const RecordTally::Problem problem = tally_.count(values, samples, perSample, alleles, populationOf_);
  const std::string sample =
      problem.kind == RecordTally::Problem::Kind::None ? "" : sampleName(header_, problem.sample);
  if (problem.kind == RecordTally::Problem::Kind::Polyploid) {
    fault(site, "sample " + sample + " has a genotype of " + std::to_string(problem.value) +
                    " alleles; only haploid and diploid genotypes are read");
  }
  if (problem.kind == RecordTally::Problem::Kind::UnknownAllele) {
    fault(site, "sample " + sample + " has allele " + std::to_string(problem.value) + ", beyond the record's " +
                    std::to_string(alleles) + " alleles");
  }
  tally_.table(locus.keys, locus.table);
  locus.ploidy = tally_.ploidy();
  if (keepGenes_) keepGenesOf(values, samples, perSample, locus);
  if (genotypes_) {
    genotypeCounter_.count(values, samples, perSample, alleles, populationOf_, tally_.populations(), locus.genotypeKeys,
                           locus.genotypeTable);
  }
}

}  // namespace ortelan
