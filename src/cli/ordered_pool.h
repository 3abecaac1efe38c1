// Work on several threads, results in order: folder mode renders frames on
// every core and still reports them exactly as a run on one core would.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vantorel::cli {

// The three steps of one item: Work on a worker thread, then Finish on a
// finishing thread (for waiting that need not hold a worker, such as a flush
// to disk), then Deliver on the calling thread, in ascending order. Work and
// Finish must not throw. Once Stopped (when given) says so, no further item is
// begun; those begun are still finished and delivered.
template <typename Result>
struct OrderedSteps {
  std::function<Result(std::size_t)> Work;
  std::function<void(std::size_t, Result&)> Finish;
  std::function<void(std::size_t, Result&&)> Deliver;
  std::function<bool()> Stopped;
};

// Runs the steps for every i in [0, count) on up to `workers` worker threads
// and `finishers` finishing threads. At most `workers` items are being worked
// on at once, and at most `window` items are begun and not yet delivered, so
// that what is held does not grow with count. Returns how many items were
// delivered: count, unless stopped.
template <typename Result>
std::size_t RunInOrder(std::size_t count, unsigned workers, unsigned finishers, std::size_t window,
                       const OrderedSteps<Result>& steps) {
  workers = unsigned(std::min<std::size_t>(std::max(workers, 1u), count));
  window = std::max<std::size_t>(window, workers);
  const auto stopped = [&steps] { return steps.Stopped && steps.Stopped(); };
  if (workers <= 1 && finishers == 0) {
    std::size_t i = 0;
    for (; i < count && !stopped(); ++i) {
      Result result = steps.Work(i);
      steps.Finish(i, result);
      steps.Deliver(i, std::move(result));
    }
    return i;
  }
  struct Slot {
    std::optional<Result> Value;
    bool Ready = false;
  };
  std::vector<Slot> slots(window);  // item i lives in slot i % window
  std::deque<std::size_t> toFinish;
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0, delivered = 0;
  bool stopping = false;  // every item delivered, or delivering failed
  const auto ready = [&](std::size_t i, Result&& result) {
    const std::lock_guard lock(mutex);
    slots[i % window] = {std::move(result), true};
    changed.notify_all();
  };
  {
    std::vector<std::jthread> threads;
    // Stops the threads however the delivery loop below is left.
    const auto stop = [&] {
      const std::lock_guard lock(mutex);
      stopping = true;
      changed.notify_all();
    };
    struct StopOnExit {
      const decltype(stop)& Stop;
      ~StopOnExit() { Stop(); }
    };
    const StopOnExit stopOnExit{stop};
    threads.reserve(workers + finishers);
    for (unsigned w = 0; w < workers; ++w)
      threads.emplace_back([&] {
        for (;;) {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return stopping || next == count || next < delivered + window; });
          if (stopping || next == count || stopped()) {
            // The delivery loop may be waiting for an item that will now never begin.
            changed.notify_all();
            return;
          }
          const std::size_t i = next++;
          lock.unlock();
          Result result = steps.Work(i);
          if (finishers == 0) {
            steps.Finish(i, result);
            ready(i, std::move(result));
            continue;
          }
          lock.lock();
          slots[i % window].Value = std::move(result);
          toFinish.push_back(i);
          changed.notify_all();
        }
      });
    for (unsigned f = 0; f < finishers; ++f)
      threads.emplace_back([&] {
        for (;;) {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return stopping || !toFinish.empty(); });
          if (toFinish.empty()) return;
          const std::size_t i = toFinish.front();
          toFinish.pop_front();
          Result result = std::move(*slots[i % window].Value);
          lock.unlock();
          steps.Finish(i, result);
          ready(i, std::move(result));
        }
      });
    for (std::size_t i = 0; i < count; ++i) {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return slots[i % window].Ready || (i >= next && stopped()); });
      if (!slots[i % window].Ready) return i;
      Result result = std::move(*slots[i % window].Value);
      slots[i % window] = {};
      lock.unlock();
      steps.Deliver(i, std::move(result));
      lock.lock();
      ++delivered;
      changed.notify_all();
    }
  }
  return count;
}

}  // namespace vantorel::cli
