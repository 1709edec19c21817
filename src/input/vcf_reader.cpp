#include "input/vcf_reader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include "input/hts_handles.h"
#include "input/locus_counts.h"
#include "input/record_tally.h"
#include "input/sample_populations.h"
#include "input/site_identity.h"
#include "input/vcf_records.h"
#include "run/failure.h"

namespace ortelan {
namespace {

// Records between two reports of progress.
constexpr long kRecordsPerReport = 1024;

struct FreeBuffer {
  void operator()(std::int32_t* buffer) const { std::free(buffer); }
};

class VcfReading {
 public:
  VcfReading(RunContext& context, DataSummary& data, const std::string& path, const Popmap& map)
      : context_(context), data_(data), path_(path), map_(map), tally_(map.populations()) {}

  VcfData read(const std::vector<std::string>& regions) {
    const HtsFile file = openLocalFile(path_);
    if (!file) throw OneLineFault{"cannot open " + path_ + ": " + std::strerror(errno)};
    const htsFormat* format = hts_get_format(file.get());
    if (format->format != vcf && format->format != bcf) throw OneLineFault{path_ + ": not a VCF or BCF file"};
    // Decompression on a thread of its own, beside the parsing.
    if (format->compression == bgzf && context_.chainWorkers() > 1) hts_set_threads(file.get(), 1);
    header_.reset(bcf_hdr_read(file.get()));
    if (!header_) throw OneLineFault{path_ + ": the header cannot be read as a VCF header"};

    matchPopulations();
    VcfRecords records(file.get(), header_.get(), path_, regions);
    CountedTables tables = CountedTables::wholeLoci(largestCounts(), kMaxAlleles);
    auto sites = std::make_shared<std::vector<std::uint64_t>>(1, 0);
    data_.sites.assign(1, DataSummary::Site{});

    std::error_code error;
    const auto size = std::filesystem::file_size(path_, error);
    if (context_.meter != nullptr) context_.meter->start(error ? 0 : static_cast<long>(size), "read", WorkMeter::Unit::Bytes);
    std::uint64_t told = 0;
    const BcfRecord record(bcf_init());
    if (!record) throw std::bad_alloc();
    while (records.next(record.get())) {
      countRecord(record.get(), tables, *sites);
      if (data_.NUMBOFLOCI % kRecordsPerReport == 0) tell(records, told);
    }
    tell(records, told);

    data_.NUMBPOPS = map_.populations();
    data_.populationLabels = map_.labels();
    data_.TOTNUMBINDIVIDUALS = static_cast<std::int32_t>(counted_);
    // Counted at locus 1, as for GENEPOP files.
    data_.TOTNUMBGENES = data_.NUMBOFLOCI > 0 ? static_cast<std::int32_t>(counted_ * genesAtFirst_) : 0;
    data_.TITLE_LINE = std::filesystem::path(path_).filename().string() + " (" + (format->format == bcf ? "BCF" : "VCF") +
                       ", " + std::to_string(counted_) + (counted_ == 1 ? " sample" : " samples") + " in " +
                       std::to_string(map_.populations()) + (map_.populations() == 1 ? " population)" : " populations)");
    return {std::make_shared<const CountedTables>(std::move(tables)), std::move(sites)};
  }

 private:
  void matchPopulations() {
    std::vector<std::string> samples;
    for (int i = 0; i < bcf_hdr_nsamples(header_.get()); ++i) samples.emplace_back(header_->samples[i]);
    samples_ = matchSamples(samples, map_, path_);
    for (const std::string& note : samples_.notes) context_.diagnostic(note);
    requireSamplesInEveryPopulation(samples_, map_, path_);
    counted_ = samples_.counted;
  }

  // A population's count is at most two genes per sample.
  std::vector<std::uint32_t> largestCounts() const {
    std::vector<std::uint32_t> largest;
    for (std::uint32_t samples : samples_.samplesIn) largest.push_back(2 * samples);
    return largest;
  }

  void countRecord(bcf1_t* record, CountedTables& tables, std::vector<std::uint64_t>& sites) {
    bcf_unpack(record, BCF_UN_STR);
    const std::string chrom = bcf_seqname_safe(header_.get(), record);
    const std::int64_t pos = record->pos + 1;
    const std::string site = chrom + ":" + std::to_string(pos);
    if (record->n_allele > kMaxAlleles) {
      throw OneLineFault{path_ + ": " + site + ": " + std::to_string(record->n_allele) +
                         " alleles; the limit is 99 alleles per locus"};
    }
    const char* id = record->d.id;
    data_.addLocus(id == nullptr || std::strcmp(id, ".") == 0 || *id == '\0' ? site : std::string(id));
    alleles_.assign(record->d.allele, record->d.allele + record->n_allele);
    sites.push_back(siteIdentityOf(chrom, pos, alleles_.data(), alleles_.size()));
    data_.sites.push_back({chrom, pos});

    const int samples = bcf_hdr_nsamples(header_.get());
    std::int32_t* buffer = genotypes_.release();
    const int values = bcf_get_genotypes(header_.get(), record, &buffer, &capacity_);
    genotypes_.reset(buffer);
    if (values == -4) throw std::bad_alloc();
    if (values == -2) throw OneLineFault{path_ + ": " + site + ": the GT field is not a genotype"};
    // No GT field: a locus without alleles, left untested.
    const bool genotyped = values > 0 && samples > 0;
    const RecordTally::Problem problem = tally_.count(genotyped ? genotypes_.get() : nullptr, genotyped ? samples : 0,
                                                      genotyped ? values / samples : 0, record->n_allele,
                                                      samples_.populationOf);
    if (problem.kind == RecordTally::Problem::Kind::Polyploid) {
      throw OneLineFault{path_ + ": " + site + ": sample " + header_->samples[problem.sample] + " has a genotype of " +
                         std::to_string(problem.value) + " alleles; only haploid and diploid genotypes are read"};
    }
    if (problem.kind == RecordTally::Problem::Kind::UnknownAllele) {
      throw OneLineFault{path_ + ": " + site + ": sample " + header_->samples[problem.sample] + " has allele " +
                         std::to_string(problem.value) + ", beyond the record's " + std::to_string(record->n_allele) +
                         " alleles"};
    }
    tally_.table(keys_, table_);
    if (!tables.appendLocus(keys_, table_)) throw std::logic_error("a record's table does not fit its populations");
    data_.ALLELES_PER_LOCUS[static_cast<std::size_t>(data_.NUMBOFLOCI)] = static_cast<int>(keys_.size());
    if (data_.NUMBOFLOCI == 1) genesAtFirst_ = tally_.ploidy();
  }

  void tell(const VcfRecords& records, std::uint64_t& told) {
    const std::uint64_t bytes = records.bytesRead();
    context_.advance(bytes > told ? static_cast<long>(bytes - told) : 0);
    told = std::max(told, bytes);
  }

  RunContext& context_;
  DataSummary& data_;
  const std::string& path_;
  const Popmap& map_;
  BcfHeader header_;
  SamplePopulations samples_;
  long counted_ = 0;
  int genesAtFirst_ = 2;
  RecordTally tally_;
  std::unique_ptr<std::int32_t, FreeBuffer> genotypes_;
  int capacity_ = 0;
  std::vector<std::string_view> alleles_;
  std::vector<std::uint32_t> keys_;
  CountTable table_;
};

}  // namespace

bool isVariantFile(const std::string& path) {
  const HtsFile file = openLocalFile(path);
  if (!file) return false;
  const htsExactFormat format = hts_get_format(file.get())->format;
  return format == vcf || format == bcf;
}

VcfData readVcf(RunContext& context, DataSummary& data, const std::string& path, const Popmap& map,
                const std::vector<std::string>& regions) {
  return VcfReading(context, data, path, map).read(regions);
}

}  // namespace ortelan
