#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

// The lines a 693-record file fills.
constexpr std::int32_t ShortFrameBytes = std::int32_t(ShortFrameFileBytes);
constexpr int ShortFrameLines = 692;

std::uint8_t Mapped(StageHarness& harness, std::uint8_t sample) {
  harness.At(1, 1) = sample;
  RenderContext context = harness.Context();
  MapTones(context);
  return harness.At(1, 1);
}

// Every byte of the frame holds a different-looking value, header and suffixes included.
void FillVaried(StageHarness& harness) {
  for (std::size_t i = 0; i < harness.Work.size(); ++i) harness.Work[i] = std::uint8_t((i * 37 + i / 968) % 256);
}

TEST(MapTonesTest, StretchOffAndCountersZeroLeaveTheFrameUnchanged) {
  StageHarness harness;
  FillVaried(harness);
  const FrameBuffer before = harness.Work;
  RenderContext context = harness.Context();
  MapTones(context);
  EXPECT_EQ(harness.Work, before);
}

TEST(MapTonesTest, GainZeroHalvesWithTiesToEven) {
  const std::uint8_t expected[] = {0, 0, 1, 2, 2, 2, 3, 4, 4, 4, 5, 6};
  StageHarness harness;
  harness.Steps.ContrastStep = -1;
  for (int u = 0; u < int(std::size(expected)); ++u) EXPECT_EQ(Mapped(harness, std::uint8_t(u)), expected[u]) << u;
  EXPECT_EQ(Mapped(harness, 255), 128);
  EXPECT_EQ(Mapped(harness, 253), 126);
}

TEST(MapTonesTest, ContrastBelowTheGainIsRaisedAndKept) {
  StageHarness harness;
  harness.Steps.ContrastStep = -5;
  EXPECT_EQ(Mapped(harness, 7), 4);
  EXPECT_EQ(harness.Steps.ContrastStep, -1);

  StageHarness stretched;  // code 53: gain digit 3
  stretched.FileName = "ABCDE01.012";
  stretched.With(Option::Stretch).Steps.ContrastStep = -10;
  EXPECT_EQ(Mapped(stretched, 255), 28);  // halved to 128, less the offset 100
  EXPECT_EQ(stretched.Steps.ContrastStep, -3);
}

TEST(MapTonesTest, ContrastRaiseHappensEvenWithoutLines) {
  StageHarness harness;
  harness.BytesRead = 2 * RecordBytes - 1;  // no image line
  harness.Steps = {0, -4, 9};
  RenderContext context = harness.Context();
  MapTones(context);
  EXPECT_EQ(harness.Steps.ContrastStep, -1);
  EXPECT_EQ(harness.Steps.GradientStep, 9);  // only clamped when a line is mapped
}

TEST(MapTonesTest, BrightnessShiftsAndSaturates) {
  StageHarness harness;
  harness.Steps.BrightnessStep = -40;
  EXPECT_EQ(Mapped(harness, 30), 0);
  EXPECT_EQ(Mapped(harness, 200), 160);
  harness.Steps.BrightnessStep = 40;
  EXPECT_EQ(Mapped(harness, 230), 255);
  EXPECT_EQ(Mapped(harness, 10), 50);
}

TEST(MapTonesTest, OnlyTheFilledLinesAreMapped) {
  StageHarness harness;
  FillVaried(harness);
  harness.BytesRead = ShortFrameBytes;
  harness.Steps.BrightnessStep = 300;
  const FrameBuffer before = harness.Work;
  RenderContext context = harness.Context();
  MapTones(context);
  const std::size_t firstMapped = RecordBytes, pastMapped = std::size_t(ShortFrameLines + 1) * RecordBytes;
  for (std::size_t i = 0; i < harness.Work.size(); ++i) {
    const bool mapped = i >= firstMapped && i < pastMapped;
    ASSERT_EQ(harness.Work[i], mapped ? 255 : before[i]) << i;
  }
}

struct StretchCase {
  const char* name;
  bool stretch;
  int code;  // the code the name must select
};

class StretchLookupTest : public ::testing::TestWithParam<StretchCase> {};

TEST_P(StretchLookupTest, NameSelectsGainAndOffset) {
  const StretchCase& param = GetParam();
  StageHarness harness;
  harness.FileName = param.name;
  harness.With(Option::Stretch, param.stretch ? 1 : 0);
  const int gain = param.code % 10, offset = 20 * (param.code / 10);
  for (int u = 0; u < 256; ++u)
    ASSERT_EQ(Mapped(harness, std::uint8_t(u)), std::clamp(u * gain - offset, 0, 255)) << param.name << " " << u;
}

INSTANTIATE_TEST_SUITE_P(
    Names, StretchLookupTest,
    ::testing::Values(StretchCase{"ABCDE01.012", true, 53}, StretchCase{"ABCDE01.012", false, 1},
                      StretchCase{"abcde01.011", true, 33}, StretchCase{"MMEXX01.001", true, 1},
                      StretchCase{"mmexx01.001", true, 1}, StretchCase{"MmExx01.012", true, 112},
                      StretchCase{"MMEXX34.100", true, 3}, StretchCase{"MMEXX35.001", true, 3},
                      StretchCase{"MMEXX01.230", true, 3}, StretchCase{"ABCDE57.009", true, 22},
                      StretchCase{"ABCDE57.020", true, 22}, StretchCase{"ABCDE05.227", true, 12},
                      StretchCase{"ABCDE05.226", true, 2}, StretchCase{"ABCDE58.009", true, 2},
                      StretchCase{"ABCDE00.012", true, 2}, StretchCase{"ABCDE01.000", true, 2},
                      StretchCase{"ABCDE01.231", true, 2}, StretchCase{"ABCDE01.01X", true, 2},
                      StretchCase{"ABCDE01.01", true, 2}, StretchCase{"ABC.001", true, 2},
                      StretchCase{"ABCDE01.012.BAK", true, 53}, StretchCase{"", true, 2}));

// A flat frame of 100 under a gradient, read back at single columns.
struct RampPoint {
  int gradient;
  int sample;  // 1..968
  int expected;
};

class GradientTest : public ::testing::TestWithParam<RampPoint> {};

TEST_P(GradientTest, RampDarkensOneSide) {
  const RampPoint& param = GetParam();
  StageHarness harness;
  std::fill(harness.Work.begin(), harness.Work.end(), 100);
  harness.Steps.GradientStep = param.gradient;
  RenderContext context = harness.Context();
  MapTones(context);
  for (int line : {1, 350, 700}) EXPECT_EQ(harness.At(line, param.sample), param.expected) << "line " << line;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, GradientTest,
    ::testing::Values(RampPoint{-1, 1, 48}, RampPoint{-1, 417, 74}, RampPoint{-1, 831, 99}, RampPoint{-1, 832, 100},
                      RampPoint{-1, 15, 48}, RampPoint{-1, 16, 49}, RampPoint{1, 1, 100}, RampPoint{1, 16, 99},
                      RampPoint{1, 832, 48},
                      // suffix bytes: sample 967 is column 967, sample 968 column 0
                      RampPoint{1, 967, 40}, RampPoint{1, 968, 100}, RampPoint{-1, 968, 48},
                      RampPoint{-3, 1, 0}, RampPoint{-3, 780, 100}, RampPoint{-3, 779, 100 - 1}));

TEST(MapTonesTest, RightEdgeLossGrowsWithTheGradient) {
  // Gain 2 over a flat 255 keeps every loss above zero.
  const int lossAtColumn832[] = {52, 104, 166, 208, 277, 416, 416};
  for (int g = 1; g <= 7; ++g) {
    StageHarness harness;
    harness.FillPicture(255);
    harness.Steps = {0, 1, g};
    RenderContext context = harness.Context();
    MapTones(context);
    EXPECT_EQ(harness.At(10, 832), std::clamp(510 - lossAtColumn832[g - 1], 0, 255)) << g;
    EXPECT_EQ(harness.At(10, 1), 255) << g;
  }
}

TEST(MapTonesTest, GradientBeyondSevenIsClampedAndStored) {
  // With |G| = 7 the ramp is 2 columns wide; an unclamped 9 would make it 1.
  const struct {
    int requested, stored, sample, expected;
  } cases[] = {{9, 7, 100, 100 - 50}, {-9, -7, 700, 100 - 14}};
  for (const auto& c : cases) {
    StageHarness harness;
    harness.FillPicture(100);
    harness.Steps.GradientStep = c.requested;
    RenderContext context = harness.Context();
    MapTones(context);
    EXPECT_EQ(harness.Steps.GradientStep, c.stored);
    EXPECT_EQ(harness.At(5, c.sample), c.expected) << c.requested;
  }
}

// The stage's tables must give exactly what the per-sample arithmetic gives.
int Reference(int u, int gainDigit, int offset, ToneSteps steps, std::size_t x) {
  const int g = gainDigit + steps.ContrastStep;
  int v = g >= 1 ? u * g : (u / 2 + ((u % 2 == 1 && (u / 2) % 2 == 1) ? 1 : 0));
  v = v - offset + steps.BrightnessStep;
  const int G = steps.GradientStep;
  if (G != 0) {
    const int w = 832 / (52 * std::abs(G));
    const int col = int((x + 1) % 968);
    if (G < 0) {
      const int t = col / w - 52 * std::abs(G);
      if (t < 0) v += t;
    } else {
      v -= col / w;
    }
  }
  return std::clamp(v, 0, 255);
}

struct ReferenceCase {
  const char* name;  // stretched with this name
  int gainDigit, offset;
  ToneSteps steps;
};

class MapTonesReferenceTest : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(MapTonesReferenceTest, EveryByteMatchesThePerSampleArithmetic) {
  const ReferenceCase& param = GetParam();
  StageHarness harness;
  FillVaried(harness);
  harness.FileName = param.name;
  harness.With(Option::Stretch);
  harness.Steps = param.steps;
  const FrameBuffer before = harness.Work;
  RenderContext context = harness.Context();
  MapTones(context);
  const std::size_t firstMapped = RecordBytes, pastMapped = std::size_t(FrameLines + 1) * RecordBytes;
  for (std::size_t x = 0; x < harness.Work.size(); ++x) {
    const int expected = x >= firstMapped && x < pastMapped
                             ? Reference(before[x], param.gainDigit, param.offset, param.steps, x)
                             : before[x];
    ASSERT_EQ(harness.Work[x], expected) << "offset " << x;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, MapTonesReferenceTest,
    ::testing::Values(ReferenceCase{"ABCDE01.012", 3, 100, {0, 0, 0}},
                      ReferenceCase{"ABCDE01.012", 3, 100, {40, -3, 0}},
                      ReferenceCase{"ABCDE01.012", 3, 100, {60, 6, 0}},
                      ReferenceCase{"ABCDE01.012", 3, 100, {100, 2, -7}},
                      ReferenceCase{"ABCDE01.001", 5, 40, {-20, 0, 3}},
                      ReferenceCase{"MMEXX01.008", 2, 180, {200, -2, -2}},
                      ReferenceCase{"MMEXX01.008", 2, 180, {400, 0, 5}},
                      ReferenceCase{"SHORT", 2, 0, {-300, 7, 7}},
                      ReferenceCase{"SHORT", 2, 0, {0, -1, 1}},
                      // gains 64 and 103 straddle the switch to wide arithmetic
                      ReferenceCase{"ABCDE01.012", 3, 100, {-16000, 61, 0}},
                      ReferenceCase{"ABCDE01.012", 3, 100, {-20000, 100, -4}},
                      ReferenceCase{"ABCDE01.012", 3, 100, {-20000, 100, 6}},
                      // brightness far beyond any sample
                      ReferenceCase{"SHORT", 2, 0, {1000000000, 0, 2}},
                      ReferenceCase{"SHORT", 2, 0, {-1000000000, -2, -1}},
                      ReferenceCase{"SHORT", 2, 0, {-255, -2, 0}},
                      ReferenceCase{"SHORT", 2, 0, {400, 0, 7}}));

}  // namespace
}  // namespace vantorel
