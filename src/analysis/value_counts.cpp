#include "analysis/value_counts.h"

#include <cstdint>
#include <cstring>

namespace vantorel {

namespace {

// Emptied before any table could count past what it holds, however the
// samples fall into runs.
constexpr int FlushEvery = UINT16_MAX;

}  // namespace

void LevelCounter::Count(const std::uint8_t* samples, int count) {
  if (count > FlushEvery) {
    Count(samples, FlushEvery);
    return Count(samples + FlushEvery, count - FlushEvery);
  }
  if (sinceFlush_ + count > FlushEvery) Flush();
  sinceFlush_ += count;
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, samples + i, 8);
    for (int k = 0; k < Tables; ++k) ++tables_[k][(eight >> 8 * k) & 0xFF];
  }
  for (; i < count; ++i) ++tables_[0][samples[i]];
}

Histogram LevelCounter::Counts() {
  Flush();
  return counts_;
}

void LevelCounter::Flush() {
  for (const auto& table : tables_)
    for (std::size_t v = 0; v < counts_.size(); ++v) counts_[v] += table[v];
  std::memset(tables_, 0, sizeof tables_);
  sinceFlush_ = 0;
}

}  // namespace vantorel
