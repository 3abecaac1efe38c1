#include <algorithm>

#include "pipeline/half_size_picture.h"
#include "pipeline/stages.h"

namespace vantorel {

namespace {

constexpr std::uint8_t BackgroundLevel = 160;
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
  const FrameRectangle picture = HalfSizePicture(context.PresentLines());
  for (int line = picture.FirstLine; line <= picture.LastLine; ++line)
    for (int sample = picture.FirstSample; sample <= picture.LastSample; ++sample)
      context.WorkFrame[SampleOffset(line, sample)] =
          BlockMean(copy, 2 * (line - picture.FirstLine) + 1, 2 * (sample - picture.FirstSample) + 1);
}

}  // namespace vantorel
