#include "input/vcf/parallel_loci.h"

#include <cstdlib>
#include <new>

#include "input/vcf/vcf_records.h"

namespace ortelan {
namespace {

// Lines per batch, and the text that ends a batch sooner.
constexpr std::size_t kBatchLines = 64;
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

}  // namespace

ParallelLoci::Parser::Parser(bcf_hdr_t* shared, bool copy, const ParallelLoci& owner)
    : copied(copy ? bcf_hdr_dup(shared) : nullptr),
      header(copy ? copied.get() : shared),
      record(bcf_init()),
      counter(header, owner.path_, owner.populationOf_, owner.populations_, owner.genotypes_, owner.keepGenes_),
      path(owner.path_) {
  if (header == nullptr || !record) throw std::bad_alloc();
}

ParallelLoci::Parser::~Parser() { std::free(line.s); }

void ParallelLoci::Parser::run(Batch& batch) {
  try {
    for (std::size_t i = 0; i < batch.starts.size(); ++i) {
      const std::size_t start = batch.starts[i];
      const std::size_t end = i + 1 < batch.starts.size() ? batch.starts[i + 1] - 1 : batch.text.size() - 1;
      RecordLocus locus;
      if (!counter.countText(std::string_view(batch.text).substr(start, end - start), record.get(), locus)) {
        parseVcfLine(std::string_view(batch.text).substr(start, end - start), line, header, record.get(), path);
        counter.count(record.get(), locus);
      }
      batch.loci.push_back(std::move(locus));
    }
  } catch (const OneLineFault& fault) {
    batch.fault = fault;
  } catch (...) {
    batch.error = std::current_exception();
  }
}

ParallelLoci::ParallelLoci(int workers, bcf_hdr_t* header, const std::string& path,
                           const std::vector<int>& populationOf, int populations, bool genotypes, Apply apply,
                           bool keepGenes)
    : path_(path),
      populationOf_(populationOf),
      populations_(populations),
      genotypes_(genotypes),
      keepGenes_(keepGenes),
      apply_(std::move(apply)),
      mostPending_(2 * static_cast<std::size_t>(workers) + 1) {
  // A header that htslib read but cannot copy (it writes it out and reads
  // that again) is parsed with on this thread alone.
  if (workers > 0 && !BcfHeader(bcf_hdr_dup(header))) workers = 0;
  if (workers <= 0) {
    inline_ = std::make_unique<Parser>(header, false, *this);
    return;
  }
  try {
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this, header] { work(header); });
  } catch (...) {
    stopWorkers();
    throw;
  }
}

ParallelLoci::~ParallelLoci() { stopWorkers(); }

void ParallelLoci::stopWorkers() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
}

void ParallelLoci::work(bcf_hdr_t* header) {
  std::unique_ptr<Parser> parser;
  for (;;) {
    std::shared_ptr<Batch> batch;
    {
      std::unique_lock lock(mutex_);
      work_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
      if (stop_) return;
      batch = std::move(waiting_.front());
      waiting_.pop_front();
    }
    try {
      if (!parser) parser = std::make_unique<Parser>(header, true, *this);
      parser->run(*batch);
    } catch (...) {
      batch->error = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      batch->done = true;
    }
    done_.notify_all();
  }
}

void ParallelLoci::add(std::string_view line) {
  if (!filling_) filling_ = std::make_shared<Batch>();
  filling_->starts.push_back(filling_->text.size());
  filling_->text.append(line).push_back('\0');
  if (filling_->starts.size() >= kBatchLines || filling_->text.size() >= kBatchBytes) submit();
}

void ParallelLoci::submit() {
  std::shared_ptr<Batch> batch = std::move(filling_);
  if (inline_) {
    inline_->run(*batch);
    batch->done = true;
    pending_.push_back(std::move(batch));
    applyOldest();
    return;
  }
  {
    std::lock_guard lock(mutex_);
    waiting_.push_back(batch);
  }
  work_.notify_one();
  pending_.push_back(std::move(batch));
  while (pending_.size() > mostPending_) applyOldest();
}

void ParallelLoci::applyOldest() {
  std::shared_ptr<Batch> batch = std::move(pending_.front());
  pending_.pop_front();
  {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return batch->done; });
  }
  for (RecordLocus& locus : batch->loci) apply_(locus);
  if (batch->fault) throw *batch->fault;
  if (batch->error) std::rethrow_exception(batch->error);
}

void ParallelLoci::finish() {
  if (filling_) submit();
  while (!pending_.empty()) applyOldest();
}

}  // namespace ortelan
