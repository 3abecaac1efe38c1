#include "pipeline/line_exchange.h"

#include <algorithm>

#include "frames/frame_layout.h"

namespace vantorel {

void ExchangeLines(std::span<std::uint8_t> frame) {
  for (int line = 1; line <= FrameLines / 2; ++line) {
    const auto upper = frame.begin() + std::ptrdiff_t(SampleOffset(line, 1));
    const auto lower = frame.begin() + std::ptrdiff_t(SampleOffset(FrameLines + 1 - line, 1));
    std::swap_ranges(upper, upper + RecordBytes, lower);
  }
}

}  // namespace vantorel
