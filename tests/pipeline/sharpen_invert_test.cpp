#include <gtest/gtest.h>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

// Neighbour order: the three above, left, right, the three below.
constexpr int NeighbourOffsets[8] = {-969, -968, -967, -1, 1, 967, 968, 969};

struct SharpenCase {
  const char* name;
  int offset;
  int value;
  std::array<int, 8> neighbours;
  int expected;
};

class SharpenSample : public ::testing::TestWithParam<SharpenCase> {};

TEST_P(SharpenSample, MovesAwayFromTheNeighbourMean) {
  const SharpenCase& c = GetParam();
  StageHarness h;
  h.Work[c.offset] = std::uint8_t(c.value);
  for (int i = 0; i < 8; ++i)
    if (c.offset + NeighbourOffsets[i] >= 0) h.Work[c.offset + NeighbourOffsets[i]] = std::uint8_t(c.neighbours[i]);
  RenderContext context = h.With(Option::Sharpen).Context();
  SharpenStage(context);
  EXPECT_EQ(h.Work[c.offset], c.expected);
}

constexpr int Middle = 100 * RecordBytes + 400;

INSTANTIATE_TEST_SUITE_P(
    Cases, SharpenSample,
    ::testing::Values(
        SharpenCase{"DarkerThanNeighbours", Middle, 100, {120, 120, 120, 120, 120, 120, 120, 120}, 76},
        SharpenCase{"Flat", Middle, 120, {120, 120, 120, 120, 120, 120, 120, 120}, 120},
        SharpenCase{"DarkeningBelowZeroKeepsValue", Middle, 5, {10, 10, 10, 10, 10, 10, 10, 10}, 5},
        SharpenCase{"DarkeningToZero", Middle, 6, {11, 11, 11, 11, 11, 11, 11, 11}, 0},
        SharpenCase{"BrighteningPast255KeepsValue", Middle, 250, {245, 245, 245, 245, 245, 245, 245, 245}, 250},
        SharpenCase{"BrighteningTo254", Middle, 248, {243, 243, 243, 243, 243, 243, 243, 243}, 254},
        SharpenCase{"BrighteningTo255KeepsValue", Middle, 249, {244, 244, 244, 244, 244, 244, 244, 244}, 249},
        SharpenCase{"MinusSevenTruncatesToMinusOne", Middle, 100, {99, 99, 99, 99, 100, 99, 99, 99}, 101},
        SharpenCase{"MinusSixTruncatesToZero", Middle, 100, {99, 99, 99, 99, 100, 100, 99, 99}, 100},
        SharpenCase{"SixTruncatesToZero", Middle, 100, {101, 101, 101, 101, 100, 100, 101, 101}, 100},
        SharpenCase{"SevenTruncatesToOne", Middle, 100, {101, 101, 101, 101, 100, 101, 101, 101}, 99},
        // Suffix bytes and record ends are treated like any byte of the flat buffer.
        SharpenCase{"SuffixByte", 100 * RecordBytes + 900, 100, {120, 120, 120, 120, 120, 120, 120, 120}, 76},
        SharpenCase{"LastByteOfARecord", 100 * RecordBytes + 967, 100, {120, 120, 120, 120, 120, 120, 120, 120}, 76},
        SharpenCase{"LineOneAgainstTheHeader", RecordBytes + 400, 100, {120, 120, 120, 120, 120, 120, 120, 120}, 76},
        // The upper left neighbour of line 1's first byte lies in front of the
        // frame (its 0 here is not written); it reads as 0: D = 7 x 120 - 800 = 40, t = 6.
        SharpenCase{"FirstByteOfLineOne", RecordBytes, 100, {0, 120, 120, 120, 120, 120, 120, 120}, 94}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SharpenStage, ReadsNeighboursFromTheFrameAsItWas) {
  StageHarness h;
  // Two samples side by side, both darker than everything around them: each
  // is judged against the other's old value, not its sharpened one.
  for (int s = 399; s <= 402; ++s)
    for (int line = 99; line <= 101; ++line) h.Work[std::size_t(line) * RecordBytes + s] = 120;
  h.Work[Middle] = 100;
  h.Work[Middle + 1] = 100;
  RenderContext context = h.With(Option::Sharpen).Context();
  SharpenStage(context);
  // D = 7 x 120 + 100 - 800 = 140, t = 21.
  EXPECT_EQ(h.Work[Middle], 79);
  EXPECT_EQ(h.Work[Middle + 1], 79);
}

// A pattern with no flat patch, so that sharpen changes most bytes it treats.
FrameBuffer RoughFrame() {
  FrameBuffer frame = MakeFrameBuffer();
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = std::uint8_t((i * 37 + (i / 7) * 11) % 253);
  return frame;
}

struct LineRangeCase {
  Option option;
  void (*stage)(RenderContext&);
};

class PointStage : public ::testing::TestWithParam<LineRangeCase> {};

TEST_P(PointStage, WritesOnlyLinesOneToN) {
  const auto [option, stage] = GetParam();
  for (int lines : {1, 10, FrameLines}) {
    StageHarness h;
    h.Work = RoughFrame();
    h.BytesRead = std::int32_t(lines + 1) * RecordBytes + 100;
    // The last byte of line n gets a neighbourhood that both stages change.
    const auto lastTreated = std::size_t(lines + 1) * RecordBytes - 1;
    h.Work[lastTreated] = 100;
    for (int offset : NeighbourOffsets) h.Work[lastTreated + offset] = 120;
    const FrameBuffer before = h.Work;
    RenderContext context = h.With(option).Context();
    stage(context);
    const auto firstUntouched = std::size_t(lines + 1) * RecordBytes;
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + RecordBytes, h.Work.begin())) << lines;
    EXPECT_TRUE(std::equal(before.begin() + firstUntouched, before.end(), h.Work.begin() + firstUntouched)) << lines;
    EXPECT_NE(before[lastTreated], h.Work[lastTreated]) << lines;
  }
}

TEST_P(PointStage, DoesNothingWhenSwitchedOffOrNoLineWasRead) {
  const auto [option, stage] = GetParam();
  const struct {
    int entry;
    std::int32_t bytesRead;
  } cases[] = {{0, std::int32_t(FrameBytes)}, {2, std::int32_t(FrameBytes)}, {1, 2 * RecordBytes - 1}, {1, -1}};
  for (const auto& c : cases) {
    StageHarness h;
    h.Work = RoughFrame();
    h.BytesRead = c.bytesRead;
    RenderContext context = h.With(option, c.entry).Context();
    stage(context);
    EXPECT_EQ(h.Work, RoughFrame()) << c.entry << " " << c.bytesRead;
  }
}

INSTANTIATE_TEST_SUITE_P(SharpenAndInvert, PointStage,
                         ::testing::Values(LineRangeCase{Option::Sharpen, SharpenStage},
                                           LineRangeCase{Option::Invert, InvertStage}),
                         [](const auto& info) { return info.param.option == Option::Sharpen ? "Sharpen" : "Invert"; });

TEST(InvertStage, TurnsEveryByteOfTheLinesIntoItsNegative) {
  StageHarness h;
  const int pairs[][2] = {{0, 255}, {255, 0}, {100, 155}, {1, 254}};
  const int places[] = {0, 400, 831, 832, 900, 967};  // picture samples and suffix bytes
  for (int i = 0; i < 4; ++i)
    for (int s : places) h.Work[std::size_t(50 + i) * RecordBytes + s] = std::uint8_t(pairs[i][0]);
  RenderContext context = h.With(Option::Invert).Context();
  InvertStage(context);
  for (int i = 0; i < 4; ++i)
    for (int s : places) EXPECT_EQ(h.Work[std::size_t(50 + i) * RecordBytes + s], pairs[i][1]) << i << "," << s;
}

}  // namespace
}  // namespace vantorel
