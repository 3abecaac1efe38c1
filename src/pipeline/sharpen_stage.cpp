// Sharpen: a Laplacian over the eight neighbours of every byte of lines 1..n,
// each result worked out from the frame as it was before the stage.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "pipeline/neighbour_offsets.h"
#include "pipeline/stages.h"
#include "pipeline/vector_clones.h"

namespace vantorel {

namespace {

// How far from a byte its farthest neighbour lies.
constexpr int Reach = RecordBytes + 1;
// The stage works block by block from a window of the bytes as they were: the
// block itself, what it reaches ahead (not written yet) and what it reaches
// behind (already written, so kept from the block before).
constexpr int BlockBytes = 8 * RecordBytes;

constexpr int NeighbourCount = int(NeighbourOffsets.size());
// t = 0.15 x D, truncated toward zero, in integers.
constexpr int StrengthNumerator = 3;
constexpr int StrengthDenominator = 20;
// Brightening stops short of white: a result of 255 keeps the old value.
constexpr int BrightenCeiling = 255;

// Sums of three bytes one above the other, one line apart, for every byte of
// a block and the one either side of it: three neighbouring sums make the
// 3 x 3 box around a byte.
using ColumnSums = std::array<std::int16_t, BlockBytes + 2>;

// Kept in 16 bits (|3 x D| <= 6,120) so that the loops vectorise eight bytes at a time.
VANTOREL_VECTOR_CLONES void SharpenBlock(const std::uint8_t* original, std::uint8_t* out, int length,
                                         ColumnSums& columns) {
  const std::uint8_t* left = original - 1;
  for (int i = 0; i < length + 2; ++i)
    columns[i] = std::int16_t(left[i - RecordBytes] + left[i] + left[i + RecordBytes]);
  for (int i = 0; i < length; ++i) {
    const std::int16_t v = original[i];
    const auto box = std::int16_t(columns[i] + columns[i + 1] + columns[i + 2]);
    // The eight neighbours less eight times v.
    const auto laplacian = std::int16_t(box - (NeighbourCount + 1) * v);
    const auto t = std::int16_t(std::int16_t(StrengthNumerator * laplacian) / StrengthDenominator);
    // Darkening (t > 0) applies when it stays at or above 0, brightening
    // (t < 0) when it stays below 255; both come to 0 <= v - t < 255, and
    // otherwise the sample keeps its value.
    const auto result = std::int16_t(v - t);
    out[i] = static_cast<std::uint8_t>(result >= 0 && result < BrightenCeiling ? result : v);
  }
}

}  // namespace

void SharpenStage(RenderContext& context) {
  if (!context.On(Option::Sharpen) || context.PresentLines() == 0) return;
  std::uint8_t* frame = context.WorkFrame.data();
  const int first = RecordBytes;  // record 1
  const int end = RecordBytes * (context.PresentLines() + 1);
  static_assert(RecordBytes * (FrameLines + 1) + Reach <= int(FrameBytes));

  std::array<std::uint8_t, Reach + BlockBytes + Reach> window;
  ColumnSums columns;
  // The upper left neighbour of the very first byte lies in front of the
  // buffer; it reads as 0.
  std::array<std::uint8_t, Reach> behind;
  behind[0] = 0;
  std::memcpy(behind.data() + 1, frame + first - (Reach - 1), Reach - 1);
  for (int start = first; start < end; start += BlockBytes) {
    const int length = std::min(BlockBytes, end - start);
    std::memcpy(window.data(), behind.data(), Reach);
    std::memcpy(window.data() + Reach, frame + start, std::size_t(length + Reach));
    std::memcpy(behind.data(), window.data() + length, Reach);
    SharpenBlock(window.data() + Reach, frame + start, length, columns);
  }
}

}  // namespace vantorel
