#include <gtest/gtest.h>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::Marker;
using testing::StageHarness;

// The four Flip/Rotate combinations. Suffix bytes travel with their line but are
// never mirrored; the header and the trailing records stay.
TEST(Geometry, FlipThenRotatePlaceEveryByte) {
  const int cases[][4] = {{0, 0, 1, 0}, {1, 0, 0, 0}, {0, 1, 0, 1}, {1, 1, 1, 1}};  // flip, rotate: exchanged, mirrored
  for (const auto& [flip, rotate, exchanged, mirrored] : cases) {
    StageHarness h;
    testing::FillMarked(h);
    h.With(Option::Flip, flip).With(Option::Rotate, rotate);
    testing::RunStage(h, FlipStage);
    testing::RunStage(h, RotateStage);
    for (int record = 0; record < FrameRecords; ++record)
      for (int sample = 1; sample <= RecordBytes; ++sample) {
        const bool imageLine = record >= 1 && record <= FrameLines;
        const int from = imageLine && mirrored && sample <= PictureSamples ? PictureSamples + 1 - sample : sample;
        ASSERT_EQ(h.Work[SampleOffset(record, sample)], Marker(imageLine && exchanged ? 701 - record : record, from))
            << "flip " << flip << " rotate " << rotate << " record " << record << " sample " << sample;
      }
  }
}

// The half-size picture of truncated 2 x 2 means sits at lines 301.., samples
// 193..608 of a frame otherwise grey 160, suffixes and header included. A full
// frame fills lines 301..650, a 692-line one 301..646.
TEST(Geometry, MinimizeGivesAHalfSizePictureOnGrey) {
  for (std::int32_t bytesRead : {std::int32_t(FrameBytes), std::int32_t(ShortFrameFileBytes)}) {
    StageHarness h;
    testing::FillMarked(h);
    h.At(1, 1) = 10, h.At(1, 2) = 11, h.At(2, 1) = 12, h.At(2, 2) = 13;
    h.BytesRead = bytesRead;
    const FrameBuffer before = h.Work;
    auto was = [&](int line, int sample) { return int(before[SampleOffset(line, sample)]); };
    testing::RunStage(h.With(Option::Minimize), MinimizeStage);
    const int halfLines = LineCountFor(bytesRead) / 2;
    for (int record = 0; record < FrameRecords; ++record)
      for (int sample = 1; sample <= RecordBytes; ++sample) {
        const int m = record - 300, j = sample - 192, l = 2 * m - 1, s = 2 * j - 1;
        const bool inPicture = m >= 1 && m <= halfLines && j >= 1 && j <= PictureSamples / 2;
        ASSERT_EQ(h.Work[SampleOffset(record, sample)],
                  inPicture ? (was(l, s) + was(l, s + 1) + was(l + 1, s) + was(l + 1, s + 1)) / 4 : 160)
            << bytesRead << ": record " << record << " sample " << sample;
      }
    EXPECT_EQ(h.At(301, 193), 11);
  }
}

}  // namespace
}  // namespace vantorel
