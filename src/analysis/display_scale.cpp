#include "analysis/display_scale.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pipeline/picture_mapping.h"

namespace vantorel {

namespace {

// The level of the sample at rank 0..total-1 in sorted order.
int LevelAtRank(const Histogram& counts, std::uint64_t rank) {
  std::uint64_t below = 0;
  for (int v = 0; v < HistogramBins; ++v) {
    below += counts[std::size_t(v)];
    if (below > rank) return v;
  }
  return HistogramBins - 1;
}

double PercentileOf(const Histogram& counts, std::uint64_t total, double percent) {
  const double position = std::clamp(percent, 0.0, 100.0) / 100.0 * double(total - 1);
  const auto below = std::uint64_t(position);
  const double fraction = position - double(below);
  const int lower = LevelAtRank(counts, below);
  if (fraction == 0) return lower;
  return lower + fraction * (LevelAtRank(counts, std::min(below + 1, total - 1)) - lower);
}

std::uint64_t Total(const Histogram& counts) {
  std::uint64_t total = 0;
  for (const std::uint32_t count : counts) total += count;
  return total;
}

constexpr ScaleLimits NoLimits{0, 255};

// Each work line's picture samples, in line order.
template <typename Visit>
void ForEachPictureRun(std::span<const std::uint8_t> workFrame, const OptionSet& active, int lineCount, Visit&& visit) {
  for (int line = 1; line <= FrameLines; ++line) {
    const SampleRange run = PictureSamplesOf(line, active, lineCount);
    if (run.Size() == 0 || SampleOffset(line, run.Last) >= workFrame.size()) continue;
    visit(workFrame.data() + SampleOffset(line, run.First), run.Size());
  }
}

double ShapedByCurve(double t, ScaleCurve curve) {
  constexpr double LogExponent = 1000;
  constexpr double AsinhSoftening = 10;
  switch (curve) {
    case ScaleCurve::Linear: return t;
    case ScaleCurve::Log: return std::log1p(LogExponent * t) / std::log1p(LogExponent);
    case ScaleCurve::Sqrt: return std::sqrt(t);
    case ScaleCurve::Asinh: return std::asinh(AsinhSoftening * t) / std::asinh(AsinhSoftening);
    case ScaleCurve::HistogramEqualization: break;
  }
  return t;
}

std::uint8_t LevelOf(double fraction) { return std::uint8_t(std::lround(255 * std::clamp(fraction, 0.0, 1.0))); }

}  // namespace

Histogram PictureSampleCounts(std::span<const std::uint8_t> workFrame, const OptionSet& active, int lineCount) {
  LevelCounter counter;
  ForEachPictureRun(workFrame, active, lineCount,
                    [&](const std::uint8_t* samples, int count) { counter.Count(samples, count); });
  return counter.Counts();
}

std::vector<std::uint8_t> SpacedPictureSamples(std::span<const std::uint8_t> workFrame, const OptionSet& active,
                                               int lineCount, int count) {
  std::vector<std::pair<const std::uint8_t*, int>> runs;
  std::size_t total = 0;
  ForEachPictureRun(workFrame, active, lineCount, [&](const std::uint8_t* samples, int size) {
    runs.emplace_back(samples, size);
    total += std::size_t(size);
  });
  std::vector<std::uint8_t> picked;
  if (total == 0 || count <= 0) return picked;
  const std::size_t stride = std::max<std::size_t>(1, total / std::size_t(count));
  picked.reserve(std::size_t(count));
  // Every run but possibly the last of a half-size picture is as wide as the first.
  std::size_t runStart = 0, next = 0;
  for (const auto& [samples, size] : runs) {
    for (; next < runStart + std::size_t(size) && picked.size() < std::size_t(count); next += stride)
      picked.push_back(samples[next - runStart]);
    runStart += std::size_t(size);
  }
  return picked;
}

ScaleLimits MinMaxLimits(const Histogram& counts) {
  const auto first = std::find_if(counts.begin(), counts.end(), [](std::uint32_t c) { return c != 0; });
  if (first == counts.end()) return NoLimits;
  const auto last = std::find_if(counts.rbegin(), counts.rend(), [](std::uint32_t c) { return c != 0; });
  return {double(first - counts.begin()), double(counts.rend() - last - 1)};
}

ScaleLimits PercentileLimits(const Histogram& counts, double lowPercent, double highPercent) {
  const std::uint64_t total = Total(counts);
  if (total == 0) return NoLimits;
  return {PercentileOf(counts, total, lowPercent), PercentileOf(counts, total, highPercent)};
}

ScaleLimits ZScaleLimits(std::vector<std::uint8_t> samples, double contrast) {
  constexpr double RejectionSigmas = 2.5;
  constexpr int Iterations = 5;
  constexpr int FewestSamples = 5;
  const auto n = std::ptrdiff_t(samples.size());
  if (n == 0) return NoLimits;
  std::sort(samples.begin(), samples.end());
  const double lowest = samples.front(), highest = samples.back();
  const std::ptrdiff_t center = (n - 1) / 2;
  const double median = n % 2 == 1 ? samples[std::size_t(center)]
                                   : (samples[std::size_t(center)] + samples[std::size_t(center + 1)]) / 2.0;
  // Half the samples must survive the rejection, else the fit means nothing.
  const std::ptrdiff_t fewestGood = std::max<std::ptrdiff_t>(FewestSamples, n / 2);
  const std::ptrdiff_t grow = std::max<std::ptrdiff_t>(1, n / 100);

  std::vector<char> rejected(std::size_t(n), 0), grown(std::size_t(n), 0);
  std::ptrdiff_t good = n, lastGood = n + 1;
  double slope = 0;
  bool fitted = false;
  for (int iteration = 0; iteration < Iterations && good < lastGood && good >= fewestGood; ++iteration) {
    // Least squares over the samples kept, against their rank.
    double sumX = 0, sumY = 0, sumXX = 0, sumXY = 0, kept = 0;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
      if (rejected[std::size_t(i)]) continue;
      const double x = double(i), y = samples[std::size_t(i)];
      sumX += x, sumY += y, sumXX += x * x, sumXY += x * y, kept += 1;
    }
    const double spread = kept * sumXX - sumX * sumX;
    slope = spread > 0 ? (kept * sumXY - sumX * sumY) / spread : 0;
    const double intercept = (sumY - slope * sumX) / kept;
    fitted = true;
    double sumR = 0, sumRR = 0;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
      if (rejected[std::size_t(i)]) continue;
      const double r = samples[std::size_t(i)] - (intercept + slope * double(i));
      sumR += r, sumRR += r * r;
    }
    const double meanR = sumR / kept;
    const double threshold = RejectionSigmas * std::sqrt(std::max(0.0, sumRR / kept - meanR * meanR));
    for (std::ptrdiff_t i = 0; i < n; ++i) {
      const double r = samples[std::size_t(i)] - (intercept + slope * double(i));
      if (r < -threshold || r > threshold) rejected[std::size_t(i)] = 1;
    }
    // A rejected sample takes its neighbours with it: grow samples around it.
    std::fill(grown.begin(), grown.end(), 0);
    for (std::ptrdiff_t i = 0; i < n; ++i) {
      if (!rejected[std::size_t(i)]) continue;
      const std::ptrdiff_t from = std::max<std::ptrdiff_t>(0, i - (grow - 1) / 2);
      const std::ptrdiff_t to = std::min<std::ptrdiff_t>(n - 1, i + grow / 2);
      std::fill(grown.begin() + from, grown.begin() + to + 1, 1);
    }
    rejected.swap(grown);
    lastGood = good;
    good = std::count(rejected.begin(), rejected.end(), 0);
  }
  if (!fitted || good < fewestGood) return {lowest, highest};
  if (contrast > 0) slope /= contrast;
  return {std::max(lowest, median - double(center - 1) * slope),
          std::min(highest, median + double(n - center) * slope)};
}

DisplayLevels ScaleLevels(ScaleLimits limits, ScaleCurve curve, const Histogram& counts) {
  DisplayLevels levels{};
  const double width = limits.High - limits.Low;
  if (!(width > 0)) {
    for (int v = 0; v < HistogramBins; ++v) levels[std::size_t(v)] = v < limits.Low ? 0 : v > limits.High ? 255 : 128;
    return levels;
  }
  // Histogram equalization: the share of the samples within the limits at or
  // below each level, from 0 at the lowest level within them.
  std::array<double, HistogramBins> share{};
  bool equalize = curve == ScaleCurve::HistogramEqualization;
  if (equalize) {
    const int first = int(std::ceil(limits.Low)), last = int(std::floor(limits.High));
    double running = 0;
    for (int v = std::max(0, first); v <= std::min(255, last); ++v) {
      if (v > first) running += counts[std::size_t(v)];
      share[std::size_t(v)] = running;
    }
    if (running > 0)
      for (int v = 0; v < HistogramBins; ++v)
        share[std::size_t(v)] = v < first ? 0 : v > last ? 1 : share[std::size_t(v)] / running;
    else
      equalize = false;  // one level within the limits: nothing to equalize
  }
  for (int v = 0; v < HistogramBins; ++v) {
    const double t = std::clamp((v - limits.Low) / width, 0.0, 1.0);
    levels[std::size_t(v)] = LevelOf(equalize ? share[std::size_t(v)] : ShapedByCurve(t, curve));
  }
  return levels;
}

ScaledDisplay ScaleDisplay(std::span<const std::uint8_t> workFrame, const OptionSet& active, int lineCount,
                           const DisplaySettings& settings) {
  ScaledDisplay display;
  if (!settings.Scaled()) return display;
  const bool needsCounts = settings.Mode != ScaleMode::ZScale || settings.Curve == ScaleCurve::HistogramEqualization;
  const Histogram counts = needsCounts ? PictureSampleCounts(workFrame, active, lineCount) : Histogram{};
  if (settings.HeldLimits) {
    display.Limits = *settings.HeldLimits;
  } else {
    switch (settings.Mode) {
      case ScaleMode::None: break;
      case ScaleMode::MinMax: display.Limits = MinMaxLimits(counts); break;
      case ScaleMode::Percentile:
        display.Limits = PercentileLimits(counts, settings.LowPercent, settings.HighPercent);
        break;
      case ScaleMode::ZScale:
        display.Limits = ZScaleLimits(SpacedPictureSamples(workFrame, active, lineCount, ZScaleSampleCount));
        break;
    }
  }
  display.Levels = ScaleLevels(display.Limits, settings.Curve, counts);
  return display;
}

}  // namespace vantorel
