#include <cstdint>

#include "pipeline/stages.h"

namespace vantorel {

namespace {

constexpr std::uint8_t White = 255;

}  // namespace

// The negative of lines 1..n, suffix bytes included.
void InvertStage(RenderContext& context) {
  if (!context.On(Option::Invert)) return;
  const int lines = context.LineCount();
  if (lines < 1) return;
  const auto begin = context.WorkFrame.begin() + RecordBytes;
  const auto end = context.WorkFrame.begin() + std::ptrdiff_t(lines + 1) * RecordBytes;
  for (auto byte = begin; byte != end; ++byte) *byte = static_cast<std::uint8_t>(White - *byte);
}

}  // namespace vantorel
