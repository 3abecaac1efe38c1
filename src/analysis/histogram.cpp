#include "analysis/histogram.h"

#include <algorithm>
#include <cmath>

#include "pipeline/picture_mapping.h"
#include "pipeline/stages.h"

namespace vantorel {

namespace {}  // namespace

Histogram RawPictureHistogram(std::span<const std::uint8_t> pristineFrame, int lineCount) {
  LevelCounter counter;
  const int lines = std::clamp(lineCount, 0, FrameLines);
  for (int line = 1; line <= lines; ++line) {
    const std::size_t at = SampleOffset(line, 1);
    if (at + PictureSamples > pristineFrame.size()) break;
    counter.Count(pristineFrame.data() + at, PictureSamples);
  }
  return counter.Counts();
}

Histogram ShownPictureHistogram(std::span<const std::uint8_t> fitsPlane, const OptionSet& active, int lineCount) {
  LevelCounter counter;
  for (int row = 0; row < FrameLines; ++row) {
    const std::size_t at = std::size_t(row) * PictureSamples;
    if (at + PictureSamples > fitsPlane.size()) break;
    const SampleRange picture = PictureSamplesOf(row + 1, active, lineCount);
    counter.Count(fitsPlane.data() + at + picture.First - 1, picture.Size());
  }
  return counter.Counts();
}

std::uint32_t LargestCount(const Histogram& histogram) { return *std::max_element(histogram.begin(), histogram.end()); }

std::array<double, HistogramBins> HistogramHeights(const Histogram& histogram, HistogramScale scale,
                                                   std::uint32_t fullScale) {
  std::array<double, HistogramBins> heights{};
  if (fullScale == 0) return heights;
  const double full = scale == HistogramScale::Linear ? double(fullScale) : std::log1p(double(fullScale));
  for (std::size_t v = 0; v < histogram.size(); ++v) {
    const double count = scale == HistogramScale::Linear ? double(histogram[v]) : std::log1p(double(histogram[v]));
    heights[v] = std::min(1.0, count / full);
  }
  return heights;
}

HistogramPlot PlotHistograms(const FrameDocument& document, HistogramScale scale, ZeroBin zeroBin) {
  const Histogram shown = ShownPictureHistogram(document.FitsPlane(), document.ActiveOptions(), document.LineCount());
  const Histogram raw = RawPictureHistogram(document.PristineFrame(), document.LineCount());
  auto largestFrom = [](const Histogram& histogram, std::size_t firstValue) {
    return *std::max_element(histogram.begin() + std::ptrdiff_t(firstValue), histogram.end());
  };
  std::uint32_t fullScale = 0;
  if (zeroBin == ZeroBin::Skipped) fullScale = std::max(largestFrom(shown, 1), largestFrom(raw, 1));
  if (fullScale == 0) fullScale = std::max(LargestCount(shown), LargestCount(raw));
  HistogramPlot plot{.Shown = HistogramHeights(shown, scale, fullScale),
                     .Raw = HistogramHeights(raw, scale, fullScale),
                     .ToneCurve = document.CurrentToneCurve(),
                     .Limits = std::nullopt,
                     .ColorBar = {}};
  if (document.Display().Scaled()) plot.Limits = document.DisplayLimits();
  const bool colorize = Entry(document.ActiveOptions(), Option::Colorize) == 1;
  const ColorTable& map = ColorMapTable(document.Display().Map);
  for (std::size_t v = 0; v < plot.ColorBar.size(); ++v) {
    const std::uint8_t level = document.ShownLevels()[v];
    plot.ColorBar[v] = colorize ? ColorizeSample(level) : map[level];
  }
  return plot;
}

HistogramLayout LayOutHistogram(double width, double height, const HistogramTextSizes& text) {
  constexpr double Margin = 8;
  constexpr double Gap = HistogramTextGap;
  constexpr double EntrySpacing = 12;
  HistogramLayout layout;
  const double rowHeight = std::max(text.LineHeight, LegendSwatchSize);
  double left = Margin, top = Margin;
  for (std::size_t entry = 0; entry < layout.Legend.size(); ++entry) {
    const double entryWidth = LegendSwatchSize + Gap + text.LegendNameWidths[entry];
    // A new row when this one is full; an entry wider than the view keeps a row to itself.
    if (left > Margin && left + entryWidth > width - Margin) {
      left = Margin;
      top += rowHeight;
    }
    layout.Legend[entry] = PlotBox{.Left = left, .Top = top, .Width = entryWidth, .Height = rowHeight};
    left += entryWidth + EntrySpacing;
  }
  const double plotTop = top + rowHeight + Gap;
  layout.Plot = PlotBox{.Left = Margin,
                        .Top = plotTop,
                        .Width = std::max(0.0, width - Margin - (text.ValueLabelWidth + 2 * Gap)),
                        .Height = std::max(0.0, height - plotTop - (text.LineHeight + Gap))};
  return layout;
}

}  // namespace vantorel
