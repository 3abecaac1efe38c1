// Counts of sample values, of the frame as loaded and of the picture shown,
// and the plot the histogram view paints from them.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "pipeline/render_context.h"
#include "pipeline/tone_curve.h"
#include "viewer/frame_document.h"

namespace vantorel {

inline constexpr int HistogramBins = 256;

using Histogram = std::array<std::uint32_t, HistogramBins>;

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
std::array<double, HistogramBins> HistogramHeights(const Histogram& histogram, HistogramScale scale,
                                                   std::uint32_t fullScale);

// One frame's histogram picture: both histograms' heights on one axis, and
// the tone curve against its own 0..255 axis.
struct HistogramPlot {
  std::array<double, HistogramBins> Shown{};
  std::array<double, HistogramBins> Raw{};
  std::array<std::uint8_t, HistogramBins> ToneCurve{};
  bool operator==(const HistogramPlot&) const = default;
};

// The plot of the document's last render. The shared axis is the larger of
// the two largest counts, so that the shown picture compares with the raw
// samples bar for bar.
HistogramPlot PlotHistograms(const FrameDocument& document, HistogramScale scale);

}  // namespace vantorel
