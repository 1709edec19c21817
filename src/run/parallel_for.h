// Independent pieces of work on several threads: body(i) for every i from 0
// to count - 1, each exactly once, in no particular order. The calling
// thread waits, calling whileWaiting() now and then, which may throw to end
// the run: the pieces not yet begun are then left, those begun finish, and
// the throw goes on. What a piece throws comes back from here too.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace ortelan {

template <class Body, class WhileWaiting>
void parallelFor(int workers, std::size_t count, const Body& body, const WhileWaiting& whileWaiting) {
  if (workers <= 1 || count <= 1) {
    for (std::size_t i = 0; i < count; ++i) {
      whileWaiting();
      body(i);
    }
    return;
  }
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable done;
  int running = 0;
  std::exception_ptr failure;
  auto work = [&] {
    for (std::size_t i; !stop.load(std::memory_order_relaxed) && (i = next.fetch_add(1)) < count;) {
      try {
        body(i);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        stop = true;
      }
    }
    std::lock_guard lock(mutex);
    if (--running == 0) done.notify_all();
  };
  std::vector<std::thread> threads;
  const auto size = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(workers), count));
  running = size;
  try {
    for (int t = 0; t < size; ++t) threads.emplace_back(work);
  } catch (...) {
    stop = true;
    for (std::thread& thread : threads) thread.join();
    throw;
  }
  std::exception_ptr waitingFailure;
  {
    std::unique_lock lock(mutex);
    while (!done.wait_for(lock, std::chrono::milliseconds(200), [&] { return running == 0; })) {
      if (waitingFailure) continue;
      lock.unlock();
      try {
        whileWaiting();
      } catch (...) {
        waitingFailure = std::current_exception();
        stop = true;
      }
      lock.lock();
    }
  }
  for (std::thread& thread : threads) thread.join();
  if (waitingFailure) std::rethrow_exception(waitingFailure);
  if (failure) std::rethrow_exception(failure);
}

}  // namespace ortelan
