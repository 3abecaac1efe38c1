#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <vector>

#include "frames/frame_file.h"
#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

// Picture samples that differ between two frames: the plain recount the
// stages' counts must equal. Each is also marked in `mask` at its frame place:
// work line L holds frame line 701 - L once the lines are exchanged.
std::int32_t ChangedPictureSamples(const FrameBuffer& before, const FrameBuffer& after, bool exchanged,
                                   std::vector<std::uint8_t>& mask) {
  std::int32_t changed = 0;
  for (int line = 1; line <= FrameLines; ++line)
    for (int s = 1; s <= PictureSamples; ++s)
      if (before[SampleOffset(line, s)] != after[SampleOffset(line, s)]) {
        ++changed;
        mask[PictureSampleIndex(exchanged ? FrameLines + 1 - line : line, s)] = 1;
      }
  return changed;
}

// Runs the chain up to the second despeckle, checking each cleaning stage's
// count, and the mask they all note in against the recount's.
void ExpectCountsEqualRecounts(StageHarness& h) {
  std::vector<std::uint8_t> mask(FitsPlaneBytes, 0), recount(FitsPlaneBytes, 0);
  RenderContext context = h.Context();
  context.ReplacedMask = mask;
  const bool exchanged = Entry(h.Options, Option::Flip) == 0;
  FrameBuffer before = h.Work;
  ReconstructSamples(context);
  EXPECT_EQ(context.Replaced.Reconstruction, ChangedPictureSamples(before, h.Work, false, recount));
  FlipStage(context);
  before = h.Work;
  DespeckleEarly(context);
  EXPECT_EQ(context.Replaced.DespeckleEarly, ChangedPictureSamples(before, h.Work, exchanged, recount));
  MapTones(context);
  before = h.Work;
  DespeckleLate(context);
  EXPECT_EQ(context.Replaced.DespeckleLate, ChangedPictureSamples(before, h.Work, exchanged, recount));
  const auto [noted, recounted] = std::mismatch(mask.begin(), mask.end(), recount.begin());
  EXPECT_EQ(noted, mask.end()) << "first difference at " << (noted - mask.begin());
}

struct RandomCase {
  unsigned seed;
  int zeroPercent, speckPercent;
  std::int32_t bytesRead;
  bool flip;
};

// Random frames with many zeros (for the fills) and bright or dark specks
// (for despeckle) over a smooth ground; suffixes and header included.
TEST(ReplacedCounts, EqualARecountOfChangedSamples) {
  const RandomCase cases[] = {{1, 20, 5, std::int32_t(FrameBytes), false},
                              {2, 60, 1, std::int32_t(FrameBytes), false},
                              {3, 5, 20, std::int32_t(ShortFrameFileBytes), true},
                              {4, 0, 30, std::int32_t(FrameBytes), true},
                              {5, 30, 10, 20 * RecordBytes + 17, false}};
  for (const RandomCase& c : cases) {
    SCOPED_TRACE(c.seed);
    StageHarness h;
    h.BytesRead = c.bytesRead;
    h.With(Option::Reconstruct).With(Option::Despeckle).With(Option::Stretch).With(Option::Flip, c.flip).FileName =
        "ABCDE01.012";
    std::mt19937 random(c.seed);
    std::uniform_int_distribution<int> percent(0, 99), level(0, 255);
    for (std::size_t i = 0; i < h.Work.size(); ++i) {
      const int roll = percent(random);
      const int ground = 90 + int(i % RecordBytes) / 64;
      h.Work[i] = std::uint8_t(roll < c.zeroPercent                    ? 0
                               : roll < c.zeroPercent + c.speckPercent ? level(random)
                                                                       : ground);
    }
    ExpectCountsEqualRecounts(h);
  }
}

TEST(ReplacedCounts, EqualARecountOnTheSampleFrames) {
  int frames = 0;
  for (const auto& entry : std::filesystem::directory_iterator(VANTOREL_SAMPLES_DIR)) {
    if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) continue;
    SCOPED_TRACE(entry.path().string());
    FrameRead read = ReadFrameFile(entry.path().string());
    StageHarness h;
    ArrangeFrame(read.WorkFrame, h.Work);
    h.BytesRead = read.BytesRead;
    h.FileName = entry.path().filename().string();
    h.With(Option::Reconstruct).With(Option::Despeckle).With(Option::Stretch);
    ExpectCountsEqualRecounts(h);
    ++frames;
  }
  EXPECT_GT(frames, 0);
}

// A stage that is off, or has no lines to work, reports nothing, even over a context that counted before.
TEST(ReplacedCounts, AreZeroWhenTheStageDoesNotRun) {
  StageHarness h;
  RenderContext context = h.Context();
  context.Replaced = {5, 6, 7};
  ReconstructSamples(context);
  DespeckleEarly(context);
  DespeckleLate(context);
  EXPECT_EQ(context.Replaced.Reconstruction, 0);
  EXPECT_EQ(context.Replaced.DespeckleEarly, 0);
  EXPECT_EQ(context.Replaced.DespeckleLate, 0);
}

}  // namespace
}  // namespace vantorel
