// Counts of sample values, of the frame as loaded and of the picture shown,
// and the plot the histogram view paints from them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "analysis/value_counts.h"
#include "pipeline/color_map_tables.h"
#include "pipeline/render_context.h"
#include "pipeline/tone_curve.h"
#include "viewer/frame_document.h"

namespace vantorel {

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

// Whether the count at 0 takes part in the vertical scale. A frame's black
// sky can outnumber everything else a hundredfold; left out, its bar stands
// full height and the rest becomes readable.
enum class ZeroBin { Counted, Skipped };

// One frame's histogram picture: both histograms' heights on one axis, and
// the tone curve against its own 0..255 axis.
struct HistogramPlot {
  std::array<double, HistogramBins> Shown{};
  std::array<double, HistogramBins> Raw{};
  std::array<std::uint8_t, HistogramBins> ToneCurve{};
  // The display scale's limits on the shown axis, when there is a scale.
  std::optional<ScaleLimits> Limits;
  // The colour the picture shows for each grey level of the shown axis:
  // through the display scale, then the colour map or the Colorize ramp.
  ColorTable ColorBar{};
  bool operator==(const HistogramPlot&) const = default;
};

// The plot of the document's last render. The shared axis is the larger of
// the two largest counts, so that the shown picture compares with the raw
// samples bar for bar. With the 0 bin skipped, a frame of nothing but 0s
// still takes its scale from that bin, rather than showing an empty plot.
HistogramPlot PlotHistograms(const FrameDocument& document, HistogramScale scale, ZeroBin zeroBin);

// The series, in the order of the legend.
inline constexpr int HistogramSeriesCount = 3;
inline constexpr std::array<const char*, HistogramSeriesCount> HistogramLegendNames = {"shown", "raw", "tone curve"};
inline constexpr double LegendSwatchSize = 10;
// Between a swatch and its name, and between the plot and its axis labels.
inline constexpr double HistogramTextGap = 4;

// A rectangle in the view's pixels.
struct PlotBox {
  double Left = 0, Top = 0, Width = 0, Height = 0;
  double Right() const { return Left + Width; }
  double Bottom() const { return Top + Height; }
  bool operator==(const PlotBox&) const = default;
};

// The text sizes of the view's font that the layout leaves room for.
struct HistogramTextSizes {
  double LineHeight = 0;
  double ValueLabelWidth = 0;  // the widest axis label, "255"
  std::array<double, HistogramSeriesCount> LegendNameWidths{};
};

// Where the view draws: the legend's entries (swatch and name) in rows above
// the plot, wrapping when the view is narrow, so that no entry ever hides a
// bar; the plot below them, with room for the value labels underneath and
// the curve's axis on the right. A plot without width or height is not drawn.
struct HistogramLayout {
  PlotBox Plot;
  std::array<PlotBox, HistogramSeriesCount> Legend{};
  bool operator==(const HistogramLayout&) const = default;
};

HistogramLayout LayOutHistogram(double width, double height, const HistogramTextSizes& text);

}  // namespace vantorel
