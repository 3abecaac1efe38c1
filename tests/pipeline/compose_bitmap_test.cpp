#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

std::size_t PixelOffset(int line, int sample) {
  return BmpHeaderBytes + std::size_t(line - 1) * BmpRowBytes + std::size_t(sample - 1) * 3;
}

// Blue, green, red of the pixel of (line, sample).
std::array<int, 3> Pixel(const StageHarness& harness, int line, int sample) {
  const std::size_t at = PixelOffset(line, sample);
  return {harness.Bitmap[at], harness.Bitmap[at + 1], harness.Bitmap[at + 2]};
}

std::array<int, 3> Grey(int v) { return {v, v, v}; }
std::array<int, 3> Coloured(std::uint8_t v) {
  const Rgb c = ColorizeSample(v);
  return {c.blue, c.green, c.red};
}

std::uint8_t Marker(int line, int sample) { return std::uint8_t((line * 13 + sample * 5) % 256); }

void FillMarked(StageHarness& harness) {
  for (int line = 0; line < FrameRecords; ++line)
    for (int sample = 1; sample <= RecordBytes; ++sample) harness.Work[SampleOffset(line, sample)] = Marker(line, sample);
}

void Compose(StageHarness& harness) {
  RenderContext context = harness.Context();
  WriteBitmapHeader(context);
  ComposeBitmap(context);
}

TEST(ComposeBitmapTest, HeaderBytes) {
  const std::uint8_t expected[BmpHeaderBytes] = {
      'B', 'M', 0x36, 0xA9, 0x1A, 0x00, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
      40, 0, 0, 0, 0x40, 0x03, 0, 0, 0xBC, 0x02, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
      0x00, 0xA9, 0x1A, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  StageHarness harness;
  harness.BytesRead = 0;  // the header does not depend on the frame
  Compose(harness);
  EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), harness.Bitmap.begin()));
}

TEST(ComposeBitmapTest, GreyPixelsAreStoredBottomUp) {
  StageHarness harness;
  harness.At(1, 1) = 7;
  harness.At(2, 3) = 5;
  harness.At(700, 832) = 9;
  harness.At(1, 833) = 200;  // suffix: never composed
  Compose(harness);
  EXPECT_EQ(harness.Bitmap[54], 7);
  EXPECT_EQ(Pixel(harness, 1, 1), Grey(7));
  EXPECT_EQ(harness.Bitmap[54 + 2496 + 6], 5);
  EXPECT_EQ(Pixel(harness, 2, 3), Grey(5));
  EXPECT_EQ(Pixel(harness, 700, 832), Grey(9));
  EXPECT_EQ(harness.Bitmap[BmpFileBytes - 1], 9);
  EXPECT_EQ(Pixel(harness, 2, 1), Grey(0));
  EXPECT_EQ(harness.Fits[0], 7);
  EXPECT_EQ(harness.Fits[832 + 2], 5);
  EXPECT_EQ(harness.Fits[FitsPlaneBytes - 1], 9);
  EXPECT_EQ(std::count(harness.Fits.begin(), harness.Fits.end(), 200), 0);
}

struct RampRow {
  int v, red, green, blue;
};

TEST(ComposeBitmapTest, ColourRamp) {
  const RampRow rows[] = {{0, 0, 0, 0},       {1, 3, 0, 0},         {64, 250, 0, 0},     {65, 250, 4, 0},
                          {127, 250, 248, 0}, {128, 249, 249, 1},   {150, 162, 162, 88}, {191, 1, 1, 249},
                          {192, 2, 2, 250},   {255, 250, 250, 250}};
  StageHarness harness;
  harness.With(Option::Colorize);
  for (int i = 0; i < int(std::size(rows)); ++i) harness.At(1, i + 1) = std::uint8_t(rows[i].v);
  Compose(harness);
  for (int i = 0; i < int(std::size(rows)); ++i) {
    const RampRow& row = rows[i];
    const Rgb c = ColorizeSample(std::uint8_t(row.v));
    EXPECT_EQ((std::array<int, 3>{c.red, c.green, c.blue}), (std::array<int, 3>{row.red, row.green, row.blue})) << row.v;
    EXPECT_EQ(Pixel(harness, 1, i + 1), (std::array<int, 3>{row.blue, row.green, row.red})) << row.v;
  }
  for (int v = 0; v < 256; ++v) {
    const Rgb c = ColorizeSample(std::uint8_t(v));
    EXPECT_LE(std::max({c.red, c.green, c.blue}), 250) << v;
  }
}

TEST(ComposeBitmapTest, ColourWindowColoursOnlyTheHalfSizePicture) {
  StageHarness harness;
  harness.FillPicture(100);  // grey 100 and its colour differ
  harness.With(Option::Colorize).With(Option::Minimize);
  Compose(harness);
  const struct {
    int line, sample;
    bool coloured;
  } points[] = {{300, 400, false}, {651, 400, false}, {400, 192, false}, {400, 609, false},
                {301, 193, true},  {650, 608, true},  {301, 608, true},  {650, 193, true},
                {1, 1, false},     {700, 832, false}};
  for (const auto& p : points)
    EXPECT_EQ(Pixel(harness, p.line, p.sample), p.coloured ? Coloured(100) : Grey(100)) << p.line << "," << p.sample;
}

TEST(ComposeBitmapTest, ShortFrameLeavesTheTopRowsBlack) {
  StageHarness harness;
  FillMarked(harness);
  harness.FillPicture(77);
  harness.BytesRead = std::int32_t(ShortFrameFileBytes);
  Compose(harness);
  EXPECT_EQ(Pixel(harness, 692, 832), Grey(77));
  EXPECT_TRUE(std::all_of(harness.Bitmap.begin() + std::ptrdiff_t(PixelOffset(693, 1)), harness.Bitmap.end(),
                          [](auto b) { return b == 0; }));
}

TEST(ComposeBitmapTest, NoLinesGiveABlackPicture) {
  StageHarness harness;
  harness.FillPicture(77);
  harness.BytesRead = 2 * RecordBytes - 1;
  Compose(harness);
  EXPECT_TRUE(std::all_of(harness.Bitmap.begin() + BmpHeaderBytes, harness.Bitmap.end(), [](auto b) { return b == 0; }));
}

struct ModeCase {
  int colorize, minimize;
};

class FitsPlaneTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(FitsPlaneTest, HoldsGreyValuesAndZeroPastTheLastLine) {
  StageHarness harness;
  FillMarked(harness);
  harness.With(Option::Colorize, GetParam().colorize).With(Option::Minimize, GetParam().minimize);
  harness.BytesRead = std::int32_t(ShortFrameFileBytes);
  std::fill(harness.Fits.begin(), harness.Fits.end(), 0xAA);  // an earlier frame's samples
  Compose(harness);
  for (int line = 1; line <= FrameLines; ++line)
    for (int sample = 1; sample <= PictureSamples; ++sample)
      ASSERT_EQ(harness.Fits[std::size_t(line - 1) * PictureSamples + std::size_t(sample - 1)],
                line <= 692 ? Marker(line, sample) : 0)
          << line << "," << sample;
}

INSTANTIATE_TEST_SUITE_P(Modes, FitsPlaneTest,
                         ::testing::Values(ModeCase{0, 0}, ModeCase{0, 1}, ModeCase{1, 0}, ModeCase{1, 1}));

}  // namespace
}  // namespace vantorel
