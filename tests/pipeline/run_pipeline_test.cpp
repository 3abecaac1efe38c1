#include <gtest/gtest.h>

#include <algorithm>

#include "pipeline/run_pipeline.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::Marker;
using testing::StageHarness;

int GreyPixel(const StageHarness& h, int line, int sample) { return testing::BitmapPixel(h, line, sample)[0]; }

// The flip (entry 0) and the half turn together leave the lines in place and mirror
// them (line 1 is the bottom row). On a flat 100 the gradient and brightness take sample 1 to 8, invert
// to 247, and the mirror moves it to sample 832; sample 832 escapes the gradient.
TEST(RunPipelineTest, EachStageSeesTheStepsBeforeIt) {
  StageHarness h;
  h.FillPicture(100);
  h.At(1, 832) = 30;   // 0 after the brightness, then 255
  h.At(2, 832) = 200;  // 160, then 95
  h.With(Option::Invert).With(Option::Rotate).Steps = {-40, 0, -1};
  testing::RunStage(h, RunPipeline);
  EXPECT_EQ(GreyPixel(h, 1, 832), 247);
  EXPECT_EQ(GreyPixel(h, 1, 1), 255);
  EXPECT_EQ(GreyPixel(h, 2, 1), 95);
}

// Every stage switched off does nothing: the full chain then equals "Original Image",
// which shows the frame the right way up.
TEST(RunPipelineTest, OriginalEqualsTheFullChainWithEverythingOff) {
  for (std::int32_t bytesRead : {std::int32_t(FrameBytes), std::int32_t(ShortFrameFileBytes)}) {
    StageHarness full, original;
    for (StageHarness* h : {&full, &original}) {
      testing::FillMarked(*h);
      h->BytesRead = bytesRead;
      h->FileName = "ABCDE01.012";  // would stretch, were Stretch on
    }
    testing::RunStage(full, RunPipeline);
    testing::RunStage(original, RunOriginalPipeline);
    EXPECT_EQ(full.Work, original.Work);
    EXPECT_EQ(full.Bitmap, original.Bitmap);
    EXPECT_EQ(full.Fits, original.Fits);
    EXPECT_EQ(GreyPixel(full, 692, 1), Marker(9, 1));  // file line 9 on the ninth row from the top
  }
}

// A read too short for line 1 leaves every line alone, whichever stages are on,
// and composes nothing; the tone mapping still raises the contrast but leaves
// the gradient unclamped.
TEST(RunPipelineTest, ReadWithoutALineTouchesNoLine) {
  for (std::int32_t bytesRead : {-3 * RecordBytes, 0, RecordBytes - 1, 2 * RecordBytes - 1}) {
    StageHarness h;
    testing::FillMarked(h);
    h.BytesRead = bytesRead;
    for (Option option :
         {Option::Stretch, Option::Despeckle, Option::Flip, Option::Sharpen, Option::Invert, Option::Colorize})
      h.With(option);
    h.Steps = {10, -5, 9};
    std::fill(h.Fits.begin(), h.Fits.end(), 0xAA);  // an earlier frame's samples
    const FrameBuffer before = h.Work;
    testing::RunStage(h, RunPipeline);
    EXPECT_EQ(h.Work, before) << bytesRead;
    EXPECT_EQ(std::count(h.Fits.begin(), h.Fits.end(), 0), std::ptrdiff_t(h.Fits.size())) << bytesRead;
    EXPECT_EQ(std::count(h.Bitmap.begin() + BmpHeaderBytes, h.Bitmap.end(), 0),
              std::ptrdiff_t(h.Bitmap.size() - BmpHeaderBytes))
        << bytesRead;
    EXPECT_EQ(h.Steps.ContrastStep, -2) << bytesRead;
    EXPECT_EQ(h.Steps.GradientStep, 9) << bytesRead;
  }
}

}  // namespace
}  // namespace vantorel
