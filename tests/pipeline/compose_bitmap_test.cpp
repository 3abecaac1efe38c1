#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::BitmapPixel;
using testing::Marker;
using testing::StageHarness;

std::array<int, 3> Grey(int v) { return {v, v, v}; }

void Compose(StageHarness& h) {
  testing::RunStage(h, WriteBitmapHeader);
  testing::RunStage(h, ComposeBitmap);
}

TEST(ComposeBitmapTest, HeaderBytes) {
  const std::uint8_t expected[BmpHeaderBytes] = {
      'B',  'M',  0x36, 0xA9, 0x1A, 0x00, 0, 0, 0,    0,    54, 0, 0, 0,  // file header
      40,   0,    0,    0,    0x40, 0x03, 0, 0, 0xBC, 0x02, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
      0x00, 0xA9, 0x1A, 0x00, 0,    0,    0, 0, 0,    0,    0,  0, 0, 0, 0,  0, 0, 0, 0, 0};
  StageHarness h;
  std::fill_n(h.Bitmap.begin(), BmpHeaderBytes, 0xAA);  // an earlier render's leftovers
  Compose(h);
  EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), h.Bitmap.begin()));
}

TEST(ComposeBitmapTest, ColourRamp) {
  const std::array<int, 4> rows[] = {{0, 0, 0, 0},       {1, 3, 0, 0},        {64, 250, 0, 0},     {65, 250, 4, 0},
                                     {127, 250, 248, 0}, {128, 249, 249, 1},  {150, 162, 162, 88}, {191, 1, 1, 249},
                                     {192, 2, 2, 250},   {255, 250, 250, 250}};  // v, red, green, blue
  StageHarness h;
  h.With(Option::Colorize);
  for (int i = 0; i < int(std::size(rows)); ++i) h.At(1, i + 1) = std::uint8_t(rows[i][0]);
  Compose(h);
  for (int i = 0; i < int(std::size(rows)); ++i)
    EXPECT_EQ(BitmapPixel(h, 1, i + 1), (std::array<int, 3>{rows[i][3], rows[i][2], rows[i][1]})) << rows[i][0];
}

TEST(ComposeBitmapTest, ColourWindowColoursOnlyTheHalfSizePicture) {
  StageHarness h;
  h.FillPicture(100);
  h.With(Option::Colorize).With(Option::Minimize);
  Compose(h);
  const Rgb c = ColorizeSample(100);
  const std::array<int, 3> coloured{c.blue, c.green, c.red};
  ASSERT_NE(coloured, Grey(100));
  const int points[][3] = {{300, 400, 0}, {651, 400, 0}, {400, 192, 0}, {400, 609, 0}, {301, 193, 1}, {650, 608, 1}};
  for (const auto& [line, sample, inWindow] : points)
    EXPECT_EQ(BitmapPixel(h, line, sample), inWindow ? coloured : Grey(100)) << line << "," << sample;
}

// A 692-line frame, in each mode, over buffers an earlier frame filled: the
// plane holds grey values, zero past line 692; pixel rows go bottom-up, each
// pixel grey or coloured as the mode says, those past line 692 black,
// suffixes never shown.
TEST(ComposeBitmapTest, PixelsAndPlaneHoldLinesOneToN) {
  for (auto [colorize, minimize] : {std::pair{0, 0}, std::pair{0, 1}, std::pair{1, 0}, std::pair{1, 1}}) {
    StageHarness h;
    testing::FillMarked(h);
    h.With(Option::Colorize, colorize).With(Option::Minimize, minimize).BytesRead = std::int32_t(ShortFrameFileBytes);
    std::fill(h.Fits.begin(), h.Fits.end(), 0xAA);
    std::fill_n(h.Bitmap.begin(), BmpFileBytes, 0xAA);
    Compose(h);
    for (int line = 1; line <= FrameLines; ++line)
      for (int sample = 1; sample <= PictureSamples; ++sample) {
        const int grey = line <= 692 ? Marker(line, sample) : 0;
        ASSERT_EQ(h.Fits[std::size_t(line - 1) * PictureSamples + std::size_t(sample - 1)], grey)
            << colorize << minimize << " " << line << "," << sample;
        const bool inWindow = line >= 301 && line <= 650 && sample >= 193 && sample <= 608;
        const Rgb c = ColorizeSample(std::uint8_t(grey));
        const std::array<int, 3> colour{c.blue, c.green, c.red};
        const bool coloured = line <= 692 && colorize == 1 && (minimize == 0 || inWindow);
        ASSERT_EQ(BitmapPixel(h, line, sample), coloured ? colour : Grey(grey))
            << colorize << minimize << " " << line << "," << sample;
      }
    EXPECT_TRUE(
        std::all_of(h.Bitmap.begin() + std::ptrdiff_t(BmpFileBytes), h.Bitmap.end(), [](auto b) { return b == 0; }));
  }
}

}  // namespace
}  // namespace vantorel
