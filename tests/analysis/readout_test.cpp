#include "analysis/readout.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::PatternByte;

struct ReadoutCase {
  const char* name;
  Option option;  // switched on for the load; Stretch stands for none
  std::size_t fileBytes;
  int x, y;
  std::optional<FramePosition> expected;
  DisplaySettings display = {};
};

// The grey level of the picture pixel (x, y) of a composed BMP, y from the top.
int ShownGrey(const Picture& picture, int x, int y) {
  return picture.Bmp[BmpHeaderBytes + std::size_t(FrameLines - 1 - y) * BmpRowBytes + std::size_t(x) * 3];
}

// The pixel's frame place, what the file holds there and what the picture
// shows there, over real loads.
TEST(Readout, NamesTheFramePlaceItsRawValueAndTheShownLevel) {
  const std::size_t full = std::size_t(FullFrameFileBytes), shortFrame = std::size_t(ShortFrameFileBytes);
  const ReadoutCase cases[] = {
      {"top left", Option::Stretch, full, 0, 0, FramePosition{1, 1}},
      {"bottom right", Option::Stretch, full, 831, 699, FramePosition{700, 832}},
      {"flipped", Option::Flip, full, 0, 0, FramePosition{700, 1}},
      {"rotated", Option::Rotate, full, 0, 0, FramePosition{700, 832}},
      {"inverted", Option::Invert, full, 5, 7, FramePosition{8, 6}},
      {"half size", Option::Minimize, full, 192, 50, FramePosition{1, 1, 2}},
      {"half size background", Option::Minimize, full, 191, 50, std::nullopt},
      {"short frame", Option::Stretch, shortFrame, 0, 8, FramePosition{9, 1}},
      {"row past the short frame's lines", Option::Stretch, shortFrame, 0, 7, std::nullopt},
      {"line the short frame lacks", Option::Stretch, shortFrame, 0, 699, std::nullopt},
      {"unreadable", Option::Stretch, 0, 0, 0, std::nullopt},
      {"through a display scale", Option::Stretch, full, 5, 7, FramePosition{8, 6},
       DisplaySettings{.Mode = ScaleMode::Percentile,
                       .Curve = ScaleCurve::Sqrt,
                       .LowPercent = 20,
                       .HighPercent = 60,
                       .HeldLimits = std::nullopt,
                       .Map = ColorMap::Grey}},
  };
  for (const ReadoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    if (c.fileBytes > 0) testing::WriteBytes(dir / "frame.001", testing::PatternFrameFile(c.fileBytes));
    OptionSet options{};
    if (c.option != Option::Stretch) Entry(options, c.option) = 1;
    FrameDocument document;
    document.SetDisplay(c.display);
    const Picture picture = document.Load(dir / "frame.001", options);

    const std::optional<PixelReadout> readout = ReadoutAt(document, c.x, c.y);
    ASSERT_EQ(readout.has_value(), c.expected.has_value());
    if (!readout) continue;
    EXPECT_EQ(readout->Position, *c.expected);
    const FramePosition& p = *c.expected;
    int raw = 0;
    for (int line = p.Line; line < p.Line + p.BlockSize; ++line)
      for (int sample = p.Sample; sample < p.Sample + p.BlockSize; ++sample) raw += PatternByte(line, sample - 1);
    EXPECT_EQ(readout->Raw, raw / (p.BlockSize * p.BlockSize));
    EXPECT_EQ(readout->Shown, ShownGrey(picture, c.x, c.y));
  }
}

TEST(Readout, TextNamesOneSampleOrABlock) {
  EXPECT_EQ(ReadoutText({{12, 345, 1}, 87, 140}), "line 12, sample 345: raw 87, shown 140");
  EXPECT_EQ(ReadoutText({{11, 345, 2}, 87, 140}), "lines 11-12, samples 345-346: raw 87, shown 140");
}

}  // namespace
}  // namespace vantorel
