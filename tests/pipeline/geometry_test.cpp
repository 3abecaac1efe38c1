#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

constexpr int SuffixLastSample = RecordBytes;

// A value telling (line, sample) apart well enough to catch any misplaced line or sample.
std::uint8_t Marker(int line, int sample) { return std::uint8_t((line * 31 + sample * 7 + line / 8) % 256); }

void FillMarked(StageHarness& harness) {
  for (std::size_t i = 0; i < harness.Work.size(); ++i) {
    const int record = int(i / RecordBytes), sample = int(i % RecordBytes) + 1;
    harness.Work[i] = Marker(record, sample);
  }
}

// Where the byte now at (line, sample) came from.
struct Source {
  int line, sample;
};

struct OrientationCase {
  int flip, rotate;
  bool linesExchanged, samplesMirrored;
};

class OrientationTest : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(OrientationTest, FlipThenRotatePlaceEveryByte) {
  const OrientationCase& param = GetParam();
  StageHarness harness;
  FillMarked(harness);
  harness.With(Option::Flip, param.flip).With(Option::Rotate, param.rotate);
  RenderContext context = harness.Context();
  FlipStage(context);
  RotateStage(context);

  for (int record = 0; record < FrameRecords; ++record) {
    const bool imageLine = record >= 1 && record <= FrameLines;
    for (int sample = 1; sample <= SuffixLastSample; ++sample) {
      Source from{record, sample};
      if (imageLine && param.linesExchanged) from.line = FrameLines + 1 - record;
      if (imageLine && param.samplesMirrored && sample <= PictureSamples) from.sample = PictureSamples + 1 - sample;
      ASSERT_EQ(harness.Work[SampleOffset(record, sample)], Marker(from.line, from.sample))
          << "record " << record << " sample " << sample;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(FourCombinations, OrientationTest,
                         ::testing::Values(OrientationCase{0, 0, true, false}, OrientationCase{1, 0, false, false},
                                           OrientationCase{0, 1, false, true}, OrientationCase{1, 1, true, true}));

TEST(GeometryTest, FlipOfAShortFrameBringsTheUnfilledLinesToTheBottom) {
  StageHarness harness;
  FillMarked(harness);
  constexpr int filledLines = 692;
  std::fill(harness.Work.begin() + std::ptrdiff_t(SampleOffset(filledLines + 1, 1)), harness.Work.end(), 0);
  harness.BytesRead = std::int32_t(ShortFrameFileBytes);
  RenderContext context = harness.Context();
  FlipStage(context);
  for (int line = 1; line <= FrameLines - filledLines; ++line) {
    EXPECT_TRUE(std::all_of(&harness.At(line, 1), &harness.At(line, 1) + RecordBytes, [](auto b) { return b == 0; }))
        << line;
    EXPECT_EQ(harness.At(FrameLines + 1 - line, 5), Marker(line, 5));
  }
}

std::uint8_t BlockMean(int line, int sample) {
  return std::uint8_t((Marker(line, sample) + Marker(line, sample + 1) + Marker(line + 1, sample) +
                       Marker(line + 1, sample + 1)) /
                      4);
}

// Every byte of the frame after minimizing, the half-size picture being halfLines high.
void ExpectMinimized(const StageHarness& harness, int halfLines) {
  for (int record = 0; record < FrameRecords; ++record)
    for (int sample = 1; sample <= SuffixLastSample; ++sample) {
      const int m = record - 300, j = sample - 192;
      const bool inPicture = m >= 1 && m <= halfLines && j >= 1 && j <= PictureSamples / 2;
      const std::uint8_t expected = inPicture ? BlockMean(2 * m - 1, 2 * j - 1) : 160;
      ASSERT_EQ(harness.Work[SampleOffset(record, sample)], expected) << "record " << record << " sample " << sample;
    }
}

class MinimizeTest : public ::testing::TestWithParam<int> {};  // BytesRead

TEST_P(MinimizeTest, HalfSizePictureOnGrey) {
  StageHarness harness;
  FillMarked(harness);
  harness.BytesRead = GetParam();
  harness.With(Option::Minimize);
  RenderContext context = harness.Context();
  MinimizeStage(context);
  ExpectMinimized(harness, std::max(0, LineCountFor(GetParam())) / 2);
}

// 700 lines (301..650), 692 lines (301..646), one line and none (all grey).
INSTANTIATE_TEST_SUITE_P(Lengths, MinimizeTest,
                         ::testing::Values(std::int32_t(FrameBytes), std::int32_t(ShortFrameFileBytes),
                                           2 * RecordBytes, RecordBytes - 1, -1));

TEST(GeometryTest, MinimizeTruncatesTheBlockMean) {
  StageHarness harness;
  harness.At(1, 1) = 10;
  harness.At(1, 2) = 11;
  harness.At(2, 1) = 12;
  harness.At(2, 2) = 13;
  harness.At(1, 3) = 255;  // the next block: 255 / 4
  harness.With(Option::Minimize);
  RenderContext context = harness.Context();
  MinimizeStage(context);
  EXPECT_EQ(harness.At(301, 193), 11);
  EXPECT_EQ(harness.At(301, 194), 63);
  EXPECT_EQ(harness.At(302, 193), 0);
  EXPECT_EQ(harness.At(300, 193), 160);
  EXPECT_EQ(harness.At(301, 192), 160);
}

TEST(GeometryTest, StagesLeaveTheFrameAloneWhenTheirOptionSaysSo) {
  const std::function<void(RenderContext&)> stages[] = {FlipStage, RotateStage, MinimizeStage};
  const Option options[] = {Option::Flip, Option::Rotate, Option::Minimize};
  const int idleValue[] = {1, 0, 0};
  for (int i = 0; i < 3; ++i) {
    StageHarness harness;
    FillMarked(harness);
    harness.With(options[i], idleValue[i]);
    const FrameBuffer before = harness.Work;
    RenderContext context = harness.Context();
    stages[i](context);
    EXPECT_EQ(harness.Work, before) << i;
  }
}

}  // namespace
}  // namespace vantorel
