#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <random>
#include <utility>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

constexpr int SpeckOffset = 100 * RecordBytes + 400;
// The three above, left, right, the three below.
constexpr int NeighbourOffsets[8] = {-969, -968, -967, -1, 1, 967, 968, 969};

using Stage = void (*)(RenderContext&);

// A byte decided alone: the window is narrowed to it, so its neighbours keep their values.
TEST(Despeckle, ReplacesOnlyWhenTheQuorumIsReached) {
  const Stage early = DespeckleEarly, late = DespeckleLate;
  const struct {
    Stage stage;
    int value;
    std::array<int, 8> neighbours;
    int expected;
  } cases[] = {{early, 100, {50, 50, 50, 50, 50, 50, 50, 50}, 50},
               {early, 100, {50, 50, 50, 50, 100, 50, 100, 50}, 50},
               {early, 100, {50, 50, 50, 50, 100, 50, 100, 100}, 100},  // five brighter: no quorum
               {early, 60, {50, 50, 50, 50, 50, 50, 50, 50}, 60},
               {early, 61, {50, 50, 50, 50, 50, 50, 50, 50}, 50},
               {early, 100, {50, 50, 50, 50, 100, 51, 100, 50}, 50},  // mean of the six darker only: 50.17
               {early, 100, {50, 50, 50, 53, 100, 53, 100, 53}, 51},  // 51.5 truncated
               {early, 10, {30, 30, 30, 30, 30, 30, 30, 30}, 30},
               {early, 10, {30, 30, 30, 30, 10, 30, 30, 30}, 30},
               {early, 10, {30, 30, 30, 30, 10, 30, 10, 30}, 10},    // six brighter: no quorum
               {early, 100, {66, 66, 66, 66, 100, 66, 100, 0}, 75},  // the dark test sees the bright result, 55
               {late, 100, {94, 94, 94, 94, 94, 94, 94, 94}, 94},
               {late, 100, {94, 94, 94, 94, 94, 94, 94, 95}, 100},
               {late, 100, {94, 94, 94, 94, 94, 94, 100, 94}, 100},
               {late, 94, {100, 100, 100, 100, 100, 100, 100, 101}, 100}};
  for (const auto& c : cases) {
    StageHarness h;
    h.FillPicture(77);
    h.Work[SpeckOffset] = std::uint8_t(c.value);
    for (int i = 0; i < 8; ++i) h.Work[SpeckOffset + NeighbourOffsets[i]] = std::uint8_t(c.neighbours[i]);
    RenderContext context = h.With(Option::Despeckle).Context();
    context.Despeckle.FirstOffset = context.Despeckle.LastOffset = SpeckOffset;
    c.stage(context);
    EXPECT_EQ(h.Work[SpeckOffset], c.expected) << (c.stage == DespeckleEarly ? "early " : "late ") << c.value;
  }
}

// A stage and what it decides with once the settings' thresholds are 7 and 12.
struct StageCase {
  const char* caseName;
  Stage stage;
  int brightThreshold, brightQuorum, darkThreshold, darkQuorum;
};

void PrintTo(const StageCase& c, std::ostream* out) { *out << c.caseName; }

class DespeckleStage : public ::testing::TestWithParam<StageCase> {};

// Columns 399..404 of lines 31..630 (X lit, . zero) decide whether the frame is skipped.
TEST_P(DespeckleStage, SkipsAFrameWithEveryOtherTestColumnEmpty) {
  const std::pair<const char*, bool> cases[] = {
      {".X.X.X", true}, {"X.X.X.", true}, {"......", false}, {".X...X", false}};
  for (const auto& [columns, skipped] : cases) {
    StageHarness h;
    h.FillPicture(50);
    for (int line = 31; line <= 630; ++line)
      for (int s = 399; s <= 404; ++s) h.Work[std::size_t(line) * RecordBytes + s] = columns[s - 399] == 'X' ? 90 : 0;
    h.At(200, 100) = 200;
    testing::RunStage(h.With(Option::Despeckle), GetParam().stage);
    EXPECT_EQ(h.At(200, 100), skipped ? 200 : 50) << columns;
  }
}

// Both decisions one byte at a time, in place, to check the block-wise sweep against.
void DespecklePlainly(FrameBuffer& f, int lines, int tb, int qb, int td, int qd) {
  for (int x = 1937; x <= std::min(676629, 968 * (lines + 1) - 1); ++x) {
    int v = f[x];
    for (bool dark : {false, true}) {
      int count = 0, sum = 0;
      for (int o : NeighbourOffsets)
        if ((dark ? f[x + o] - v : v - f[x + o]) > (dark ? td : tb)) ++count, sum += f[x + o];
      if (count >= (dark ? qd : qb)) v = sum / count;
    }
    f[x] = std::uint8_t(v);
  }
}

// The settings' thresholds apply to the first stage only; the second keeps 5.
TEST_P(DespeckleStage, MatchesAPlainSweepOnANoisyRandomFrame) {
  std::mt19937 random(11);
  StageHarness h;
  for (std::uint8_t& byte : h.Work) byte = std::uint8_t(random() % 100 < 5 ? random() % 256 : 100 + random() % 15);
  h.BytesRead = 650 * RecordBytes;
  FrameBuffer expected = h.Work;
  const StageCase& c = GetParam();
  DespecklePlainly(expected, 649, c.brightThreshold, c.brightQuorum, c.darkThreshold, c.darkQuorum);
  RenderContext context = h.With(Option::Despeckle).Context();
  context.Despeckle.BrightSpeckThreshold = 7;
  context.Despeckle.DarkSpeckThreshold = 12;
  c.stage(context);
  EXPECT_EQ(h.Work, expected);
}

INSTANTIATE_TEST_SUITE_P(BothStages, DespeckleStage,
                         ::testing::Values(StageCase{"Early", DespeckleEarly, 7, 6, 12, 7},
                                           StageCase{"Late", DespeckleLate, 5, 8, 5, 8}),
                         ::testing::PrintToStringParamName());

}  // namespace
}  // namespace vantorel
