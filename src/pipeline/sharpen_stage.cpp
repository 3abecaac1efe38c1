// Sharpen: a Laplacian over the eight neighbours of every byte of lines 1..n,
// read from a copy so that each result depends only on the frame as it was.
#include <cstdint>
#include <span>
#include <vector>

#include "pipeline/neighbour_offsets.h"
#include "pipeline/stages.h"

namespace vantorel {

namespace {

// The copy carries this many zero bytes on either side: a neighbour outside
// the frame (the upper left one of the very first byte of line 1) reads as 0
// instead of whatever lies in front of the buffer.
constexpr std::size_t Margin = RecordBytes + 1;

constexpr int NeighbourCount = int(NeighbourOffsets.size());
// t = 0.15 x D, truncated toward zero, in integers.
constexpr int StrengthNumerator = 3;
constexpr int StrengthDenominator = 20;
// Brightening stops short of white: a result of 255 keeps the old value.
constexpr int BrightenCeiling = 255;

// The frame with a zero margin around it.
std::vector<std::uint8_t> PaddedCopy(std::span<const std::uint8_t> frame) {
  std::vector<std::uint8_t> copy;
  copy.reserve(frame.size() + 2 * Margin);
  copy.insert(copy.end(), Margin, 0);
  copy.insert(copy.end(), frame.begin(), frame.end());
  copy.insert(copy.end(), Margin, 0);
  return copy;
}

// Kept in 16 bits (|3 x D| <= 6,120) so that the loop vectorises eight bytes at a time.
std::uint8_t SharpenSample(const std::uint8_t* q) {
  const std::int16_t v = q[0];
  std::int16_t neighbourSum = 0;
  for (int offset : NeighbourOffsets) neighbourSum = std::int16_t(neighbourSum + q[offset]);
  const auto laplacian = std::int16_t(neighbourSum - NeighbourCount * v);
  const auto t = std::int16_t(std::int16_t(StrengthNumerator * laplacian) / StrengthDenominator);
  // Darkening (t > 0) applies when it stays at or above 0, brightening
  // (t < 0) when it stays below 255; both come to 0 <= v - t < 255, and
  // otherwise the sample keeps its value.
  const auto result = std::int16_t(v - t);
  return static_cast<std::uint8_t>(result >= 0 && result < BrightenCeiling ? result : v);
}

}  // namespace

void SharpenStage(RenderContext& context) {
  if (!context.On(Option::Sharpen) || context.PresentLines() == 0) return;
  const std::vector<std::uint8_t> copy = PaddedCopy(context.WorkFrame);
  const std::span<std::uint8_t> records = context.PresentRecords();
  const std::uint8_t* q = copy.data() + Margin + RecordBytes;  // record 1 of the copy
  for (std::size_t i = 0; i < records.size(); ++i) records[i] = SharpenSample(q + i);
}

}  // namespace vantorel
