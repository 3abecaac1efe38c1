#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "pipeline/half_size_picture.h"
#include "pipeline/stages.h"

namespace vantorel {

namespace {

constexpr std::uint8_t BackgroundLevel = 160;
constexpr int BlockSamples = 4;

// Means (truncated) of the 2 x 2 blocks of two lines, one per pair of samples.
void PutBlockMeans(const std::uint8_t* upper, const std::uint8_t* lower, std::uint8_t* means, int count) {
  for (int j = 0; j < count; ++j) {
    const auto sum = std::uint16_t(upper[2 * j] + upper[2 * j + 1] + lower[2 * j] + lower[2 * j + 1]);
    means[j] = std::uint8_t(sum / BlockSamples);
  }
}

}  // namespace

void MinimizeStage(RenderContext& context) {
  if (!context.On(Option::Minimize)) return;
  const FrameRectangle picture = HalfSizePicture(context.PresentLines());
  const int lines = std::max(0, picture.LastLine - picture.FirstLine + 1);
  const int width = picture.LastSample - picture.FirstSample + 1;
  // The half-size picture is worked out before the grey covers what it is made from.
  std::vector<std::uint8_t> half(std::size_t(lines) * std::size_t(width));
  for (int m = 0; m < lines; ++m) {
    const std::uint8_t* upper = context.WorkFrame.data() + SampleOffset(2 * m + 1, 1);
    PutBlockMeans(upper, upper + RecordBytes, half.data() + std::size_t(m) * std::size_t(width), width);
  }
  std::fill(context.WorkFrame.begin(), context.WorkFrame.end(), BackgroundLevel);
  for (int m = 0; m < lines; ++m)
    std::memcpy(context.WorkFrame.data() + SampleOffset(picture.FirstLine + m, picture.FirstSample),
                half.data() + std::size_t(m) * std::size_t(width), std::size_t(width));
}

}  // namespace vantorel
