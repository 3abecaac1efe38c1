#include "analysis/special_pixels.h"

#include <algorithm>
#include <optional>

#include "pipeline/picture_mapping.h"
#include "pipeline/stages.h"

namespace vantorel {

namespace {

constexpr std::uint8_t MissingValue = 0;
constexpr std::uint8_t SaturatedValue = 255;
constexpr int ThousandsGroup = 3;

// One byte of bits per frame sample: line L, sample s at (L - 1) * 832 + s - 1.
using FrameMask = std::vector<std::uint8_t>;

std::size_t MaskIndex(int line, int sample) { return std::size_t(line - 1) * PictureSamples + std::size_t(sample - 1); }

// Marks the picture samples a stage changed. Work line L holds frame line
// L, or 701 - L once the lines are exchanged.
void MarkChanges(const FrameBuffer& before, const FrameBuffer& after, bool exchanged, int lineCount, FrameMask& mask) {
  for (int line = 1; line <= FrameLines; ++line) {
    const int frameLine = exchanged ? FrameLines + 1 - line : line;
    if (frameLine > lineCount) continue;
    const std::size_t at = SampleOffset(line, 1);
    for (int s = 0; s < PictureSamples; ++s)
      if (before[at + std::size_t(s)] != after[at + std::size_t(s)]) mask[MaskIndex(frameLine, s + 1)] |= ReplacedBit;
  }
}

// Runs the stages of a full render up to the second despeckle on a copy of
// the frame, noting what each cleaning stage changed.
void MarkReplaced(const FrameDocument& document, int lineCount, FrameMask& mask) {
  FrameBuffer work = document.PristineFrame();
  FrameBuffer before;
  ToneSteps steps = document.Steps();
  RenderContext context{.WorkFrame = work,
                        .BitmapImage = {},
                        .FitsPlane = {},
                        .ActiveOptions = document.ActiveOptions(),
                        .Steps = &steps,
                        .BytesRead = document.BytesRead(),
                        .CurrentFileName = document.CurrentFileName(),
                        .Despeckle = DespeckleSettings{}};
  const bool exchanged = Entry(context.ActiveOptions, Option::Flip) == 0;
  const auto cleaning = [&](void (*stage)(RenderContext&), bool afterFlip) {
    before = work;
    stage(context);
    MarkChanges(before, work, afterFlip && exchanged, lineCount, mask);
  };
  if (context.On(Option::Reconstruct)) cleaning(ReconstructSamples, false);
  if (!context.On(Option::Despeckle)) return;
  FlipStage(context);
  cleaning(DespeckleEarly, true);
  MapTones(context);
  cleaning(DespeckleLate, true);
}

}  // namespace

SpecialPixelMap FindSpecialPixels(const FrameDocument& document) {
  const int lineCount = std::clamp(document.LineCount(), 0, FrameLines);
  FrameMask mask(FitsPlaneBytes, 0);
  const FrameBuffer& frame = document.PristineFrame();
  for (int line = 1; line <= lineCount; ++line)
    for (int s = 1; s <= PictureSamples; ++s) {
      const std::uint8_t v = frame[SampleOffset(line, s)];
      if (v == MissingValue) mask[MaskIndex(line, s)] |= MissingBit;
      if (v == SaturatedValue) mask[MaskIndex(line, s)] |= SaturatedBit;
    }
  if (!document.ShowsOriginal()) MarkReplaced(document, lineCount, mask);

  SpecialPixelMap map;
  for (const std::uint8_t bits : mask) {
    map.Counts.Missing += (bits & MissingBit) != 0;
    map.Counts.Saturated += (bits & SaturatedBit) != 0;
    map.Counts.Replaced += (bits & ReplacedBit) != 0;
  }
  map.Screen.assign(FitsPlaneBytes, 0);
  const OptionSet& active = document.ActiveOptions();
  for (int y = 0; y < FrameLines; ++y)
    for (int x = 0; x < PictureSamples; ++x) {
      const std::optional<FramePosition> position = FramePositionAt(x, y, active, lineCount);
      if (!position) continue;
      std::uint8_t bits = 0;
      for (int dl = 0; dl < position->BlockSize; ++dl)
        for (int ds = 0; ds < position->BlockSize; ++ds) {
          const int line = position->Line + dl, sample = position->Sample + ds;
          if (line <= lineCount && sample <= PictureSamples) bits |= mask[MaskIndex(line, sample)];
        }
      map.Screen[std::size_t(y) * PictureSamples + std::size_t(x)] = bits;
    }
  return map;
}

namespace {

std::string WithThousands(std::int32_t count) {
  const std::string digits = std::to_string(count);
  const std::size_t sign = !digits.empty() && digits[0] == '-' ? 1 : 0;
  std::string text = digits.substr(0, sign);
  for (std::size_t i = sign; i < digits.size(); ++i) {
    if (i > sign && (digits.size() - i) % ThousandsGroup == 0) text += ',';
    text += digits[i];
  }
  return text;
}

}  // namespace

std::string SpecialPixelStatusText(const SpecialPixelCounts& counts) {
  std::string text = "missing ";
  text += WithThousands(counts.Missing);
  text += " / saturated ";
  text += WithThousands(counts.Saturated);
  text += " / replaced ";
  text += WithThousands(counts.Replaced);
  return text;
}

}  // namespace vantorel
