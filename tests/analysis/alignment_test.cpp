#include "analysis/alignment.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantorel {
namespace {

constexpr int Width = 96, Height = 80;

// A scene with no two places alike: noise smoothed over 5 x 5 samples, as
// craters and albedo give; (line, sample) may lie outside the picture.
std::uint8_t Scene(int line, int sample) {
  const auto noise = [](int l, int s) {
    std::uint32_t h = std::uint32_t(l * 73856093) ^ std::uint32_t(s * 19349663);
    h = (h ^ (h >> 13)) * 0x5bd1e995u;
    return int((h ^ (h >> 15)) % 160);
  };
  int sum = 0;
  for (int dl = -2; dl <= 2; ++dl)
    for (int ds = -2; ds <= 2; ++ds) sum += noise(line + dl, sample + ds);
  return std::uint8_t(40 + sum / 25);
}

struct Picture {
  std::vector<std::uint8_t> Samples, Shown;
  AlignmentPicture View() const { return {Samples, Shown, Width, Height}; }
};

// The scene moved by (down, across), with three missing lines from missingLine and a black surround that show
// nothing.
Picture Moved(int down, int across, int missingLine) {
  Picture picture{std::vector<std::uint8_t>(Width * Height), std::vector<std::uint8_t>(Width * Height)};
  for (int line = 0; line < Height; ++line)
    for (int sample = 0; sample < Width; ++sample) {
      const std::size_t i = std::size_t(line * Width + sample);
      const bool surround = sample < 4 || line >= Height - 3;
      picture.Shown[i] = (line < missingLine || line > missingLine + 2) && !surround;
      picture.Samples[i] = picture.Shown[i] ? Scene(line - down, sample - across) : 0;
    }
  return picture;
}

TEST(FindOffset, RecoversTheShiftEachWay) {
  const Picture reference = Moved(0, 0, 30);
  const struct { int Lines, Samples; } shifts[] = {{0, 0}, {3, -7}, {-12, 5}, {25, 31}, {-30, -40}};
  for (const auto& shift : shifts) {
    const AlignmentResult result = FindOffset(reference.View(), Moved(shift.Lines, shift.Samples, 50).View());
    ASSERT_TRUE(result.Offset) << result.Error;
    EXPECT_EQ(result.Offset->Lines, shift.Lines) << shift.Samples;
    EXPECT_EQ(result.Offset->Samples, shift.Samples) << shift.Lines;
  }
}

TEST(FindOffset, SaysWhyThereIsNone) {
  const Picture picture = Moved(0, 0, 10);
  Picture blank = picture;
  std::fill(blank.Shown.begin(), blank.Shown.end(), 0);
  EXPECT_EQ(FindOffset(picture.View(), blank.View()).Error, "a picture shows nothing to align");
  AlignmentPicture smaller = picture.View();
  smaller.Height = Height - 1;
  EXPECT_EQ(FindOffset(picture.View(), smaller).Error, "the pictures differ in size");
}

}  // namespace
}  // namespace vantorel
