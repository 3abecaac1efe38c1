// The text chunks of an exported PNG: which frame, which data set, what its
// header says, and the settings that made the picture, so that the file alone
// tells how to make it again.
#pragma once

#include <optional>

#include "output/png_file.h"
#include "viewer/frame_document.h"

namespace vantorel {

inline constexpr const char* PngFileNameKeyword = "Title";
inline constexpr const char* PngDataSetKeyword = "Data Set";
inline constexpr const char* PngHeaderKeyword = "Description";
inline constexpr const char* PngOptionsKeyword = "Options";
inline constexpr const char* PngCountersKeyword = "Counters";
inline constexpr const char* PngDisplayKeyword = "Display";
inline constexpr const char* PngSoftwareKeyword = "Software";

// The display scale and colour map in vantorel-render's words, with the limits
// used: "scale percentile:1,99 curve sqrt low 3.5 high 201 colormap viridis";
// without a scale "colormap viridis"; empty for the plain grey picture. Without
// limits (each frame of an animation has its own), the words alone.
std::string DisplayText(const DisplaySettings& display, std::optional<ScaleLimits> limits);
// The scale alone, as FITS HISTORY notes it; empty without one.
std::string DisplayScaleText(const DisplaySettings& display, std::optional<ScaleLimits> limits);

// File name, data set, the Info box lines (the Mariner 9 box for a Mariner 9
// header), options, counters, the display (only when there is a scale or
// colour map) and program, in that order. Options are named as
// vantorel-render's switches ("stretch despeckle colorize", or "none"), or are
// "Original Image" after that command; counters read
// "brightness -40 contrast 1 gradient 0".
PngText PngTextFor(const FrameDocument& document);
// An animation's: the options, counters, display and program its frames were rendered with.
PngText AnimationPngText(const OptionSet& options, bool original, const ToneSteps& steps,
                         const DisplaySettings& display);

}  // namespace vantorel
