// Work on every core, most wanted first: the frame browser's thumbnails, made
// nearest to what is on screen first and re-ranked as the view scrolls. The
// ordered pool does not fit this: it hands items out in a fixed order and
// delivers them in that order, where here the order changes while the work
// runs and each result is wanted as soon as it is made.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace vantorel {

template <typename Item>
class PriorityPool {
 public:
  // work(worker, item) runs on one of `workers` threads (numbered from 0), and
  // must not throw. niceness lowers the threads' priority, so that a window
  // waiting for its own thread to run is not kept waiting by them.
  PriorityPool(unsigned workers, std::function<void(unsigned, Item&&)> work, int niceness = 0)
      : work_(std::move(work)) {
    workers = std::max(workers, 1u);
    for (unsigned w = 0; w < workers; ++w)
      threads_.emplace_back([this, w, niceness] {
        // On Linux a thread's niceness is its own.
        if (niceness != 0) (void)::setpriority(PRIO_PROCESS, unsigned(::gettid()), niceness);
        Run(w);
      });
  }
  // Waits for the items in hand; those pending are dropped.
  ~PriorityPool() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
      pending_.clear();
    }
    changed_.notify_all();
    threads_.clear();
  }
  PriorityPool(const PriorityPool&) = delete;
  PriorityPool& operator=(const PriorityPool&) = delete;

  // A lower rank is taken sooner.
  void Submit(Item item, std::uint64_t rank) {
    {
      const std::lock_guard lock(mutex_);
      pending_.emplace_back(rank, std::move(item));
    }
    changed_.notify_one();
  }
  // Many at once: one lock, one wake-up of every worker.
  void Submit(std::vector<std::pair<std::uint64_t, Item>>&& ranked) {
    {
      const std::lock_guard lock(mutex_);
      for (auto& entry : ranked) pending_.push_back(std::move(entry));
    }
    changed_.notify_all();
  }
  // Gives every pending item the rank that rank(item) says, on the calling thread.
  void Rerank(const std::function<std::uint64_t(const Item&)>& rank) {
    const std::lock_guard lock(mutex_);
    for (auto& [itemRank, item] : pending_) itemRank = rank(item);
  }
  // Drops every pending item; those in hand still finish.
  void Clear() {
    const std::lock_guard lock(mutex_);
    pending_.clear();
  }
  std::size_t Pending() const {
    const std::lock_guard lock(mutex_);
    return pending_.size();
  }

 private:
  void Run(unsigned worker) {
    for (;;) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
      if (stopping_) return;
      // A scan rather than a heap: ranks change wholesale on every scroll.
      const auto best = std::min_element(pending_.begin(), pending_.end(),
                                         [](const auto& a, const auto& b) { return a.first < b.first; });
      Item item = std::move(best->second);
      *best = std::move(pending_.back());
      pending_.pop_back();
      lock.unlock();
      work_(worker, std::move(item));
    }
  }

  std::function<void(unsigned, Item&&)> work_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<std::uint64_t, Item>> pending_;
  bool stopping_ = false;
  std::vector<std::jthread> threads_;  // last: joined before the rest goes
};

}  // namespace vantorel
