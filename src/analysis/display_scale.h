// The display scale: the limits a mode finds over the picture samples, and
// the levels the picture shows between them along a curve.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/value_counts.h"
#include "pipeline/display_settings.h"
#include "pipeline/render_context.h"

namespace vantorel {

// Z-scale's usual parameters.
inline constexpr int ZScaleSampleCount = 1000;
inline constexpr double ZScaleContrast = 0.25;

// The picture samples of a work frame after the geometry (see
// PictureSamplesOf): the lines the frame lacks and the grey around a
// half-size picture are not among them.
Histogram PictureSampleCounts(std::span<const std::uint8_t> workFrame, const OptionSet& active, int lineCount);
// At most `count` of them, evenly spaced through the picture, line 1 first.
std::vector<std::uint8_t> SpacedPictureSamples(std::span<const std::uint8_t> workFrame, const OptionSet& active,
                                               int lineCount, int count);

// The smallest and largest level present; 0..255 when there is none.
ScaleLimits MinMaxLimits(const Histogram& counts);
// The levels at low and high percent of the sorted samples, interpolated
// between neighbours; 0..255 when there is none.
ScaleLimits PercentileLimits(const Histogram& counts, double lowPercent, double highPercent);
// A line fitted to the sorted samples' central part, with outliers rejected
// at 2.5 sigma and grown; limits the median -/+ the slope over the samples
// divided by contrast, within the samples' range. 0..255 when there are none.
ScaleLimits ZScaleLimits(std::vector<std::uint8_t> samples, double contrast = ZScaleContrast);

// Level shown for each tone-mapped level: 0 at or below Low, 255 at or above
// High, the curve between them; histogram equalization follows counts within
// the limits. Zero-width limits show the picture flat, at mid grey.
DisplayLevels ScaleLevels(ScaleLimits limits, ScaleCurve curve, const Histogram& counts);

struct ScaledDisplay {
  ScaleLimits Limits;
  DisplayLevels Levels = IdentityLevels();
};

// The scale that settings ask for over a rendered work frame (held limits
// before the mode's); the identity with no scale.
ScaledDisplay ScaleDisplay(std::span<const std::uint8_t> workFrame, const OptionSet& active, int lineCount,
                           const DisplaySettings& settings);

}  // namespace vantorel
