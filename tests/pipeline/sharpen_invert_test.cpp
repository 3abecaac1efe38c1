#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

// The three above, left, right (index 4), the three below.
constexpr int NeighbourOffsets[8] = {-969, -968, -967, -1, 1, 967, 968, 969};
constexpr int Middle = 100 * RecordBytes + 400;

// D = sum of neighbours - 8 v, t = 0.15 D truncated; v - t is kept only inside 0..254.
// All neighbours but the right one hold `around`.
TEST(SharpenStage, MovesAwayFromTheNeighbourMean) {
  const struct {
    int offset, value, around, right, expected;
  } cases[] = {{Middle, 100, 120, 120, 76},
               {Middle, 5, 10, 10, 5} /* D = 40, t = 6: below 0 */,
               {Middle, 6, 11, 11, 0},
               {Middle, 248, 243, 243, 254},
               {Middle, 249, 244, 244, 249},
               {Middle, 250, 245, 245, 250},
               {Middle, 100, 99, 100, 101} /* D = -7, t = -1 */,
               {Middle, 100, 101, 99, 100} /* D = 6, t = 0 */,
               // The upper left neighbour of line 1's first byte lies before the buffer and reads as 0.
               {RecordBytes, 100, 120, 120, 94}};
  for (const auto& c : cases) {
    StageHarness h;
    h.Work[c.offset] = std::uint8_t(c.value);
    for (int i = 0; i < 8; ++i)
      if (c.offset + NeighbourOffsets[i] >= 0)
        h.Work[c.offset + NeighbourOffsets[i]] = std::uint8_t(i == 4 ? c.right : c.around);
    testing::RunStage(h.With(Option::Sharpen), SharpenStage);
    EXPECT_EQ(h.Work[c.offset], c.expected) << "value " << c.value << " at " << c.offset;
  }
}

// Two dark samples side by side are each judged against the other's old value:
// D = 7 x 120 + 100 - 800 = 140, t = 21.
TEST(SharpenStage, ReadsNeighboursFromTheFrameAsItWas) {
  StageHarness h;
  h.FillPicture(120);
  h.Work[Middle] = h.Work[Middle + 1] = 100;
  testing::RunStage(h.With(Option::Sharpen), SharpenStage);
  EXPECT_EQ(h.Work[Middle], 79);
  EXPECT_EQ(h.Work[Middle + 1], 79);
}

// The block-wise stage against the Laplacian worked out byte by byte from a
// copy, over 649 lines (so that the last block is a short one) of a frame
// whose samples sharpen within range and out of it.
TEST(SharpenStage, MatchesAPlainComputationOnARandomFrame) {
  std::mt19937 random(5);
  StageHarness h;
  for (std::uint8_t& byte : h.Work) byte = std::uint8_t(random() % 100 < 20 ? random() % 256 : 100 + random() % 30);
  h.BytesRead = 650 * RecordBytes + 17;
  const FrameBuffer before = h.Work;
  FrameBuffer expected = h.Work;
  for (int x = RecordBytes; x < 650 * RecordBytes; ++x) {
    const int v = before[std::size_t(x)];
    int sum = 0;
    for (int offset : NeighbourOffsets) sum += x + offset >= 0 ? before[std::size_t(x + offset)] : 0;
    const int result = v - 3 * (sum - 8 * v) / 20;
    expected[std::size_t(x)] = std::uint8_t(result >= 0 && result < 255 ? result : v);
  }
  testing::RunStage(h.With(Option::Sharpen), SharpenStage);
  EXPECT_EQ(h.Work, expected);
}

// Both write only lines 1..n (ten here); invert negates every byte there, suffixes included.
TEST(SharpenAndInvert, TreatOnlyLinesOneToN) {
  for (auto [option, stage] : {std::pair{Option::Sharpen, &SharpenStage}, std::pair{Option::Invert, &InvertStage}}) {
    StageHarness h;
    testing::FillMarked(h);
    const std::size_t end = 11 * RecordBytes;
    h.BytesRead = std::int32_t(end) + 100;
    h.At(5, 1) = 0, h.At(5, 900) = 255, h.Work[end - 1] = 100;
    for (int offset : NeighbourOffsets) h.Work[end - 1 + offset] = 120;
    const FrameBuffer before = h.Work;
    testing::RunStage(h.With(option), stage);
    for (std::size_t i = 0; i < h.Work.size(); ++i)
      if (i < RecordBytes || i >= end || option == Option::Invert) {
        ASSERT_EQ(h.Work[i], i < RecordBytes || i >= end ? before[i] : 255 - before[i]) << i;
      }
    EXPECT_EQ(h.Work[end - 1], option == Option::Sharpen ? 76 : 155);
  }
}

}  // namespace
}  // namespace vantorel
