// Work on several threads, results in order: folder mode renders frames and
// the folder listing stats names on every core, and each still sees its
// results exactly as one thread would have made them.
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

namespace vantorel {

// The steps of one run. Next hands out the items, one call at a time and in
// order (it may read a file: no other step waits for it), and nothing once
// they end. Each item i then goes through Work on a worker thread, Finish on
// a finishing thread (for waiting that need not hold a worker, such as a flush
// to disk), and Deliver on the calling thread, in ascending order. Work and
// Finish must not throw. Once Stopped (when given) says so, no further item is
// begun; those begun are still finished and delivered.
template <typename Item, typename Result>
struct OrderedSteps {
  std::function<std::optional<Item>()> Next;
  std::function<Result(std::size_t, Item&&)> Work;
  std::function<void(std::size_t, Result&)> Finish;  // may be empty
  std::function<void(std::size_t, Result&&)> Deliver;
  std::function<bool()> Stopped;
};

// Up to `workers` items are worked on at once and at most `window` items are
// begun and not yet delivered, so that what is held does not grow with the
// number of items. Returns how many items were delivered.
template <typename Item, typename Result>
std::size_t RunInOrder(unsigned workers, unsigned finishers, std::size_t window,
                       const OrderedSteps<Item, Result>& steps) {
  workers = std::max(workers, 1u);
  window = std::max<std::size_t>(window, workers);
  const auto stopped = [&steps] { return steps.Stopped && steps.Stopped(); };
  const auto finish = [&steps](std::size_t i, Result& result) {
    if (steps.Finish) steps.Finish(i, result);
  };
  if (workers == 1 && finishers == 0) {
    std::size_t i = 0;
    for (; !stopped(); ++i) {
      std::optional<Item> item = steps.Next();
      if (!item) break;
      Result result = steps.Work(i, std::move(*item));
      finish(i, result);
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
  std::mutex mutex, nextMutex;
  std::condition_variable changed;
  std::size_t next = 0, delivered = 0;
  bool ended = false;     // Next has said there are no more items
  bool stopping = false;  // every item delivered, or delivering failed
  const auto ready = [&](std::size_t i, Result&& result) {
    const std::lock_guard lock(mutex);
    slots[i % window] = {std::move(result), true};
    changed.notify_all();
  };
  // The next item and its number, taken in turn; nothing when the run is over for this worker.
  const auto take = [&]() -> std::optional<std::pair<std::size_t, Item>> {
    const std::lock_guard turn(nextMutex);
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return stopping || ended || next < delivered + window; });
      if (stopping || ended || stopped()) {
        // The delivery loop may be waiting for an item that will now never begin.
        changed.notify_all();
        return std::nullopt;
      }
    }
    std::optional<Item> item = steps.Next();
    const std::lock_guard lock(mutex);
    if (!item) {
      ended = true;
      changed.notify_all();
      return std::nullopt;
    }
    return std::pair{next++, std::move(*item)};
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
        while (auto taken = take()) {
          const std::size_t i = taken->first;
          Result result = steps.Work(i, std::move(taken->second));
          if (finishers == 0) {
            finish(i, result);
            ready(i, std::move(result));
            continue;
          }
          const std::lock_guard lock(mutex);
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
          finish(i, result);
          ready(i, std::move(result));
        }
      });
    for (std::size_t i = 0;; ++i) {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return slots[i % window].Ready || (i >= next && (ended || stopped())); });
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
}

}  // namespace vantorel
