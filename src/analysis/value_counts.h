// How many samples hold each grey level.
#pragma once

#include <array>
#include <cstdint>

namespace vantorel {

inline constexpr int HistogramBins = 256;

using Histogram = std::array<std::uint32_t, HistogramBins>;

// Counts runs of samples into one histogram, with a table for each byte of a
// word, so that a run of one level (a black sky) does not make every count
// wait for the one before; 16-bit tables keep all eight in a few cache lines,
// emptied into the total before they can overflow.
class LevelCounter {
 public:
  void Count(const std::uint8_t* samples, int count);
  Histogram Counts();

 private:
  static constexpr int Tables = 8;
  void Flush();

  std::uint16_t tables_[Tables][HistogramBins] = {};
  Histogram counts_{};
  int sinceFlush_ = 0;
};

}  // namespace vantorel
