#include <algorithm>

#include "pipeline/stages.h"

namespace vantorel {

namespace {

constexpr std::uint8_t BackgroundLevel = 160;
// Where the half-size picture's first line and first sample go, less one; the
// colour-window mode of the composition colours exactly this placement.
constexpr int HalfPictureLineShift = 300;
constexpr int HalfPictureSampleShift = 192;
constexpr int HalfPictureSamples = PictureSamples / 2;
constexpr int BlockSamples = 4;

// Mean (truncated) of the 2 x 2 block whose top-left sample is (line, sample).
std::uint8_t BlockMean(const FrameBuffer& copy, int line, int sample) {
  const int sum = copy[SampleOffset(line, sample)] + copy[SampleOffset(line, sample + 1)] +
                  copy[SampleOffset(line + 1, sample)] + copy[SampleOffset(line + 1, sample + 1)];
  return std::uint8_t(sum / BlockSamples);
}

}  // namespace

void MinimizeStage(RenderContext& context) {
  if (!context.On(Option::Minimize)) return;
  const FrameBuffer copy(context.WorkFrame.begin(), context.WorkFrame.end());
  std::fill(context.WorkFrame.begin(), context.WorkFrame.end(), BackgroundLevel);
  const int halfLines = context.LineCount() / 2;
  for (int m = 1; m <= halfLines; ++m)
    for (int j = 1; j <= HalfPictureSamples; ++j)
      context.WorkFrame[SampleOffset(HalfPictureLineShift + m, HalfPictureSampleShift + j)] =
          BlockMean(copy, 2 * m - 1, 2 * j - 1);
}

}  // namespace vantorel
