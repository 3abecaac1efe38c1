// What one pipeline run works on. A render owns WorkFrame and BitmapImage; the
// document owns FitsPlane and the step counters, which the tone mapping may bound.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "frames/frame_layout.h"
#include "pipeline/display_settings.h"

namespace vantorel {

// Entries of OptionFlags and ActiveOptions, in their fixed order.
enum class Option : int { Stretch, Despeckle, Reconstruct, Flip, Rotate, Sharpen, Invert, Minimize, Colorize };

// Nine entries, each 0 or 1; a stage acts only when its entry is exactly 1
// (the flip stage when its entry is 0).
using OptionSet = std::array<int, OptionCount>;

constexpr int& Entry(OptionSet& set, Option option) { return set[static_cast<int>(option)]; }
constexpr int Entry(const OptionSet& set, Option option) { return set[static_cast<int>(option)]; }

// What each option is called wherever it is named: the command line's switch,
// the word PNG text uses (so that a reader can render the picture again), and
// the name FITS HISTORY gives it.
struct OptionName {
  Option Entry;
  std::string_view Flag;     // "--stretch"
  std::string_view Word;     // "stretch"
  std::string_view History;  // "Stretch"
};

// In the order of OptionSet.
inline constexpr std::array<OptionName, OptionCount> OptionNames = {{
    {Option::Stretch, "--stretch", "stretch", "Stretch"},
    {Option::Despeckle, "--despeckle", "despeckle", "Despeckle"},
    {Option::Reconstruct, "--reconstruct", "reconstruct", "Reconstruct"},
    {Option::Flip, "--flip", "flip", "Flip"},
    {Option::Rotate, "--rotate", "rotate", "Rotate"},
    {Option::Sharpen, "--sharpen", "sharpen", "Sharpen"},
    {Option::Invert, "--invert", "invert", "Invert"},
    {Option::Minimize, "--minimize", "minimize", "Minimize"},
    {Option::Colorize, "--colorize", "colorize", "Colorize"},
}};

// Whether an option's stage changes the grey samples (WorkFrame, and so
// FitsPlane) rather than only how composition colours them.
constexpr bool ShapesGreyPlane(Option option) { return option != Option::Colorize; }

struct ToneSteps {
  std::int32_t BrightnessStep = 0;
  std::int32_t ContrastStep = 0;
  std::int32_t GradientStep = 0;

  bool operator==(const ToneSteps&) const = default;
};

// The first despeckle stage's window and thresholds, set when a frame is opened.
struct DespeckleSettings {
  int FirstOffset = 2 * RecordBytes + 1;                // 1,937: (line 2, s = 1)
  int LastOffset = (FrameLines - 1) * RecordBytes - 3;  // 676,629: (line 698, s = 965)
  std::uint8_t BrightSpeckThreshold = 10;
  std::uint8_t DarkSpeckThreshold = 10;
};

// Picture samples (lines 1..700, samples 1..832) whose value a cleaning stage
// changed in one render; suffix bytes the stages also sweep are not counted.
struct ReplacedCounts {
  std::int32_t Reconstruction = 0;
  std::int32_t DespeckleEarly = 0;
  std::int32_t DespeckleLate = 0;
};

struct RenderContext {
  std::span<std::uint8_t> WorkFrame;    // FrameBytes
  std::span<std::uint8_t> BitmapImage;  // BitmapImageBytes; the BMP part is written whole, the tail stays zero
  std::span<std::uint8_t> FitsPlane;    // FitsPlaneBytes
  OptionSet ActiveOptions{};
  ToneSteps* Steps = nullptr;  // the document's counters; MapTones stores bounds back
  std::int32_t BytesRead = 0;
  std::string_view CurrentFileName;
  DespeckleSettings Despeckle;
  ReplacedCounts Replaced{};  // written by the stages that count
  // Optional, FitsPlaneBytes: the stages that count also set to 1 the byte of
  // each frame sample they replace, at PictureSampleIndex of its place in the
  // loaded frame (whichever work line holds it). The owner clears it; empty
  // when nobody asked, which costs the stages nothing.
  std::span<std::uint8_t> ReplacedMask{};
  // Set by FlipStage when it exchanges the lines: work line L then holds frame line 701 - L.
  bool LinesExchanged = false;
  // How composition shows the grey samples; FitsPlane keeps them as they are.
  DisplaySettings Display{};
  // Set by DisplayScaleStage: the limits it used, and the level shown for
  // each grey level of a picture sample (the identity with no scale).
  ScaleLimits DisplayLimits{};
  DisplayLevels ShownLevels = IdentityLevels();

  bool On(Option option) const { return Entry(ActiveOptions, option) == 1; }
  // Notes the picture sample at a work-frame offset (within lines 1..700) as
  // replaced, when a mask was asked for.
  void NoteReplaced(int offset) const {
    if (ReplacedMask.empty()) return;
    const int workLine = offset / RecordBytes;
    const int frameLine = LinesExchanged ? FrameLines + 1 - workLine : workLine;
    ReplacedMask[PictureSampleIndex(frameLine, offset % RecordBytes + 1)] = 1;
  }
  // Image lines the read filled, 0..700. The stages that work on the lines
  // read touch lines 1..PresentLines() only, and nothing when it is 0.
  int PresentLines() const { return std::max(0, LineCountFor(BytesRead)); }
  // Records 1..PresentLines() of WorkFrame, suffixes included.
  std::span<std::uint8_t> PresentRecords() const {
    return WorkFrame.subspan(RecordBytes, std::size_t(PresentLines()) * RecordBytes);
  }
};

}  // namespace vantorel
