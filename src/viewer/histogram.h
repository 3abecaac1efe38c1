// Counts of sample values, of the frame as loaded and of the picture shown.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "pipeline/render_context.h"

namespace vantorel {

using Histogram = std::array<std::uint32_t, 256>;

// The loaded frame's picture samples: lines 1..lineCount, samples 1..832.
Histogram RawPictureHistogram(std::span<const std::uint8_t> pristineFrame, int lineCount);

// The grey picture shown (FitsPlane), counting only pixels that show a frame
// sample: not the rows the composition left black, nor the rows showing lines
// the frame does not have, nor the grey around a half-size picture.
Histogram ShownPictureHistogram(std::span<const std::uint8_t> fitsPlane, const OptionSet& active, int lineCount);

enum class HistogramScale { Linear, Logarithmic };

std::uint32_t LargestCount(const Histogram& histogram);

// Bar heights 0..1 against fullScale (count/fullScale, or
// log(1+count)/log(1+fullScale)), at most 1; 0 when fullScale is 0.
std::array<double, 256> HistogramHeights(const Histogram& histogram, HistogramScale scale, std::uint32_t fullScale);

}  // namespace vantorel
