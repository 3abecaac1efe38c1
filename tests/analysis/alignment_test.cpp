#include "analysis/alignment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vantorel {
namespace {

constexpr int Width = 96, Height = 80;

// A scene with no two places alike: noise smoothed over 5 x 5 samples, as
// craters and albedo give; (line, sample) may lie outside the picture. Each
// seed makes another scene.
double Scene(int line, int sample, std::uint32_t seed = 0) {
  const auto noise = [seed](int l, int s) {
    std::uint32_t h = std::uint32_t(l) * 73856093u ^ std::uint32_t(s) * 19349663u ^ seed * 83492791u;
    h = (h ^ (h >> 13)) * 0x5bd1e995u;
    return int((h ^ (h >> 15)) % 160);
  };
  int sum = 0;
  for (int dl = -2; dl <= 2; ++dl)
    for (int ds = -2; ds <= 2; ++ds) sum += noise(line + dl, sample + ds);
  return 40 + sum / 25.0;
}

struct Picture {
  std::vector<std::uint8_t> Samples, Shown;
  AlignmentPicture View() const { return {Samples, Shown, Width, Height}; }
};

// The scene moved by (down, across), half a sample as the mean of its two
// neighbours, with noise of up to +-noise, three missing lines from
// missingLine and a black surround that show nothing.
Picture Moved(double down, double across, int missingLine, int noise = 0, std::uint32_t seed = 0) {
  Picture picture{std::vector<std::uint8_t>(Width * Height), std::vector<std::uint8_t>(Width * Height)};
  const auto at = [&](double line, double sample) {
    const int l = int(std::floor(line)), s = int(std::floor(sample));
    const double fl = line - l, fs = sample - s;
    return (1 - fl) * ((1 - fs) * Scene(l, s, seed) + fs * Scene(l, s + 1, seed)) +
           fl * ((1 - fs) * Scene(l + 1, s, seed) + fs * Scene(l + 1, s + 1, seed));
  };
  std::uint32_t random = 7;
  for (int line = 0; line < Height; ++line)
    for (int sample = 0; sample < Width; ++sample) {
      const std::size_t i = std::size_t(line * Width + sample);
      const bool surround = sample < 4 || line >= Height - 3;
      picture.Shown[i] = (line < missingLine || line > missingLine + 2) && !surround;
      random = random * 1664525u + 1013904223u;
      const int jitter = noise == 0 ? 0 : int(random >> 24) % (2 * noise + 1) - noise;
      picture.Samples[i] = picture.Shown[i] ? std::uint8_t(std::lround(at(line - down, sample - across)) + jitter) : 0;
    }
  return picture;
}

TEST(FindOffset, RecoversTheShiftEachWayToATenth) {
  const Picture reference = Moved(0, 0, 30);
  const struct {
    double Lines, Samples;
    int Noise;
  } shifts[] = {{0, 0, 0}, {3, -7, 0}, {-12, 5, 8}, {25, 31, 0}, {-30, -40, 8}, {0.5, 0, 0}, {-6.5, 2.5, 4}};
  for (const auto& shift : shifts) {
    const AlignmentResult result =
        FindOffset(reference.View(), Moved(shift.Lines, shift.Samples, 50, shift.Noise).View());
    ASSERT_TRUE(result.Offset) << result.Error;
    EXPECT_NEAR(result.Offset->Lines, shift.Lines, 0.15) << shift.Samples;
    EXPECT_NEAR(result.Offset->Samples, shift.Samples, 0.15) << shift.Lines;
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
  EXPECT_EQ(FindOffset(picture.View(), Moved(0, 0, 10, 0, 1).View()).Error,
            "the pictures do not overlap: no shift makes them agree");
}

}  // namespace
}  // namespace vantorel
