#include <algorithm>

#include "pipeline/line_exchange.h"
#include "pipeline/stages.h"

namespace vantorel {

namespace {

// Only the picture samples are mirrored; the suffix stays where it is.
void MirrorPictureSamples(std::span<std::uint8_t> frame) {
  for (int line = 1; line <= FrameLines; ++line) {
    const auto first = frame.begin() + std::ptrdiff_t(SampleOffset(line, 1));
    std::reverse(first, first + PictureSamples);
  }
}

}  // namespace

// Half a turn: the lines exchanged and each line mirrored.
void RotateStage(RenderContext& context) {
  if (!context.On(Option::Rotate)) return;
  ExchangeLines(context.WorkFrame);
  MirrorPictureSamples(context.WorkFrame);
}

}  // namespace vantorel
