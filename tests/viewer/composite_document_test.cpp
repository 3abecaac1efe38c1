// The window's composite of three views of one scene with known shifts.
#include "viewer/composite_document.h"

#include <gtest/gtest.h>

#include "analysis/readout.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::ReadBytes;
using testing::TempDir;

// Without options a picture row is a frame line, so the shifts hold in rows and
// columns too: green's row y + 7 and blue's y - 5 show red's row y.
TEST(CompositeDocumentTest, ReadsOutEachChannelsAlignedLevel) {
  TempDir dir;
  const auto [red, green, blue] = testing::WriteShiftedViews(VANTOREL_SAMPLES_DIR "/MVE0101.012", dir);
  CompositeDocument composite;
  EXPECT_FALSE(composite.Compose({red, dir / "none", blue}, {}, {}));
  EXPECT_NE(composite.Error().find(dir / "none"), std::string::npos) << composite.Error();
  ASSERT_TRUE(composite.Compose({red, green, blue}, {}, {})) << composite.Error();
  EXPECT_EQ(composite.OffsetsText(), "green 7 lines, -12 samples; blue -5 lines, 9 samples from red");

  struct Case {
    const char* Name;
    int X, Y;
    bool Green, Blue;  // whether the channel reaches
  };
  const Case cases[] = {
      {"all three", 400, 300, true, true},
      {"green moved off the bottom", 500, 696, false, true},
      {"blue moved off the top", 300, 3, true, false},
      {"blue moved off the right", 826, 200, true, false},
  };
  for (int inverted = 0; inverted < 2; ++inverted) {
    AnimationLook look;
    Entry(look.Options, Option::Invert) = inverted;
    ASSERT_TRUE(composite.Recompose(look)) << composite.Error();
    FrameDocument alone;
    alone.Open(red, look.Options);
    for (const Case& test : cases) {
      const std::string level = std::to_string(ShownLevelAt(alone, test.X, test.Y));
      std::string expected = "line " + std::to_string(test.Y + 1);
      expected += ", sample " + std::to_string(test.X + 1);
      expected += ": red " + level;
      expected += ", green " + (test.Green ? level : ChannelMissing);
      expected += ", blue " + (test.Blue ? level : ChannelMissing);
      EXPECT_EQ(composite.ReadoutAt(test.X, test.Y), expected) << test.Name << (inverted ? " inverted" : "");
    }
  }

  // Never over one of its frames; the green one stays as it was.
  const std::vector<std::uint8_t> greenBytes = ReadBytes(green);
  const SaveOutcome refused = composite.Save(green, ExportFormat::Png);
  EXPECT_FALSE(refused.Saved);
  EXPECT_EQ(refused.Error, "it is the file of the green frame");
  EXPECT_EQ(ReadBytes(green), greenBytes);
}

}  // namespace
}  // namespace vantorel
