#include "input/vcf/vcf_reader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <stdexcept>

#include "input/tables/genotype_counter.h"
#include "input/vcf/hts_handles.h"
#include "input/tables/locus_counts.h"
#include "input/vcf/parallel_loci.h"
#include "input/vcf/record_locus.h"
#include "input/vcf/sample_populations.h"
#include "input/vcf/vcf_records.h"
#include "run/failure.h"

namespace ortelan {
namespace {

// Records between two reports of progress (and looks for an interruption):
// a record of many samples is a long line.
constexpr long kRecordsPerReport = 16;
// Threads that parse VCF text, at most.
constexpr int kMostParsers = 4;

class VcfReading {
 public:
  VcfReading(RunContext& context, DataSummary& data, const std::string& path, const Popmap& map)
      : context_(context), data_(data), path_(path), map_(map) {}

  VcfData read(const std::vector<std::string>& regions) {
    const HtsFile file = openLocalFile(path_);
    if (!file) throw OneLineFault{"cannot open " + path_ + ": " + std::strerror(errno)};
    const htsFormat* format = hts_get_format(file.get());
    if (format->format != vcf && format->format != bcf) throw OneLineFault{path_ + ": not a VCF or BCF file"};
    refuseUnreadableCompression(*format);
    const int threads = std::min(context_.chainWorkers(), kMostParsers);
    if (format->format == bcf) checkBcfHeaderLength(file.get(), path_);
    header_.reset(bcf_hdr_read(file.get()));
    if (!header_) throw OneLineFault{path_ + ": the header cannot be read as a VCF header"};
    // BCF: decompression on a thread of its own, beside the decoding; only
    // once the header is read, since htslib's reading threads may lose a
    // block of memory when the file ends in the middle of the first blocks
    // (and lose a little at any block they cannot decode). VCF text is
    // decompressed on this thread, its lines read and counted on others,
    // which leaves nothing for a thread of decompression to gain.
    if (format->format == bcf && format->compression == bgzf && threads > 1) hts_set_threads(file.get(), 1);

    matchPopulations();
    if (context_.keepGenotypes) keepGenotypes();
    VcfRecords records(file.get(), header_.get(), path_, regions);
    tables_.emplace(CountedTables::wholeLoci(largestCounts(2), kMaxAlleles));
    // The genotype tables are counted on every run; their columns stand in
    // ALLELES_PER_LOCUS for the genotypic test alone.
    genotypes_.emplace(CountedTables::wholeLoci(largestCounts(1), kMaxGenotypes));
    sites_ = std::make_shared<std::vector<std::uint64_t>>(1, 0);
    data_.sites.assign(1, DataSummary::Site{});

    countRecords(records, threads);
    summarise(format->format == bcf ? "BCF" : "VCF");
    VcfData out{std::make_shared<const CountedTables>(std::move(*tables_)), std::move(sites_), nullptr};
    // The genotypic test's columns take the place of ALLELES_PER_LOCUS
    // later, once the reading is done (app/analysis.cpp).
    out.genotypes = std::make_shared<const CountedTables>(std::move(*genotypes_));
    out.individuals = std::move(individuals_);
    return out;
  }

 private:
  // Every record into a locus, in file order: VCF text parsed on `threads`
  // threads, BCF records decoded on this one.
  void countRecords(VcfRecords& records, int threads) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path_, error);
    if (context_.meter != nullptr)
      context_.meter->start(error ? 0 : static_cast<long>(size), "read", WorkMeter::Unit::Bytes);
    const auto apply = [&](RecordLocus& locus) {
      append(locus);
      if (data_.NUMBOFLOCI % kRecordsPerReport == 0) tell(records);
    };
    if (records.text()) {
      ParallelLoci loci(threads > 1 ? threads : 0, header_.get(), path_, samples_.populationOf, map_.populations(),
                        true, apply, individuals_ != nullptr);
      for (;;) {
        bool more = false;
        try {
          more = records.nextLine();
        } catch (const OneLineFault&) {
          loci.finish();  // a fault in a record before comes first
          throw;
        }
        if (!more) break;
        loci.add(records.line());
      }
      loci.finish();
    } else {
      RecordCounter counter(header_.get(), path_, samples_.populationOf, map_.populations(), true,
                            individuals_ != nullptr);
      const BcfRecord record(bcf_init());
      if (!record) throw std::bad_alloc();
      RecordLocus locus;
      while (records.nextRecord(record.get())) {
        counter.count(record.get(), locus);
        apply(locus);
      }
    }
    tell(records);
  }

  // htslib opens a VCF file compressed with XZ (or the old RAZF) as VCF,
  // then ends the process at its first line.
  void refuseUnreadableCompression(const htsFormat& format) const {
    if (format.compression == no_compression || format.compression == gzip || format.compression == bgzf) return;
    const char* form = format.compression == xz_compression         ? "XZ"
                       : format.compression == razf_compression     ? "RAZF"
                       : format.compression == bzip2_compression    ? "bzip2"
                       : format.compression == zstd_compression     ? "Zstandard"
                                                                    : "an unknown form";
    throw OneLineFault{path_ + ": the file is compressed with " + form +
                       ", which is not read; decompress it, or compress it with bgzip"};
  }

  void summarise(const char* form) {
    data_.NUMBPOPS = map_.populations();
    data_.populationLabels = map_.labels();
    data_.TOTNUMBINDIVIDUALS = static_cast<std::int32_t>(samples_.counted);
    // Counted at locus 1, as for GENEPOP files.
    data_.TOTNUMBGENES = data_.NUMBOFLOCI > 0 ? static_cast<std::int32_t>(samples_.counted * genesAtFirst_) : 0;
    data_.TITLE_LINE = std::filesystem::path(path_).filename().string() + " (" + form + ", " +
                       std::to_string(samples_.counted) + (samples_.counted == 1 ? " sample" : " samples") + " in " +
                       std::to_string(map_.populations()) +
                       (map_.populations() == 1 ? " population)" : " populations)");
  }

  void matchPopulations() {
    std::vector<std::string> samples;
    for (int i = 0; i < bcf_hdr_nsamples(header_.get()); ++i) samples.emplace_back(header_->samples[i]);
    samples_ = matchSamples(samples, map_, path_);
    for (const std::string& note : samples_.notes) context_.diagnostic(note);
    requireSamplesInEveryPopulation(samples_, map_, path_);
  }

  // A population's count is at most two genes per sample, one genotype.
  std::vector<std::uint32_t> largestCounts(std::uint32_t perSample) const {
    std::vector<std::uint32_t> largest;
    for (std::uint32_t samples : samples_.samplesIn) largest.push_back(perSample * samples);
    return largest;
  }

  // The counted samples, in the file's order, become the individuals.
  void keepGenotypes() {
    std::vector<int> populationOf;
    for (std::size_t sample = 0; sample < samples_.populationOf.size(); ++sample) {
      if (samples_.populationOf[sample] == 0) continue;
      populationOf.push_back(samples_.populationOf[sample]);
      counted_.push_back(sample);
    }
    individuals_ = std::make_shared<IndividualGenotypes>(std::move(populationOf));
  }

  void append(const RecordLocus& locus) {
    if (individuals_) {
      genes_.clear();
      for (const std::size_t sample : counted_) {
        genes_.push_back(locus.sampleGenes[2 * sample]);
        genes_.push_back(locus.sampleGenes[2 * sample + 1]);
      }
      individuals_->appendLocus(locus.ploidy, genes_);
    }
    if (!tables_->appendLocus(locus.keys, locus.table) ||
        !genotypes_->appendLocus(locus.genotypeKeys, locus.genotypeTable)) {
      throw std::logic_error("a record's table does not fit its populations");
    }
    data_.addLocus(locus.name);
    data_.ALLELES_PER_LOCUS.back() = static_cast<int>(locus.keys.size());
    data_.ploidy.back() = static_cast<std::uint8_t>(locus.ploidy);
    data_.sites.push_back(locus.site);
    sites_->push_back(locus.identity);
    if (data_.NUMBOFLOCI == 1) genesAtFirst_ = locus.ploidy;
  }

  void tell(const VcfRecords& records) {
    const std::uint64_t bytes = records.bytesRead();
    context_.advance(bytes > told_ ? static_cast<long>(bytes - told_) : 0);
    told_ = std::max(told_, bytes);
  }

  RunContext& context_;
  DataSummary& data_;
  const std::string& path_;
  const Popmap& map_;
  BcfHeader header_;
  SamplePopulations samples_;
  std::optional<CountedTables> tables_;
  std::optional<CountedTables> genotypes_;
  std::shared_ptr<std::vector<std::uint64_t>> sites_;
  int genesAtFirst_ = 2;
  std::shared_ptr<IndividualGenotypes> individuals_;  // kept genes
  std::vector<std::size_t> counted_;                  // the samples of the map, in the file's order
  std::vector<std::uint8_t> genes_;
  std::uint64_t told_ = 0;
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
