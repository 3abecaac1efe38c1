#include <gtest/gtest.h>

#include <algorithm>

#include "pipeline/run_pipeline.h"
#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

std::uint8_t Marker(int line, int sample) { return std::uint8_t((line * 29 + sample * 3) % 256); }

void FillMarked(StageHarness& harness) {
  for (std::size_t i = 0; i < harness.Work.size(); ++i)
    harness.Work[i] = Marker(int(i / RecordBytes), int(i % RecordBytes) + 1);
}

std::uint8_t GreyPixel(const StageHarness& harness, int line, int sample) {
  return harness.Bitmap[BmpHeaderBytes + std::size_t(line - 1) * BmpRowBytes + std::size_t(sample - 1) * 3];
}

void RenderFull(StageHarness& harness) {
  RenderContext context = harness.Context();
  RunPipeline(context);
}

TEST(RunPipelineTest, DefaultShowsTheFirstFileLineAtTheTop) {
  StageHarness harness;
  FillMarked(harness);
  RenderFull(harness);
  EXPECT_EQ(GreyPixel(harness, FrameLines, 1), Marker(1, 1));
  EXPECT_EQ(GreyPixel(harness, 1, 832), Marker(700, 832));
  EXPECT_EQ(harness.Bitmap[0], 'B');
}

TEST(RunPipelineTest, InvertRunsAfterToneMapping) {
  StageHarness harness;
  harness.With(Option::Flip).With(Option::Invert);  // Flip 1 keeps lines in file order
  harness.Steps.BrightnessStep = -40;
  harness.At(1, 1) = 30;   // 0 after the brightness, then 255
  harness.At(1, 2) = 200;  // 160, then 95
  RenderFull(harness);
  EXPECT_EQ(GreyPixel(harness, 1, 1), 255);
  EXPECT_EQ(GreyPixel(harness, 1, 2), 95);
}

TEST(RunPipelineTest, RotateMirrorsTheGradient) {
  StageHarness harness;
  harness.FillPicture(100);
  harness.With(Option::Flip).With(Option::Rotate);
  harness.Steps.GradientStep = -1;  // darkens the left edge before the half turn
  RenderFull(harness);
  EXPECT_EQ(GreyPixel(harness, 1, 832), 48);
  EXPECT_EQ(GreyPixel(harness, 1, 1), 100);
  EXPECT_EQ(harness.Steps.GradientStep, -1);
}

TEST(RunPipelineTest, MinimizeShrinksTheRotatedPictureAndColourWindowFollows) {
  StageHarness harness;
  FillMarked(harness);
  harness.With(Option::Flip).With(Option::Rotate).With(Option::Minimize).With(Option::Colorize);
  RenderFull(harness);
  // After the half turn line 1 holds file line 700 mirrored; its first 2 x 2 block
  // is file lines 700 and 699, samples 832 and 831.
  const int sum = Marker(700, 832) + Marker(700, 831) + Marker(699, 832) + Marker(699, 831);
  const Rgb expected = ColorizeSample(std::uint8_t(sum / 4));
  const std::size_t at = BmpHeaderBytes + std::size_t(300) * BmpRowBytes + std::size_t(192) * 3;
  EXPECT_EQ(harness.Bitmap[at], expected.blue);
  EXPECT_EQ(harness.Bitmap[at + 1], expected.green);
  EXPECT_EQ(harness.Bitmap[at + 2], expected.red);
  EXPECT_EQ(GreyPixel(harness, 1, 1), 160);
  EXPECT_EQ(harness.Fits[std::size_t(300) * PictureSamples + 192], sum / 4);
}

TEST(RunPipelineTest, OriginalEqualsTheFullChainWithEverythingOff) {
  for (std::int32_t bytesRead : {std::int32_t(FrameBytes), std::int32_t(ShortFrameFileBytes)}) {
    StageHarness full, original;
    for (StageHarness* harness : {&full, &original}) {
      FillMarked(*harness);
      harness->BytesRead = bytesRead;
      harness->FileName = "ABCDE01.012";  // would stretch, were Stretch on
    }
    RenderFull(full);
    RenderContext context = original.Context();
    RunOriginalPipeline(context);
    EXPECT_EQ(full.Work, original.Work);
    EXPECT_EQ(full.Bitmap, original.Bitmap);
    EXPECT_EQ(full.Fits, original.Fits);
  }
}

}  // namespace
}  // namespace vantorel
