#include "analysis/special_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <stdexcept>

#include "support/ebcdic_text.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

// A flat frame with three things to find, in file lines and samples.
struct Feature {
  int line, sample;
  std::uint8_t value, bits;
};
constexpr Feature Features[] = {
    {10, 20, 0, MissingBit | ReplacedBit},       // reconstruction fills it
    {50, 100, 255, SaturatedBit | ReplacedBit},  // the first despeckle takes it
    {600, 700, 160, ReplacedBit},                // a speck the first despeckle takes
};

struct GeometryCase {
  const char* caseName;
  bool flip, rotate, minimize;
};

void PrintTo(const GeometryCase& c, std::ostream* out) { *out << c.caseName; }

// Where the composed picture shows file line L, sample s, worked out from the
// stages: the lines are exchanged unless Flip, and again with Rotate, which
// also mirrors the samples; the half-size picture starts at line 301, sample
// 193, and the picture's top row is line 700.
std::pair<int, int> ScreenOf(const GeometryCase& c, int line, int sample) {
  const bool exchanged = c.flip == c.rotate;
  int workLine = exchanged ? FrameLines + 1 - line : line;
  int workSample = c.rotate ? PictureSamples + 1 - sample : sample;
  if (c.minimize) {
    workLine = 301 + (workLine - 1) / 2;
    workSample = 193 + (workSample - 1) / 2;
  }
  return {workSample - 1, FrameLines - workLine};
}

// Loads a flat frame of 100s holding the features, with both cleaning stages and `geometry` on.
void LoadFeatures(FrameDocument& document, const GeometryCase& geometry) {
  testing::TempDir dir;
  std::vector<std::uint8_t> file(std::size_t(FullFrameFileBytes), 0);
  testing::PutMariner10Header(file);
  for (int line = 1; line <= FrameLines; ++line) std::fill_n(file.begin() + SampleOffset(line, 1), PictureSamples, 100);
  for (const Feature& f : Features) file[SampleOffset(f.line, f.sample)] = f.value;
  testing::WriteBytes(dir / "MVE0101.012", file);

  OptionSet options{};
  for (Option option : {Option::Reconstruct, Option::Despeckle}) Entry(options, option) = 1;
  Entry(options, Option::Flip) = geometry.flip;
  Entry(options, Option::Rotate) = geometry.rotate;
  Entry(options, Option::Minimize) = geometry.minimize;
  document.Load(dir / "MVE0101.012", options);
}

constexpr GeometryCase Plain{"Plain", false, false, false};

class SpecialPixelsTest : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(SpecialPixelsTest, FindsEachFeatureWhereThePictureShowsIt) {
  const GeometryCase& c = GetParam();
  FrameDocument document;
  document.KeepReplacedSamples(true);
  LoadFeatures(document, c);
  EXPECT_EQ(document.Replaced().Reconstruction, 1);
  EXPECT_EQ(document.Replaced().DespeckleEarly, 2);
  EXPECT_EQ(document.Replaced().DespeckleLate, 0);

  const SpecialPixelMap map = FindSpecialPixels(document);
  EXPECT_EQ(map.Counts.Missing, 1);
  EXPECT_EQ(map.Counts.Saturated, 1);
  EXPECT_EQ(map.Counts.Replaced, 3);
  ASSERT_EQ(map.Screen.size(), FitsPlaneBytes);
  for (const Feature& f : Features) {
    const auto [x, y] = ScreenOf(c, f.line, f.sample);
    EXPECT_EQ(map.Screen[std::size_t(y) * PictureSamples + std::size_t(x)], f.bits)
        << "line " << f.line << " at x " << x << " y " << y;
  }
  EXPECT_EQ(std::count_if(map.Screen.begin(), map.Screen.end(), [](std::uint8_t b) { return b != 0; }), 3);

  // Original Image replaces nothing.
  document.ShowOriginalImage();
  const SpecialPixelMap original = FindSpecialPixels(document);
  EXPECT_EQ(original.Counts.Replaced, 0);
  EXPECT_EQ(original.Counts.Missing, 1);
  EXPECT_EQ(std::count(original.Screen.begin(), original.Screen.end(), 0), std::ptrdiff_t(FitsPlaneBytes) - 2);
}

INSTANTIATE_TEST_SUITE_P(Geometry, SpecialPixelsTest,
                         ::testing::Values(Plain, GeometryCase{"Flip", true, false, false},
                                           GeometryCase{"Rotate", false, true, false},
                                           GeometryCase{"FlipRotate", true, true, false},
                                           GeometryCase{"Minimize", false, false, true},
                                           GeometryCase{"FlipMinimize", true, false, true},
                                           GeometryCase{"RotateMinimize", false, true, true},
                                           GeometryCase{"FlipRotateMinimize", true, true, true}),
                         ::testing::PrintToStringParamName());

// Asked for after a render, the document works that render again, to the very
// same picture; a render while they are not kept notes nothing.
TEST(SpecialPixels, AreKeptFromTheMomentTheyAreAskedFor) {
  FrameDocument kept, asked;
  kept.KeepReplacedSamples(true);
  LoadFeatures(kept, Plain);
  LoadFeatures(asked, Plain);
  const ToneSteps steps{-40, -99, 99};  // contrast and gradient past their bounds
  kept.RenderWithSteps(steps);
  asked.RenderWithSteps(steps);
  EXPECT_THROW(FindSpecialPixels(asked), std::logic_error);
  asked.KeepReplacedSamples(true);
  EXPECT_TRUE(std::ranges::equal(asked.CurrentBmp(), kept.CurrentBmp()));
  EXPECT_EQ(FindSpecialPixels(asked).Screen, FindSpecialPixels(kept).Screen);

  asked.KeepReplacedSamples(false);
  asked.ShowOriginalImage();
  asked.KeepReplacedSamples(true);
  EXPECT_EQ(FindSpecialPixels(asked).Counts.Replaced, 0);
}

TEST(SpecialPixelStatusText, SeparatesThousandsWithCommas) {
  const struct {
    SpecialPixelCounts counts;
    const char* text;
  } cases[] = {{{0, 0, 0}, "missing 0 / saturated 0 / replaced 0"},
               {{999, 1000, 1234567}, "missing 999 / saturated 1,000 / replaced 1,234,567"},
               {{1204, 37, 5610}, "missing 1,204 / saturated 37 / replaced 5,610"},
               {{582400, 100000, 10}, "missing 582,400 / saturated 100,000 / replaced 10"}};
  for (const auto& c : cases) EXPECT_EQ(SpecialPixelStatusText(c.counts), c.text);
}

}  // namespace
}  // namespace vantorel
