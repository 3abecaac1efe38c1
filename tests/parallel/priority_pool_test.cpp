#include "parallel/priority_pool.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(PriorityPool, TakesTheLowestRankFirstAsRerankedMeanwhile) {
  std::mutex mutex;
  std::condition_variable released;
  bool release = false;
  std::vector<int> order;
  const auto done = [&] {
    const std::lock_guard lock(mutex);
    return order.size() == 5;
  };
  PriorityPool<int> pool(1, [&](unsigned, int&& item) {
    std::unique_lock lock(mutex);
    if (item == 0) released.wait(lock, [&] { return release; });
    order.push_back(item);
  });
  pool.Submit(0, 0);
  while (pool.Pending() != 0) std::this_thread::yield();  // the worker holds item 0
  pool.Submit({{30, 3}, {10, 1}, {20, 2}, {40, 4}});
  pool.Rerank([](const int& item) { return item == 4 ? 0 : std::uint64_t(item) * 10; });
  {
    const std::lock_guard lock(mutex);
    release = true;
  }
  released.notify_all();
  while (!done()) std::this_thread::yield();
  EXPECT_EQ(order, (std::vector<int>{0, 4, 1, 2, 3}));
}

}  // namespace
}  // namespace vantorel
