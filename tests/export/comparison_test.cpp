#include "export/comparison.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/test_support.h"
#include "viewer/frame_comparison.h"

namespace vantorel {
namespace {

// A pair with a known offset: the second is the first's scene 7 lines down and 12 samples back.
class ComparisonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    first.Load(testing::WriteShiftedFrame(VANTOREL_SAMPLES_DIR "/MVE0101.012", dir, "a/MVE0101.012", 0, 0), {});
    second.Load(testing::WriteShiftedFrame(VANTOREL_SAMPLES_DIR "/MVE0101.012", dir, "b/MVE0101.012", 7, -12), {});
  }
  // Pixel (x, y from the top) of the first document's picture.
  std::vector<std::uint8_t> FirstPixel(int x, int y) const {
    const std::uint8_t* at =
        first.CurrentBmp().data() + BmpHeaderBytes + std::size_t(FrameLines - 1 - y) * BmpRowBytes + std::size_t(x) * 3;
    return {at, at + 3};
  }
  static std::vector<std::uint8_t> PixelOf(const ComparisonPicture& picture, int x, int y) {
    const std::uint8_t* at = picture.Bgr.data() + (std::size_t(y) * std::size_t(picture.Width) + std::size_t(x)) * 3;
    return {at, at + 3};
  }
  testing::TempDir dir;
  FrameDocument first, second;
  const PictureOffset known{7, -12};
};

// Inside the overlap, each mode shows the first's place where the second is moved onto it.
TEST_F(ComparisonTest, EachModeLinesTheSecondUpWithTheFirst) {
  const ComparisonPicture aligned = AlignedSecond(second, known), both = SideBySide(first, second, known);
  const ComparisonPicture difference = Difference(first, second, known);
  const ComparisonPicture unaligned = Difference(first, second, {0, 0});
  ASSERT_EQ(both.Width, 2 * PictureSamples);
  int differing = 0, shown = 0;
  for (int y = 20; y < FrameLines - 20; y += 3)
    for (int x = 20; x < PictureSamples - 20; x += 3) {
      EXPECT_EQ(PixelOf(aligned, x, y), FirstPixel(x, y)) << x << ',' << y;
      EXPECT_EQ(PixelOf(both, x, y), FirstPixel(x, y));
      EXPECT_EQ(PixelOf(both, PictureSamples + x, y), FirstPixel(x, y));
      const std::vector<std::uint8_t> pixel = PixelOf(difference, x, y);
      if (pixel == std::vector<std::uint8_t>{0, 0, 0}) continue;  // a missing sample
      ++shown;
      EXPECT_EQ(pixel, (std::vector<std::uint8_t>{255, 255, 255})) << x << ',' << y;
      differing += PixelOf(unaligned, x, y) != pixel;
    }
  EXPECT_GT(shown, 50'000);
  EXPECT_GT(differing, shown / 2);
  // Where the moved second does not reach (its last 7 lines), nothing is shown; its first row and column do show.
  EXPECT_EQ(PixelOf(aligned, 400, FrameLines - 3), (std::vector<std::uint8_t>{0, 0, 0}));
  const ComparisonPicture up = AlignedSecond(first, {-5, -3});
  int lit = 0;
  for (int x = 3; x < PictureSamples; ++x) {
    EXPECT_EQ(PixelOf(up, x, 5), FirstPixel(x - 3, 0)) << x;
    lit += FirstPixel(x - 3, 0) != std::vector<std::uint8_t>{0, 0, 0};
  }
  EXPECT_GT(lit, 100);
  EXPECT_EQ(PixelOf(up, 2, 5), (std::vector<std::uint8_t>{0, 0, 0}));
}

// The comparison finds the pair's offset, keeps nudges until the geometry
// changes, and reads both frames at the same place of the scene.
TEST_F(ComparisonTest, ComparisonAlignsNudgesAndReadsBothFrames) {
  FrameComparison comparison(second.CurrentPath(), first);
  EXPECT_NEAR(comparison.Offset().Lines, known.Lines, 0.2);
  EXPECT_NEAR(comparison.Offset().Samples, known.Samples, 0.2);
  comparison.Nudge(1, -2);
  EXPECT_NEAR(comparison.Offset().Lines, known.Lines - 1, 0.2);
  EXPECT_NEAR(comparison.Offset().Samples, known.Samples + 2, 0.2);
  EXPECT_EQ(comparison.OffsetText(),
            "second MVE0101.012 lies 6 lines, -10 samples from the first (nudged 1 down, -2 right)");
  comparison.ResetNudge();

  int firstLine = 0, firstSample = 0, firstRaw = 0, secondLine = 0, secondSample = 0, secondRaw = 0;
  int read = 0;
  for (int x = 300; x < 340; ++x) {
    const std::string text = comparison.ReadoutText(first, x, 350);
    ASSERT_EQ(
        std::sscanf(text.c_str(), "first line %d, sample %d: raw %d, shown %*d  |  second line %d, sample %d: raw %d",
                    &firstLine, &firstSample, &firstRaw, &secondLine, &secondSample, &secondRaw),
        6)
        << text;
    EXPECT_EQ(secondSample - firstSample, -12);
    EXPECT_EQ(std::abs(secondLine - firstLine), 7);
    EXPECT_EQ(secondRaw, firstRaw) << text;
    read += firstRaw != 0;
  }
  EXPECT_GT(read, 30);
  EXPECT_EQ(comparison.ReadoutText(first, -5, 350), "");

  // Flipped, the picture runs the other way: aligned again, the frame offset the same.
  comparison.Nudge(3, 3);
  first.ToggleActiveOption(Option::Flip);
  comparison.Follow(first);
  EXPECT_EQ(comparison.Second().ActiveOptions(), first.ActiveOptions());
  EXPECT_NEAR(std::abs(comparison.Offset().Lines), known.Lines, 0.2);
  EXPECT_EQ(comparison.OffsetText().find("nudged"), std::string::npos);
  EXPECT_NE(comparison.OffsetText().find("lies 7 lines, -12 samples"), std::string::npos) << comparison.OffsetText();

  // A file that is not there leaves a black second: no offset, and why.
  const FrameComparison missing((dir.Path() / "none.012").string(), first);
  EXPECT_FALSE(missing.AlignmentError().empty());
  EXPECT_EQ(missing.Offset().Lines, 0);
}

}  // namespace
}  // namespace vantorel
