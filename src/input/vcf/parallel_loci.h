// VCF text lines parsed and counted into loci on worker threads, a batch of
// lines at a time, while the calling thread reads on; the loci come back to
// the calling thread in file order. Reading the samples' genotypes from the
// text is most of the work of reading a VCF file.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "input/vcf/hts_handles.h"
#include "input/vcf/record_locus.h"
#include "run/failure.h"

namespace ortelan {

class ParallelLoci {
 public:
  using Apply = std::function<void(RecordLocus&)>;

  // `workers` threads (none: each batch of lines is parsed and applied on
  // the calling thread), each with its own copy of `header`. `apply` takes
  // each locus in file order, on the calling thread.
  // `genotypes`: the loci's genotype tables are counted too; `keepGenes`:
  // and each sample's genes (RecordLocus::sampleGenes).
  ParallelLoci(int workers, bcf_hdr_t* header, const std::string& path, const std::vector<int>& populationOf,
               int populations, bool genotypes, Apply apply, bool keepGenes = false);
  ~ParallelLoci();
  ParallelLoci(const ParallelLoci&) = delete;
  ParallelLoci& operator=(const ParallelLoci&) = delete;

  // Queues a copy of `line`; the loci of earlier lines may be applied
  // meanwhile. A fault of a record is thrown here, once the loci before it
  // are applied.
  void add(std::string_view line);
  // Applies every locus still pending.
  void finish();

 private:
  struct Batch {
    std::string text;  // the lines, each ended by '\0'
    std::vector<std::size_t> starts;
    std::vector<RecordLocus> loci;
    std::optional<OneLineFault> fault;  // at the record after the loci
    std::exception_ptr error;
    bool done = false;
  };
  // What a thread parses with.
  struct Parser {
    // With its own copy of `header`, or with `header` itself.
    Parser(bcf_hdr_t* header, bool copy, const ParallelLoci& owner);
    ~Parser();
    void run(Batch& batch);

    BcfHeader copied;
    bcf_hdr_t* header;
    BcfRecord record;
    RecordCounter counter;
    kstring_t line{0, 0, nullptr};
    const std::string& path;
  };

  void work(bcf_hdr_t* header);
  void stopWorkers();
  void submit();
  void applyOldest();

  const std::string& path_;
  const std::vector<int>& populationOf_;
  int populations_;
  bool genotypes_;
  bool keepGenes_;
  Apply apply_;
  std::unique_ptr<Parser> inline_;  // with no workers
  std::shared_ptr<Batch> filling_;
  std::deque<std::shared_ptr<Batch>> waiting_;  // not yet taken by a worker
  std::deque<std::shared_ptr<Batch>> pending_;  // not yet applied, in file order
  std::size_t mostPending_;
  std::mutex mutex_;
  std::condition_variable work_, done_;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace ortelan
