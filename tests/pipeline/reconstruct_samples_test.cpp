#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

// The byte at in-record offset s of a line (At() counts samples from 1).
std::uint8_t& Byte(StageHarness& h, int line, int s) { return h.Work[std::size_t(line) * RecordBytes + s]; }

void Reconstruct(StageHarness& h) { testing::RunStage(h.With(Option::Reconstruct), ReconstructSamples); }

// Writes {line, in-record offset, value} over a picture of 50s, then expects
// {line, offset, value}. Line 0 is the header record.
TEST(ReconstructSamples, GapsTakeTheMeanOfTwoNeighboursRoundedToEven) {
  using Bytes = std::vector<std::array<int, 3>>;
  const std::pair<Bytes, Bytes> cases[] = {
      {{{100, 400, 0}, {99, 400, 10}, {101, 400, 13}}, {{100, 400, 12}}},  // vertical: 11.5
      {{{100, 400, 0}, {99, 400, 10}, {101, 400, 11}}, {{100, 400, 10}}},  // 10.5
      {{{100, 400, 0}, {99, 400, 254}, {101, 400, 255}}, {{100, 400, 254}}},
      // with a zero above too, left and right count; the zero above fills from 50 and 50
      {{{100, 400, 0}, {99, 400, 0}, {100, 399, 10}, {100, 401, 13}}, {{100, 400, 12}, {99, 400, 50}}},
      {{{100, 400, 0}, {99, 400, 0}, {100, 399, 10}, {100, 401, 11}}, {{100, 400, 10}}},
      {{{100, 400, 0}, {100, 401, 0}, {101, 400, 0}, {101, 401, 0}},  // two zeros either way stay open
       {{100, 400, 0}, {100, 401, 0}, {101, 400, 0}, {101, 401, 0}}},
      {{{0, 400, 30}, {1, 400, 0}, {2, 400, 41}}, {{1, 400, 36}}}};  // line 1 from the header byte above
  for (const auto& [writes, expected] : cases) {
    StageHarness h;
    h.FillPicture(50);
    for (const auto& [line, s, value] : writes) Byte(h, line, s) = std::uint8_t(value);
    Reconstruct(h);
    for (const auto& [line, s, value] : expected) EXPECT_EQ(Byte(h, line, s), value) << line << "," << s;
  }
}

// A candidate on line 100 in blank surroundings against its outer ring (a vanished
// one leaves nothing to fill): up 2;
// up 1 left 2; up 1 right 2; down 2; down 1 left 2; down 1 right 2.
TEST(ReconstructSamples, SpeckIsReplacedOnlyWhenClearlyBrighterThanItsRing) {
  const struct {
    int s, value;
    std::array<int, 6> ring;
    int expected;
  } cases[] = {{400, 20, {3, 3, 3, 3, 3, 2}, 3},         {400, 20, {4, 4, 4, 4, 3, 0}, 20},
               {400, 100, {64, 64, 64, 64, 64, 63}, 64}, {400, 100, {64, 64, 64, 64, 64, 65}, 100},
               {831, 200, {0, 0, 0, 0, 0, 0}, 200},      {967, 200, {0, 0, 0, 0, 0, 0}, 0},
               {400, 200, {0, 0, 0, 0, 0, 0}, 0}};
  const int ringAt[6][2] = {{-2, 0}, {-1, -2}, {-1, 2}, {2, 0}, {1, -2}, {1, 2}};
  for (const auto& c : cases) {
    StageHarness h;
    Byte(h, 100, c.s) = std::uint8_t(c.value);
    for (int i = 0; i < 6; ++i) Byte(h, 100 + ringAt[i][0], c.s + ringAt[i][1]) = std::uint8_t(c.ring[i]);
    Reconstruct(h);
    EXPECT_EQ(Byte(h, 100, c.s), c.expected) << "offset " << c.s << " value " << c.value;
    if (c.expected == 0) {
      EXPECT_EQ(h.Work, MakeFrameBuffer()) << "offset " << c.s;
    }
  }
}

// The three passes one byte at a time, to check the block-wise sweep against.
void ReconstructPlainly(FrameBuffer& f) {
  auto mean = [](int sum, int count) { return std::uint8_t(std::nearbyint(double(sum) / count)); };
  const int nearest[] = {-969, -968, -967, -2, -1, 1, 2, 967, 968, 969};
  for (int x = 2906; x <= 674693; ++x) {
    const int r = f[x];
    auto lit = [&](int o) { return f[x + o] != 0; };
    if (r == 0 || (x + 1) % 968 >= 832 || std::any_of(std::begin(nearest), std::end(nearest), lit)) continue;
    int sum = 0, far = 0, near = 0;
    for (int o : {-1936, -970, -966, 1936, 966, 970})
      sum += f[x + o], far += r - f[x + o] >= 36, near += r - f[x + o] >= 5;
    if (far == 6 || (near == 6 && sum <= 18)) f[x] = mean(sum, 6);
  }
  for (int step : {968, 1})
    for (int x = 968; x <= 676629; ++x)
      if (!f[x] && f[x - step] && f[x + step]) f[x] = mean(f[x - step] + f[x + step], 2);
}

TEST(ReconstructSamples, MatchesAPlainSweepOnASparseRandomFrame) {
  std::mt19937 random(7);
  StageHarness h;
  for (std::uint8_t& byte : h.Work) byte = std::uint8_t(random() % 100 < 70 ? 0 : random() % (random() % 2 ? 8 : 256));
  FrameBuffer expected = h.Work;
  ReconstructPlainly(expected);
  Reconstruct(h);
  EXPECT_EQ(h.Work, expected);
}

}  // namespace
}  // namespace vantorel
