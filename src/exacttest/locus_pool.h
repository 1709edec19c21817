// Walks the chains of loci on all the cores the process may use. The loci
// are handed over in locus order by the thread that loads them (so every
// message and stop of the loading comes as in one thread); each chain is
// independent, with its own seeds, so its estimate is the same whichever
// thread walks it. At most one locus per worker is waiting or walking, so
// the progress line follows the walks; unless short walks are handed over
// together, so that a worker takes many at a time instead of waiting to be
// woken for each.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "exacttest/chain.h"
#include "exacttest/drawn_estimate.h"
#include "exacttest/enumeration.h"
#include "exacttest/genotypic_chain.h"
#include "exacttest/locus_estimate.h"
#include "exacttest/ranmar.h"
#include "exacttest/table_loader.h"

namespace ortelan {

// Bundles of walks worth about this many chain steps (a few milliseconds)
// keep the workers busy when the walks are short.
inline constexpr std::int64_t kBundleSteps = std::int64_t{1} << 20;

// Where the P-value of a loaded table comes from: every table listed where
// that is less work than its walk; else independent tables, or the walk.
inline PMethod methodFor(const LoadedTable& table) {
  if (table.mayEnumerate && enumerationIsCheaper(table.MM, table.chainSteps())) return PMethod::Exact;
  return table.sampling.sampler == SamplerKind::Independent ? PMethod::Sampled : PMethod::Chain;
}

// The estimate of one loaded table, from where methodFor says: independent
// tables go on to the far tail where few of them are as extreme
// (drawn_estimate.h). A drawing or walk ends early once `stop` is set.
template <class Real>
LocusEstimate<Real> walkLoadedTable(LoadedTable& table, ChainWorkspace& workspace, const std::atomic<bool>* stop) {
  const PMethod method = methodFor(table);
  if (method == PMethod::Exact) {
    const Real P = enumeratedP<Real>(table.MM, table.enumerationOrder(), workspace);
    return {P, Real(0), PMethod::Exact, P, P};
  }
  Ranmar generator;
  generator.MAKE_RANDOM(table.UU[0], table.UU[1], table.UU[2], table.UU[3]);
  if (method == PMethod::Sampled) return drawnEstimate<Real>(table, generator, workspace, stop);
  ChainEstimate<Real> estimate;
  if (!table.genotypeColumns.empty()) {
    estimate = genotypicCHAINE<Real>(table.MM, table.genotypeColumns, table.alleleColumns, table.MEM, table.B, table.C,
                                     generator, &workspace, stop);
  } else {
    estimate = CHAINE<Real>(table.MM, table.MEM, table.B, table.C, generator, &workspace, stop, table.ordering);
  }
  return {estimate.HM, estimate.HECA};
}

template <class Real>
class LocusPool {
 public:
  // Estimates go to estimates[locus]. With one worker the chains are walked
  // by the calling thread, unless `neverInline` (the caller then keeps
  // control while a long walk goes on). Up to `waiting` more chains (or
  // bundles of chains) may wait for a worker, so that short walks never
  // leave one idle. With `bundleSteps`, chains are handed over in bundles of
  // about that many chain steps.
  LocusPool(int workers, std::vector<LocusEstimate<Real>>& estimates, int waiting = 0, bool neverInline = false,
            std::int64_t bundleSteps = 0)
      : estimates_(estimates), bundleSteps_(bundleSteps) {
    if (workers > 1 || neverInline) {
      for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
    }
    capacity_ = std::max(workers, 1) + std::max(waiting, 0);
  }

  // Stops the walks still going (the run has ended) and joins the workers.
  ~LocusPool() {
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    stop_ = true;
    ready_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  LocusPool(const LocusPool&) = delete;
  LocusPool& operator=(const LocusPool&) = delete;

  // Walks the chain of `locus` on its loaded table, waiting first while
  // every worker has a locus; while it waits, `whileWaiting` is called now
  // and then from this thread (it may throw to end the run).
  void walk(int locus, LoadedTable&& table, const std::function<void()>& whileWaiting = {}) {
    if (threads_.empty()) {
      estimates_[static_cast<std::size_t>(locus)] = walkOne(table, inlineWorkspace_);
      finished_.fetch_add(1, std::memory_order_relaxed);
      return;
    }
    // Setting up a walk costs about as much as this many steps. A 2 x 2
    // table is listed in at most half its genes.
    constexpr std::int64_t kSetUpSteps = 1000;
    const bool listed = table.mayEnumerate && table.MM.rows == 2 && table.MM.columns == 2;
    const std::int64_t genes = listed ? std::int64_t{table.MM.at(1, 1)} + table.MM.at(1, 2) + table.MM.at(2, 1) +
                                            table.MM.at(2, 2)
                                      : 0;
    bundledSteps_ += (listed ? genes / 2 : table.chainSteps()) + kSetUpSteps;
    bundle_.push_back({locus, std::move(table)});
    if (bundledSteps_ >= bundleSteps_) handOver(whileWaiting);
  }

  // Waits for every walk handed over; rethrows what a worker met. While it
  // waits, `whileWaiting` is called now and then from this thread.
  void finish(const std::function<void()>& whileWaiting = {}) {
    if (!bundle_.empty()) handOver(whileWaiting);
    std::unique_lock lock(mutex_);
    while (!space_.wait_for(lock, std::chrono::milliseconds(200), [this] { return inFlight_ == 0; })) {
      if (whileWaiting) {
        lock.unlock();
        whileWaiting();
        lock.lock();
      }
    }
    if (failure_) std::rethrow_exception(failure_);
  }

  // Walks ended so far.
  long finished() const { return finished_.load(std::memory_order_relaxed); }

 private:
  struct Job {
    int locus;
    LoadedTable table;
  };
  using Bundle = std::vector<Job>;

  // Hands the bundle to the workers, waiting first while every worker has one.
  void handOver(const std::function<void()>& whileWaiting) {
    std::unique_lock lock(mutex_);
    while (!space_.wait_for(lock, std::chrono::milliseconds(200), [this] { return inFlight_ < capacity_; })) {
      if (whileWaiting) {
        lock.unlock();
        whileWaiting();
        lock.lock();
      }
    }
    ++inFlight_;
    jobs_.push_back(std::move(bundle_));
    bundle_ = {};
    bundledSteps_ = 0;
    ready_.notify_one();
  }

  LocusEstimate<Real> walkOne(LoadedTable& table, ChainWorkspace& workspace) {
    return walkLoadedTable<Real>(table, workspace, &stop_);
  }

  void work() {
    ChainWorkspace workspace;
    for (;;) {
      Bundle bundle;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        bundle = std::move(jobs_.front());
        jobs_.pop_front();
      }
      for (Job& job : bundle) {
        try {
          estimates_[static_cast<std::size_t>(job.locus)] = walkOne(job.table, workspace);
        } catch (...) {
          std::lock_guard lock(mutex_);
          if (!failure_) failure_ = std::current_exception();
        }
        finished_.fetch_add(1, std::memory_order_relaxed);
      }
      {
        std::lock_guard lock(mutex_);
        --inFlight_;
      }
      space_.notify_all();
    }
  }

  std::vector<LocusEstimate<Real>>& estimates_;
  ChainWorkspace inlineWorkspace_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable ready_;  // a job is waiting, or the pool closes
  std::condition_variable space_;  // a walk has ended
  std::deque<Bundle> jobs_;
  Bundle bundle_;  // walks not yet handed over
  std::int64_t bundleSteps_ = 0;
  std::int64_t bundledSteps_ = 0;
  int capacity_ = 1;
  int inFlight_ = 0;
  bool closing_ = false;
  std::exception_ptr failure_;
  std::atomic<bool> stop_{false};
  std::atomic<long> finished_{0};
};

}  // namespace ortelan
