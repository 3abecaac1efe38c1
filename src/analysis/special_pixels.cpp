#include "analysis/special_pixels.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "pipeline/picture_mapping.h"

namespace vantorel {

namespace {

constexpr std::uint8_t MissingValue = 0;
constexpr std::uint8_t SaturatedValue = 255;
constexpr int ThousandsGroup = 3;

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

SpecialPixelMap FindSpecialPixels(const FrameDocument& document) {
  if (!document.KeepsReplacedSamples()) throw std::logic_error("the document does not keep its replaced samples");
  const int lineCount = std::clamp(document.LineCount(), 0, FrameLines);
  // One byte of bits per frame sample, at PictureSampleIndex.
  std::vector<std::uint8_t> mask(FitsPlaneBytes, 0);
  const FrameBuffer& frame = document.PristineFrame();
  for (int line = 1; line <= lineCount; ++line)
    for (int s = 1; s <= PictureSamples; ++s) {
      const std::uint8_t v = frame[SampleOffset(line, s)];
      const std::size_t at = PictureSampleIndex(line, s);
      mask[at] = std::uint8_t((v == MissingValue ? MissingBit : 0) | (v == SaturatedValue ? SaturatedBit : 0) |
                              (document.SampleReplaced(line, s) ? ReplacedBit : 0));
    }

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
          if (line <= lineCount && sample <= PictureSamples) bits |= mask[PictureSampleIndex(line, sample)];
        }
      map.Screen[std::size_t(y) * PictureSamples + std::size_t(x)] = bits;
    }
  return map;
}

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
