#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

// The sample at in-record offset s of a line (At() counts samples from 1).
std::uint8_t& Byte(StageHarness& h, int line, int s) { return h.Work[std::size_t(line) * RecordBytes + s]; }

void Reconstruct(StageHarness& h) {
  RenderContext context = h.With(Option::Reconstruct).Context();
  ReconstructSamples(context);
}

TEST(ReconstructSamples, DoesNothingWhenSwitchedOff) {
  StageHarness h;
  h.FillPicture(50);
  Byte(h, 100, 400) = 0;
  Byte(h, 300, 10) = 0;
  const FrameBuffer before = h.Work;
  for (int entry : {0, 2}) {
    RenderContext context = h.With(Option::Reconstruct, entry).Context();
    ReconstructSamples(context);
    EXPECT_EQ(h.Work, before) << "entry " << entry;
  }
}

struct PairCase {
  int first, second, expected;
};

class FillMean : public ::testing::TestWithParam<PairCase> {};

// A lone zero between a sample above and one below.
TEST_P(FillMean, VerticalGapTakesTheRoundedMean) {
  const auto [above, below, expected] = GetParam();
  StageHarness h;
  h.FillPicture(50);
  Byte(h, 99, 400) = std::uint8_t(above);
  Byte(h, 100, 400) = 0;
  Byte(h, 101, 400) = std::uint8_t(below);
  Reconstruct(h);
  EXPECT_EQ(Byte(h, 100, 400), expected);
}

// A zero whose upper neighbour is zero too is left to the horizontal pass.
TEST_P(FillMean, HorizontalGapTakesTheRoundedMean) {
  const auto [left, right, expected] = GetParam();
  StageHarness h;
  h.FillPicture(50);
  Byte(h, 99, 400) = 0;
  Byte(h, 100, 399) = std::uint8_t(left);
  Byte(h, 100, 400) = 0;
  Byte(h, 100, 401) = std::uint8_t(right);
  Reconstruct(h);
  EXPECT_EQ(Byte(h, 100, 400), expected);
  EXPECT_EQ(Byte(h, 99, 400), 50);  // filled by the same pass from 50 and 50
}

// Ties go to the even neighbour: 11.5 -> 12, 10.5 -> 10.
INSTANTIATE_TEST_SUITE_P(TiesToEven, FillMean,
                         ::testing::Values(PairCase{10, 13, 12}, PairCase{10, 11, 10}, PairCase{1, 2, 2},
                                           PairCase{2, 3, 2}, PairCase{7, 8, 8}, PairCase{254, 255, 254},
                                           PairCase{255, 255, 255}, PairCase{1, 1, 1}));

TEST(ReconstructSamples, GapsOfTwoStayOpen) {
  StageHarness h;
  h.FillPicture(50);
  // A 2 x 2 hole: two zero lines for the vertical pass, two zero samples for the horizontal one.
  for (int line : {100, 101})
    for (int s : {400, 401}) Byte(h, line, s) = 0;
  Reconstruct(h);
  for (int line : {100, 101})
    for (int s : {400, 401}) EXPECT_EQ(Byte(h, line, s), 0) << line << "," << s;
}

TEST(ReconstructSamples, LineOneIsFilledFromTheHeaderAbove) {
  StageHarness h;
  h.FillPicture(50);
  h.Work[400] = 30;  // header record byte above (line 1, s = 400)
  Byte(h, 1, 400) = 0;
  Byte(h, 2, 400) = 41;
  Reconstruct(h);
  EXPECT_EQ(Byte(h, 1, 400), 36);  // 35.5 to the even 36
  EXPECT_EQ(h.Work[400], 30);
}

TEST(ReconstructSamples, SuffixBytesAreFilledLikeSamples) {
  StageHarness h;
  Byte(h, 100, 900) = 20;
  Byte(h, 102, 900) = 40;
  Byte(h, 200, 899) = 20;
  Byte(h, 200, 901) = 30;
  Reconstruct(h);
  EXPECT_EQ(Byte(h, 101, 900), 30);
  EXPECT_EQ(Byte(h, 200, 900), 25);
}

TEST(ReconstructSamples, LoneBrightSampleInBlankSurroundingsVanishes) {
  StageHarness h;
  Byte(h, 100, 400) = 200;
  Reconstruct(h);
  EXPECT_EQ(h.Work, MakeFrameBuffer());  // nothing around it is filled afterwards
}

struct SpeckCase {
  const char* name;
  int s;  // in-record offset of the candidate on line 100
  int value;
  std::array<int, 6> outer;  // up 2; up 1 left 2; up 1 right 2; down 2; down 1 left 2; down 1 right 2
  int expected;
};

class SpeckRemoval : public ::testing::TestWithParam<SpeckCase> {};

TEST_P(SpeckRemoval, ReplacesOnlyClearlyBrighterSpecks) {
  const SpeckCase& c = GetParam();
  StageHarness h;
  Byte(h, 100, c.s) = std::uint8_t(c.value);
  const int ring[6][2] = {{-2, 0}, {-1, -2}, {-1, 2}, {2, 0}, {1, -2}, {1, 2}};
  for (int i = 0; i < 6; ++i) h.Work[std::size_t(100 + ring[i][0]) * RecordBytes + c.s + ring[i][1]] = std::uint8_t(c.outer[i]);
  Reconstruct(h);
  EXPECT_EQ(Byte(h, 100, c.s), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpeckRemoval,
    ::testing::Values(SpeckCase{"NearBlackRing", 400, 20, {3, 3, 3, 3, 3, 2}, 3},
                      SpeckCase{"RingSumAbove18", 400, 20, {4, 4, 4, 4, 3, 0}, 20},
                      SpeckCase{"OneRingByteTooClose", 400, 20, {3, 3, 3, 3, 3, 16}, 20},
                      SpeckCase{"FarDarkerRing", 400, 100, {64, 64, 64, 64, 64, 63}, 64},
                      SpeckCase{"RingOnly35Darker", 400, 100, {64, 64, 64, 64, 64, 65}, 100},
                      SpeckCase{"LastPictureSampleKept", 831, 200, {0, 0, 0, 0, 0, 0}, 200},
                      SpeckCase{"SuffixByteKept", 900, 200, {0, 0, 0, 0, 0, 0}, 200},
                      SpeckCase{"LastSuffixByteReplaced", 967, 200, {0, 0, 0, 0, 0, 0}, 0},
                      SpeckCase{"FirstSampleReplaced", 0, 200, {0, 0, 0, 0, 0, 0}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReconstructSamples, SpeckSeesAnEarlierReplacementInItsOuterRing) {
  StageHarness h;
  const int line = 100, s = 400;
  Byte(h, line, s) = 200;      // replaced first: ring {0,0,3,3,0,20} -> 26 / 6 -> 4
  Byte(h, line - 1, s + 2) = 3;
  Byte(h, line + 2, s) = 3;
  Byte(h, line + 1, s + 2) = 20;  // its outer ring holds the 200 above, now 4
  Byte(h, line, s + 4) = 3;
  Byte(h, line + 3, s + 2) = 3;
  Byte(h, line + 2, s + 4) = 2;
  Reconstruct(h);
  EXPECT_EQ(Byte(h, line, s), 4);
  EXPECT_EQ(Byte(h, line + 1, s + 2), 3);  // {4,3,3,3,3,2}: sum 18; against the 200 it would stay 20
}

// The stage written out one byte at a time, straight from the rules, to check
// the chunked sweep against on a frame full of zeros, specks and gaps.
std::uint8_t RoundedMeanSlow(int sum, int count) { return std::uint8_t(std::nearbyint(double(sum) / count)); }

void ReconstructSlowly(FrameBuffer& f) {
  auto near = [&](int x) {
    for (int o : {-969, -968, -967, -2, -1, 1, 2, 967, 968, 969})
      if (f[x + o]) return false;
    return true;
  };
  for (int x = 2906; x <= 674693; ++x) {
    const int r = f[x];
    if (!near(x) || r == 0 || (x + 1) % 968 >= 832) continue;
    int sum = 0, a = 0, b = 0;
    for (int o : {-1936, -970, -966, 1936, 966, 970}) {
      sum += f[x + o];
      a += r - f[x + o] >= 36;
      b += r - f[x + o] >= 5;
    }
    if (a == 6 || (b == 6 && sum <= 18)) f[x] = RoundedMeanSlow(sum, 6);
  }
  for (int x = 968; x <= 676629; ++x)
    if (!f[x] && f[x + 968] && f[x - 968]) f[x] = RoundedMeanSlow(f[x - 968] + f[x + 968], 2);
  for (int x = 968; x <= 676629; ++x)
    if (!f[x] && f[x - 1] && f[x + 1]) f[x] = RoundedMeanSlow(f[x - 1] + f[x + 1], 2);
}

TEST(ReconstructSamples, MatchesAByteAtATimeSweepOnASparseFrame) {
  std::mt19937 random(7);
  StageHarness h;
  for (std::uint8_t& byte : h.Work) {
    const unsigned roll = random() % 100;
    byte = roll < 70 ? 0 : roll < 85 ? std::uint8_t(random() % 8) : std::uint8_t(random() % 256);
  }
  FrameBuffer expected = h.Work;
  ReconstructSlowly(expected);
  Reconstruct(h);
  EXPECT_EQ(h.Work, expected);
}

}  // namespace
}  // namespace vantorel
