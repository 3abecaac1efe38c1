#include <gtest/gtest.h>

#include <random>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

constexpr int SpeckLine = 100, SpeckS = 400;
constexpr int SpeckOffset = SpeckLine * RecordBytes + SpeckS;
// Neighbour order: the three above, left, right, the three below.
constexpr int NeighbourOffsets[8] = {-969, -968, -967, -1, 1, 967, 968, 969};

enum class Stage { Early, Late };

void RunStage(Stage stage, RenderContext& context) {
  if (stage == Stage::Early)
    DespeckleEarly(context);
  else
    DespeckleLate(context);
}

struct DecisionCase {
  const char* name;
  Stage stage;
  int value;
  std::array<int, 8> neighbours;
  int expected;
};

class DespeckleDecision : public ::testing::TestWithParam<DecisionCase> {};

// One byte decided alone: the window is narrowed to it, so its neighbours keep
// the values set here.
TEST_P(DespeckleDecision, ReplacesWhenTheQuorumIsReached) {
  const DecisionCase& c = GetParam();
  StageHarness h;
  h.FillPicture(77);
  h.Work[SpeckOffset] = std::uint8_t(c.value);
  for (int i = 0; i < 8; ++i) h.Work[SpeckOffset + NeighbourOffsets[i]] = std::uint8_t(c.neighbours[i]);
  RenderContext context = h.With(Option::Despeckle).Context();
  context.Despeckle.FirstOffset = context.Despeckle.LastOffset = SpeckOffset;
  RunStage(c.stage, context);
  EXPECT_EQ(h.Work[SpeckOffset], c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DespeckleDecision,
    ::testing::Values(
        DecisionCase{"BrightAmongEqual", Stage::Early, 100, {50, 50, 50, 50, 50, 50, 50, 50}, 50},
        DecisionCase{"BrightQuorumOfSix", Stage::Early, 100, {50, 50, 50, 50, 100, 50, 100, 50}, 50},
        DecisionCase{"BrightOnlyFive", Stage::Early, 100, {50, 50, 50, 50, 100, 50, 100, 100}, 100},
        DecisionCase{"DifferenceOfTenDoesNotCount", Stage::Early, 60, {50, 50, 50, 50, 50, 50, 50, 50}, 60},
        DecisionCase{"DifferenceOfElevenCounts", Stage::Early, 61, {50, 50, 50, 50, 50, 50, 50, 50}, 50},
        DecisionCase{"OnlyQualifyingNeighboursAveraged", Stage::Early, 100, {50, 50, 50, 50, 100, 51, 100, 50}, 50},
        DecisionCase{"MeanTruncates", Stage::Early, 100, {50, 50, 50, 53, 100, 53, 100, 53}, 51},
        DecisionCase{"DarkAmongEqual", Stage::Early, 10, {30, 30, 30, 30, 30, 30, 30, 30}, 30},
        DecisionCase{"DarkQuorumOfSeven", Stage::Early, 10, {30, 30, 30, 30, 10, 30, 30, 30}, 30},
        DecisionCase{"DarkOnlySix", Stage::Early, 10, {30, 30, 30, 30, 10, 30, 10, 30}, 10},
        DecisionCase{"DarkMeanTruncates", Stage::Early, 10, {30, 31, 30, 31, 30, 31, 30, 31}, 30},
        DecisionCase{"DarkTestSeesTheBrightResult", Stage::Early, 100, {66, 66, 66, 66, 100, 66, 100, 0}, 75},
        DecisionCase{"LateAllEight", Stage::Late, 100, {94, 94, 94, 94, 94, 94, 94, 94}, 94},
        DecisionCase{"LateDifferenceOfFive", Stage::Late, 100, {94, 94, 94, 94, 94, 94, 94, 95}, 100},
        DecisionCase{"LateSevenOfEight", Stage::Late, 100, {94, 94, 94, 94, 94, 94, 100, 94}, 100},
        DecisionCase{"LateDark", Stage::Late, 94, {100, 100, 100, 100, 100, 100, 100, 101}, 100},
        DecisionCase{"LateDarkDifferenceOfFive", Stage::Late, 95, {100, 100, 100, 100, 100, 100, 101, 101}, 95}),
    [](const auto& info) { return std::string(info.param.name); });

// The first stage's thresholds come from the settings made at Open.
TEST(DespeckleEarly, UsesTheThresholdsOfTheSettings) {
  StageHarness h;
  h.FillPicture(50);
  h.Work[SpeckOffset] = 58;
  RenderContext context = h.With(Option::Despeckle).Context();
  context.Despeckle.BrightSpeckThreshold = 7;
  DespeckleEarly(context);
  EXPECT_EQ(h.Work[SpeckOffset], 50);
}

class DespeckleStage : public ::testing::TestWithParam<Stage> {};

TEST_P(DespeckleStage, DoesNothingWhenSwitchedOff) {
  StageHarness h;
  h.FillPicture(50);
  h.Work[SpeckOffset] = 200;
  const FrameBuffer before = h.Work;
  RenderContext context = h.Context();
  RunStage(GetParam(), context);
  EXPECT_EQ(h.Work, before);
}

TEST_P(DespeckleStage, TreatsOnlyTheWindow) {
  const int first = 2 * RecordBytes + 1, last = (FrameLines - 1) * RecordBytes - 3;
  // A bright byte whose eight neighbours are all darker, at the window's edges,
  // just outside them, and on a suffix byte (neighbours there are suffix zeros).
  const struct {
    int offset;
    bool treated;
  } cases[] = {{first, true}, {last, true}, {300 * RecordBytes + 900, true}, {first - 1, false}, {last + 1, false}};
  for (const auto& c : cases) {
    StageHarness h;
    h.FillPicture(50);
    h.Work[c.offset] = 200;
    RenderContext context = h.With(Option::Despeckle).Context();
    RunStage(GetParam(), context);
    EXPECT_EQ(h.Work[c.offset] != 200, c.treated) << "offset " << c.offset;
  }
}

TEST_P(DespeckleStage, TreatsOnlyTheLinesRead) {
  StageHarness h;
  h.FillPicture(50);
  h.Work[SampleOffset(10, 300)] = 200;
  h.Work[SampleOffset(11, 600)] = 200;
  h.BytesRead = 11 * RecordBytes + 500;  // header and ten lines
  RenderContext context = h.With(Option::Despeckle).Context();
  RunStage(GetParam(), context);
  EXPECT_EQ(h.Work[SampleOffset(10, 300)], 50);
  EXPECT_EQ(h.Work[SampleOffset(11, 600)], 200);
}

TEST_P(DespeckleStage, ShortFileIsLeftAlone) {
  for (std::int32_t bytesRead : {-1, 0, 2 * RecordBytes - 1}) {
    StageHarness h;
    h.FillPicture(50);
    h.Work[SampleOffset(2, 300)] = 200;
    const FrameBuffer before = h.Work;
    h.BytesRead = bytesRead;
    RenderContext context = h.With(Option::Despeckle).Context();
    RunStage(GetParam(), context);
    EXPECT_EQ(h.Work, before) << bytesRead;
  }
}

// Sets the six test columns of lines 31..630: odd or even ones lit, the others zero.
void SetTestColumns(StageHarness& h, int litParity) {
  for (int line = 31; line <= 630; ++line)
    for (int s = 399; s <= 404; ++s) h.Work[std::size_t(line) * RecordBytes + s] = (s % 2 == litParity) ? 90 : 0;
}

TEST_P(DespeckleStage, FrameWithEveryOtherColumnEmptyIsSkipped) {
  for (int litParity : {0, 1}) {
    StageHarness h;
    h.FillPicture(50);
    SetTestColumns(h, litParity);
    h.Work[SampleOffset(200, 100)] = 200;
    const FrameBuffer before = h.Work;
    RenderContext context = h.With(Option::Despeckle).Context();
    RunStage(GetParam(), context);
    EXPECT_EQ(h.Work, before) << "lit parity " << litParity;
  }
}

TEST_P(DespeckleStage, FrameWithOneSideOnlyPartlyLitIsNotSkipped) {
  StageHarness h;
  h.FillPicture(50);
  SetTestColumns(h, 0);
  for (int line = 31; line <= 630; ++line) h.Work[std::size_t(line) * RecordBytes + 402] = 0;
  h.Work[SampleOffset(200, 100)] = 200;
  RenderContext context = h.With(Option::Despeckle).Context();
  RunStage(GetParam(), context);
  EXPECT_EQ(h.Work[SampleOffset(200, 100)], 50);
}

TEST_P(DespeckleStage, FrameWithAllSixColumnsEmptyIsNotSkipped) {
  StageHarness h;
  h.FillPicture(50);
  for (int line = 31; line <= 630; ++line)
    for (int s = 399; s <= 404; ++s) h.Work[std::size_t(line) * RecordBytes + s] = 0;
  h.Work[SampleOffset(200, 100)] = 200;
  RenderContext context = h.With(Option::Despeckle).Context();
  RunStage(GetParam(), context);
  EXPECT_EQ(h.Work[SampleOffset(200, 100)], 50);
}

INSTANTIATE_TEST_SUITE_P(BothStages, DespeckleStage, ::testing::Values(Stage::Early, Stage::Late),
                         [](const auto& info) { return info.param == Stage::Early ? "Early" : "Late"; });

// The byte after a replaced speck sees the replaced value: a (100) takes the
// mean of all eight, 40; b (10) then counts a among seven brighter
// neighbours and takes (40 + 6 x 50) / 7 = 48, where the old 100 would give 57.
TEST(DespeckleEarly, DecisionSeesTheReplacedLeftNeighbour) {
  StageHarness h;
  h.FillPicture(50);
  h.Work[SpeckOffset] = 100;
  h.Work[SpeckOffset + 1] = 10;
  h.Work[SpeckOffset + 969] = 10;
  RenderContext context = h.With(Option::Despeckle).Context();
  DespeckleEarly(context);
  EXPECT_EQ(h.Work[SpeckOffset], 40);
  EXPECT_EQ(h.Work[SpeckOffset + 1], 48);
}

// The procedure written out one byte at a time, straight from the rules, to
// check the chunked sweep against on a noisy frame.
void DespeckleSlowly(FrameBuffer& f, int lines, int tb, int qb, int td, int qd) {
  for (int x = 968; x <= 968 * (lines + 1) - 1; ++x) {
    if (x < 1937 || x > 676629) continue;
    int v = f[x], count = 0, sum = 0;
    for (int o : NeighbourOffsets)
      if (v - f[x + o] > tb) ++count, sum += f[x + o];
    if (count >= qb) v = sum / count;
    count = sum = 0;
    for (int o : NeighbourOffsets)
      if (f[x + o] - v > td) ++count, sum += f[x + o];
    if (count >= qd) v = sum / count;
    f[x] = std::uint8_t(v);
  }
}

TEST_P(DespeckleStage, MatchesAByteAtATimeSweepOnANoisyFrame) {
  std::mt19937 random(11);
  StageHarness h;
  for (std::uint8_t& byte : h.Work) {
    const unsigned roll = random() % 100;
    byte = std::uint8_t(roll < 5 ? random() % 256 : 100 + random() % 15);
  }
  h.BytesRead = 650 * RecordBytes;
  FrameBuffer expected = h.Work;
  if (GetParam() == Stage::Early)
    DespeckleSlowly(expected, 649, 10, 6, 10, 7);
  else
    DespeckleSlowly(expected, 649, 5, 8, 5, 8);
  RenderContext context = h.With(Option::Despeckle).Context();
  RunStage(GetParam(), context);
  EXPECT_EQ(h.Work, expected);
}

}  // namespace
}  // namespace vantorel
