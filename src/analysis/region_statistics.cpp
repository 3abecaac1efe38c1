#include "analysis/region_statistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "analysis/readout.h"
#include "pipeline/picture_mapping.h"

namespace vantorel {

namespace {

constexpr std::uint8_t MissingValue = 0;
constexpr std::uint8_t SaturatedValue = 255;
constexpr int PointerReach = 3;

using Counts = std::array<std::uint32_t, 256>;

ValueStatistics StatisticsOf(const Counts& counts) {
  ValueStatistics statistics;
  std::uint64_t count = 0;
  double sum = 0, squares = 0;
  for (int v = 0; v < int(counts.size()); ++v) {
    const std::uint32_t n = counts[std::size_t(v)];
    if (n == 0) continue;
    if (count == 0) statistics.Minimum = v;
    statistics.Maximum = v;
    count += n;
    sum += double(n) * v;
    squares += double(n) * v * v;
  }
  if (count == 0) return statistics;
  statistics.Count = int(count);
  statistics.Mean = sum / double(count);
  // Sums of whole numbers are exact in a double here; a rounding below zero is none.
  statistics.StandardDeviation = std::sqrt(std::max(0.0, squares / double(count) - statistics.Mean * statistics.Mean));
  // The values at ranks (count - 1) / 2 and count / 2, 0-based.
  const std::uint64_t lowRank = (count - 1) / 2, highRank = count / 2;
  std::uint64_t seen = 0;
  int low = -1, high = -1;
  for (int v = 0; v < int(counts.size()) && high < 0; ++v) {
    seen += counts[std::size_t(v)];
    if (low < 0 && seen > lowRank) low = v;
    if (seen > highRank) high = v;
  }
  statistics.Median = (low + high) / 2.0;
  return statistics;
}

// Twice the distance from the region's centre along one axis, so that centres
// between two samples stay whole numbers.
std::int64_t DoubledOffset(int place, int first, int size) {
  return 2 * std::int64_t(place) - (2 * std::int64_t(first) + size - 1);
}

// The samples of one line within the region, frame bounds aside; empty when first > last.
std::pair<int, int> SpanOnLine(const FrameRegion& region, int line) {
  const int first = region.FirstSample, last = region.FirstSample + region.Samples - 1;
  if (region.Shape == RegionShape::Rectangle) return {first, last};
  // The square root's span, rounded outwards, holds every sample inside (its
  // rounding errors are far below a sample); the exact test then trims its ends.
  const std::int64_t dl = DoubledOffset(line, region.FirstLine, region.Lines);
  const double across =
      double(region.Samples) *
      std::sqrt(std::max(0.0, 1.0 - double(dl * dl) / double(std::int64_t(region.Lines) * region.Lines)));
  const int centreTwice = 2 * region.FirstSample + region.Samples - 1;
  int low = std::max(first, int(std::floor((centreTwice - across) / 2)));
  int high = std::min(last, int(std::ceil((centreTwice + across) / 2)));
  while (low <= high && !RegionHolds(region, line, low)) ++low;
  while (high >= low && !RegionHolds(region, line, high)) --high;
  return {low, high};
}

}  // namespace

bool RegionHolds(const FrameRegion& region, int line, int sample) {
  if (line < region.FirstLine || line >= region.FirstLine + region.Lines || sample < region.FirstSample ||
      sample >= region.FirstSample + region.Samples)
    return false;
  if (region.Shape == RegionShape::Rectangle) return true;
  // (dl / lines)^2 + (ds / samples)^2 <= 1 in doubled offsets, in whole numbers.
  const std::int64_t dl = DoubledOffset(line, region.FirstLine, region.Lines);
  const std::int64_t ds = DoubledOffset(sample, region.FirstSample, region.Samples);
  const std::int64_t lines = region.Lines, samples = region.Samples;
  return dl * dl * samples * samples + ds * ds * lines * lines <= lines * lines * samples * samples;
}

RegionStatistics MeasureRegion(const FrameDocument& document, const FrameRegion& region) {
  RegionStatistics statistics;
  const int firstLine = std::max(1, region.FirstLine);
  const int lastLine = std::min(FrameLines, region.FirstLine + region.Lines - 1);
  const int firstSample = std::max(1, region.FirstSample);
  const int lastSample = std::min(PictureSamples, region.FirstSample + region.Samples - 1);
  if (firstLine > lastLine || firstSample > lastSample) {
    statistics.Problem = "the region lies outside the frame";
    return statistics;
  }
  const int lineCount = std::clamp(document.LineCount(), 0, FrameLines);
  const PictureAxes axes = AxesOf(document.ActiveOptions(), lineCount);
  const std::span<const std::uint8_t> plane = document.FitsPlane();
  const DisplayLevels& shownLevel = document.ShownLevels();
  const FrameBuffer& frame = document.PristineFrame();
  Counts raw{}, levels{};
  for (int line = firstLine; line <= lastLine; ++line) {
    auto [low, high] = SpanOnLine(region, line);
    low = std::max(low, firstSample);
    high = std::min(high, lastSample);
    if (low > high) continue;
    if (line > lineCount) {
      statistics.Missing += high - low + 1;
      continue;
    }
    const std::uint8_t* samples = frame.data() + SampleOffset(line, 1) - 1;
    for (int s = low; s <= high; ++s) ++raw[samples[s]];
    const int row = axes.RowOfLine[std::size_t(line)];
    if (row < 0 || !axes.FirstLineOfBlock[std::size_t(line)]) continue;
    const std::uint8_t* rowLevels = plane.data() + ShownLevelIndex(0, row);
    for (int s = low; s <= high; ++s) {
      const int column = axes.ColumnOfSample[std::size_t(s)];
      if (column >= 0 && axes.FirstSampleOfBlock[std::size_t(s)]) ++levels[shownLevel[rowLevels[column]]];
    }
  }
  statistics.Raw = StatisticsOf(raw);
  statistics.Shown = StatisticsOf(levels);
  statistics.Missing += int(raw[MissingValue]);
  statistics.Saturated = int(raw[SaturatedValue]);
  return statistics;
}

std::string DecimalText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string result = text;
  result.erase(result.find_last_not_of('0') + 1);
  if (result.back() == '.') result.pop_back();
  return result == "-0" ? "0" : result;
}

std::string StatisticsCsv(const RegionStatistics& statistics) {
  std::string csv = "statistic,raw,shown\n";
  const auto row = [&csv](const char* name, const std::string& raw, const std::string& shown) {
    csv += name;
    csv += ',';
    csv += raw;
    csv += ',';
    csv += shown;
    csv += '\n';
  };
  const ValueStatistics &r = statistics.Raw, &s = statistics.Shown;
  // A statistic of no values is no number.
  const auto number = [](const ValueStatistics& v, double value) {
    return v.Count > 0 ? DecimalText(value) : std::string();
  };
  row("count", std::to_string(r.Count), std::to_string(s.Count));
  row("mean", number(r, r.Mean), number(s, s.Mean));
  row("median", number(r, r.Median), number(s, s.Median));
  row("std", number(r, r.StandardDeviation), number(s, s.StandardDeviation));
  row("min", number(r, r.Minimum), number(s, s.Minimum));
  row("max", number(r, r.Maximum), number(s, s.Maximum));
  row("missing", std::to_string(statistics.Missing), "");
  row("saturated", std::to_string(statistics.Saturated), "");
  return csv;
}

LineProfile ProfileAlong(const FrameDocument& document, FramePoint from, FramePoint to) {
  LineProfile profile;
  const int lineCount = std::clamp(document.LineCount(), 0, FrameLines);
  const PictureAxes axes = AxesOf(document.ActiveOptions(), lineCount);
  const FrameBuffer& frame = document.PristineFrame();
  const std::int64_t dl = to.Line - from.Line, ds = to.Sample - from.Sample;
  const std::int64_t steps = std::max(std::llabs(dl), std::llabs(ds));
  // The nearest whole place to start + i * delta / steps, halves rounded up.
  const auto nearest = [steps](int start, std::int64_t delta, std::int64_t i) {
    if (steps == 0) return start;
    const std::int64_t twice = 2 * i * delta + steps, denominator = 2 * steps;
    const std::int64_t floor = twice >= 0 ? twice / denominator : -((-twice + denominator - 1) / denominator);
    return int(start + floor);
  };
  for (std::int64_t i = 0; i <= steps; ++i) {
    const int line = nearest(from.Line, dl, i), sample = nearest(from.Sample, ds, i);
    if (line < 1 || line > FrameLines || sample < 1 || sample > PictureSamples) continue;
    ProfilePoint point{.Index = int(i), .Line = line, .Sample = sample, .Raw = std::nullopt, .Shown = std::nullopt};
    if (line <= lineCount) point.Raw = frame[SampleOffset(line, sample)];
    const int row = axes.RowOfLine[std::size_t(line)], column = axes.ColumnOfSample[std::size_t(sample)];
    if (row >= 0 && column >= 0) point.Shown = ShownLevelAt(document, column, row);
    profile.Points.push_back(point);
  }
  if (profile.Points.empty()) profile.Problem = "the line lies outside the frame";
  return profile;
}

std::string ProfileCsv(const LineProfile& profile) {
  std::string csv = "index,line,sample,raw,shown\n";
  const auto value = [](const std::optional<int>& v) { return v ? std::to_string(*v) : std::string(); };
  for (const ProfilePoint& p : profile.Points) {
    csv += std::to_string(p.Index);
    csv += ',';
    csv += std::to_string(p.Line);
    csv += ',';
    csv += std::to_string(p.Sample);
    csv += ',';
    csv += value(p.Raw);
    csv += ',';
    csv += value(p.Shown);
    csv += '\n';
  }
  return csv;
}

namespace {

// The rows (columns) that show anything, and the frame line (sample) each shows.
template <std::size_t N>
std::optional<std::pair<int, int>> ShownRange(const std::array<std::int16_t, N>& pictureOf) {
  int low = INT32_MAX, high = -1;
  for (std::size_t place = 1; place < N; ++place)
    if (pictureOf[place] >= 0) {
      low = std::min<int>(low, pictureOf[place]);
      high = std::max<int>(high, pictureOf[place]);
    }
  if (high < 0) return std::nullopt;
  return std::pair{low, high};
}

template <std::size_t N>
int PlaceShownAt(const std::array<std::int16_t, N>& pictureOf, const std::array<bool, N>& first, int pixel) {
  for (std::size_t place = 1; place < N; ++place)
    if (pictureOf[place] == pixel && first[place]) return int(place);
  return 0;
}

}  // namespace

std::optional<PictureBox> PictureBoxOf(const FrameRegion& region, const PictureAxes& axes) {
  PictureBox box{INT32_MAX, INT32_MAX, -1, -1};
  for (int line = std::max(1, region.FirstLine); line <= std::min(FrameLines, region.FirstLine + region.Lines - 1);
       ++line)
    if (const int row = axes.RowOfLine[std::size_t(line)]; row >= 0) {
      box.Top = std::min(box.Top, row);
      box.Bottom = std::max(box.Bottom, row);
    }
  for (int sample = std::max(1, region.FirstSample);
       sample <= std::min(PictureSamples, region.FirstSample + region.Samples - 1); ++sample)
    if (const int column = axes.ColumnOfSample[std::size_t(sample)]; column >= 0) {
      box.Left = std::min(box.Left, column);
      box.Right = std::max(box.Right, column);
    }
  if (box.Bottom < 0 || box.Right < 0) return std::nullopt;
  return box;
}

std::optional<FrameRegion> RegionOfPictureBox(PictureBox box, RegionShape shape, const PictureAxes& axes) {
  const auto rows = ShownRange(axes.RowOfLine);
  const auto columns = ShownRange(axes.ColumnOfSample);
  if (!rows || !columns) return std::nullopt;
  box.Top = std::max(box.Top, rows->first);
  box.Bottom = std::min(box.Bottom, rows->second);
  box.Left = std::max(box.Left, columns->first);
  box.Right = std::min(box.Right, columns->second);
  if (box.Top > box.Bottom || box.Left > box.Right) return std::nullopt;
  const int lineA = PlaceShownAt(axes.RowOfLine, axes.FirstLineOfBlock, box.Top);
  const int lineB = PlaceShownAt(axes.RowOfLine, axes.FirstLineOfBlock, box.Bottom);
  const int sampleA = PlaceShownAt(axes.ColumnOfSample, axes.FirstSampleOfBlock, box.Left);
  const int sampleB = PlaceShownAt(axes.ColumnOfSample, axes.FirstSampleOfBlock, box.Right);
  const int firstLine = std::min(lineA, lineB), firstSample = std::min(sampleA, sampleB);
  return FrameRegion{.Shape = shape,
                     .FirstLine = firstLine,
                     .FirstSample = firstSample,
                     .Lines = std::max(lineA, lineB) + axes.BlockSize - firstLine,
                     .Samples = std::max(sampleA, sampleB) + axes.BlockSize - firstSample};
}

std::optional<PicturePoint> PicturePointOf(FramePoint point, const PictureAxes& axes) {
  if (point.Line < 1 || point.Line > FrameLines || point.Sample < 1 || point.Sample > PictureSamples)
    return std::nullopt;
  const int row = axes.RowOfLine[std::size_t(point.Line)], column = axes.ColumnOfSample[std::size_t(point.Sample)];
  if (row < 0 || column < 0) return std::nullopt;
  return PicturePoint{column, row};
}

std::optional<FramePoint> FramePointOfPicture(PicturePoint point, const PictureAxes& axes) {
  const auto rows = ShownRange(axes.RowOfLine);
  const auto columns = ShownRange(axes.ColumnOfSample);
  if (!rows || !columns) return std::nullopt;
  const int row = std::clamp(point.Y, rows->first, rows->second);
  const int column = std::clamp(point.X, columns->first, columns->second);
  return FramePoint{PlaceShownAt(axes.RowOfLine, axes.FirstLineOfBlock, row),
                    PlaceShownAt(axes.ColumnOfSample, axes.FirstSampleOfBlock, column)};
}

std::optional<std::size_t> ProfilePointNear(const LineProfile& profile, FramePosition place) {
  std::optional<std::size_t> nearest;
  // A pointer a few pixels off a slanting line still points at it.
  const int reach = PointerReach * place.BlockSize;
  int best = reach * reach + 1;  // squared distances, in frame places
  for (std::size_t i = 0; i < profile.Points.size(); ++i) {
    const ProfilePoint& p = profile.Points[i];
    const int lines = p.Line - place.Line, samples = p.Sample - place.Sample;
    const int distance = lines * lines + samples * samples;
    if (distance < best) {
      best = distance;
      nearest = i;
    }
  }
  return nearest;
}

}  // namespace vantorel
