// Work on several threads, results in order: folder mode renders frames on
// every core and still reports them exactly as a run on one core would.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vantorel::cli {

// Runs work(i) for every i in [0, count) on up to `workers` threads and hands
// each result to deliver(i, result) on the calling thread, in ascending i. At
// most `workers` items are being worked on at once. work must not throw.
template <typename Result>
void RunInOrder(std::size_t count, unsigned workers, const std::function<Result(std::size_t)>& work,
                const std::function<void(std::size_t, Result&&)>& deliver) {
  workers = unsigned(std::min<std::size_t>(std::max(workers, 1u), count));
  if (workers <= 1) {
    for (std::size_t i = 0; i < count; ++i) deliver(i, work(i));
    return;
  }
  std::vector<std::optional<Result>> done(count);
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<std::size_t> next{0};
  std::vector<std::jthread> threads;
  threads.reserve(workers);
  for (unsigned w = 0; w < workers; ++w)
    threads.emplace_back([&] {
      for (std::size_t i = next++; i < count; i = next++) {
        Result result = work(i);
        const std::lock_guard lock(mutex);
        done[i] = std::move(result);
        finished.notify_all();
      }
    });
  for (std::size_t i = 0; i < count; ++i) {
    std::unique_lock lock(mutex);
    finished.wait(lock, [&] { return done[i].has_value(); });
    Result result = std::move(*done[i]);
    done[i].reset();
    lock.unlock();
    deliver(i, std::move(result));
  }
}

}  // namespace vantorel::cli
