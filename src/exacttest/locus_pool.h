// Walks the chains of loci on all the cores the process may use. The loci
// are handed over in locus order by the thread that loads them (so every
// message and stop of the loading comes as in one thread); each chain is
// independent, with its own seeds, so its estimate is the same whichever
// thread walks it. At most one locus per worker is waiting or walking, so
// the progress line follows the walks.
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
#include "exacttest/ranmar.h"
#include "exacttest/table_loader.h"

namespace ortelan {

template <class Real>
class LocusPool {
 public:
  // Estimates go to estimates[locus]. With one worker the chains are walked
  // by the calling thread, unless `neverInline` (the caller then keeps
  // control while a long walk goes on). Up to `waiting` more chains may
  // wait for a worker, so that short walks never leave one idle.
  LocusPool(int workers, std::vector<ChainEstimate<Real>>& estimates, int waiting = 0, bool neverInline = false)
      : estimates_(estimates) {
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
    std::unique_lock lock(mutex_);
    while (!space_.wait_for(lock, std::chrono::milliseconds(200), [this] { return inFlight_ < capacity_; })) {
      if (whileWaiting) {
        lock.unlock();
        whileWaiting();
        lock.lock();
      }
    }
    ++inFlight_;
    jobs_.push_back({locus, std::move(table)});
    ready_.notify_one();
  }

  // Waits for every walk handed over; rethrows what a worker met. While it
  // waits, `whileWaiting` is called now and then from this thread.
  void finish(const std::function<void()>& whileWaiting = {}) {
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

  ChainEstimate<Real> walkOne(LoadedTable& table, ChainWorkspace& workspace) {
    Ranmar generator;
    generator.MAKE_RANDOM(table.UU[0], table.UU[1], table.UU[2], table.UU[3]);
    return CHAINE<Real>(table.MM, table.MEM, table.B, table.C, generator, &workspace, &stop_);
  }

  void work() {
    ChainWorkspace workspace;
    for (;;) {
      Job job;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      try {
        estimates_[static_cast<std::size_t>(job.locus)] = walkOne(job.table, workspace);
      } catch (...) {
        std::lock_guard lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
      }
      finished_.fetch_add(1, std::memory_order_relaxed);
      {
        std::lock_guard lock(mutex_);
        --inFlight_;
      }
      space_.notify_all();
    }
  }

  std::vector<ChainEstimate<Real>>& estimates_;
  ChainWorkspace inlineWorkspace_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable ready_;  // a job is waiting, or the pool closes
  std::condition_variable space_;  // a walk has ended
  std::deque<Job> jobs_;
  int capacity_ = 1;
  int inFlight_ = 0;
  bool closing_ = false;
  std::exception_ptr failure_;
  std::atomic<bool> stop_{false};
  std::atomic<long> finished_{0};
};

}  // namespace ortelan
