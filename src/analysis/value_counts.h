// How many samples hold each grey level.
#pragma once

#include <array>
#include <cstdint>

namespace vantorel {

inline constexpr int HistogramBins = 256;

using Histogram = std::array<std::uint32_t, HistogramBins>;

}  // namespace vantorel
