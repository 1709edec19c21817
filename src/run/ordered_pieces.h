// Pieces of work made on worker threads and taken in their order on the
// calling thread, for results that must go out in order as they are made
// (the rows of a table streamed to its file): make(i, worker) for every i
// from 0 to count - 1 on one of `workers` threads (worker from 0; the
// pieces of one worker come in increasing order), then take(i) on the
// calling thread for i = 0, 1, ... as soon as piece i is made. At most
// `window` pieces are made and not yet taken, so a piece may keep its
// results in slot i % window of the caller's storage, and what they hold
// stays bounded however many pieces there are.
//
// While the calling thread waits it calls whileWaiting() now and then. A
// throw from make, take or whileWaiting ends the work: `stop` is set (so
// that long pieces may end early), no piece begins, those begun finish, and
// the throw goes on from here.
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

template <class Make, class Take, class WhileWaiting>
void orderedPieces(int workers, std::size_t count, std::size_t window, std::atomic<bool>& stop, const Make& make,
                   const Take& take, const WhileWaiting& whileWaiting) {
  if (count == 0) return;
  std::mutex mutex;
  std::condition_variable made, taken;
  std::vector<char> done(window, 0);
  std::size_t next = 0, takenUpTo = 0;  // the next piece to begin; the pieces taken
  std::exception_ptr failure;
  auto work = [&](int worker) {
    for (;;) {
      std::size_t piece;
      {
        std::unique_lock lock(mutex);
        taken.wait(lock, [&] { return stop.load() || next >= count || next < takenUpTo + window; });
        if (stop.load() || next >= count) return;
        piece = next++;
      }
      try {
        make(piece, worker);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        stop = true;
      }
      {
        std::lock_guard lock(mutex);
        done[piece % window] = 1;
      }
      made.notify_one();
      taken.notify_all();
    }
  };
  std::vector<std::thread> threads;
  const auto finish = [&] {
    {
      std::lock_guard lock(mutex);
      stop = true;
    }
    taken.notify_all();
    for (std::thread& thread : threads) thread.join();
  };
  try {
    for (int w = 0; w < std::max(workers, 1); ++w) threads.emplace_back(work, w);
    for (std::size_t piece = 0; piece < count; ++piece) {
      {
        std::unique_lock lock(mutex);
        while (!made.wait_for(lock, std::chrono::milliseconds(200),
                              [&] { return done[piece % window] != 0 || failure != nullptr; })) {
          lock.unlock();
          whileWaiting();
          lock.lock();
        }
        if (failure) break;
      }
      take(piece);
      {
        std::lock_guard lock(mutex);
        done[piece % window] = 0;
        takenUpTo = piece + 1;
      }
      taken.notify_all();
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace ortelan
