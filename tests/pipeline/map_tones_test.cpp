#include <gtest/gtest.h>

#include <ostream>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

struct ToneCase {
  const char* caseName;
  const char* fileName;
  int stretch;
  ToneSteps steps;  // brightness, contrast, gradient
  int sample, input, expected;
  int contrastAfter, gradientAfter;  // the counters as the stage leaves them
};

void PrintTo(const ToneCase& c, std::ostream* out) { *out << c.caseName; }

class MapTonesTest : public ::testing::TestWithParam<ToneCase> {};

TEST_P(MapTonesTest, MapsOneSampleOfTheLinesRead) {
  const ToneCase& c = GetParam();
  StageHarness h;
  h.FileName = c.fileName;
  h.With(Option::Stretch, c.stretch).Steps = c.steps;
  h.BytesRead = std::int32_t(ShortFrameFileBytes);  // 692 lines: the header and line 693 stay
  for (int line : {0, 1, 692, 693}) h.At(line, c.sample) = std::uint8_t(c.input);
  testing::RunStage(h, MapTones);
  for (int line : {0, 1, 692, 693})
    EXPECT_EQ(h.At(line, c.sample), line == 0 || line == 693 ? c.input : c.expected) << "line " << line;
  EXPECT_EQ(h.Steps.ContrastStep, c.contrastAfter);
  EXPECT_EQ(h.Steps.GradientStep, c.gradientAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MapTonesTest,
    ::testing::Values(
        // Gain 0 halves with ties to even; a contrast below -gain is raised and stored.
        ToneCase{"Gain0_Halves7To4_ContrastMinus5Raised", "TEST", 0, {0, -5, 0}, 1, 7, 4, -1, 0},
        ToneCase{"Gain0_Halves5To2", "TEST", 0, {0, -1, 0}, 1, 5, 2, -1, 0},
        ToneCase{"Code53_ContrastMinus10RaisedToMinus3", "ABCDE01.012", 1, {0, -10, 0}, 1, 255, 28, -3, 0},
        ToneCase{"BrightnessMinus40_ClampsAt0", "TEST", 0, {-40, 0, 0}, 1, 30, 0, 0, 0},
        ToneCase{"BrightnessMinus40_200To160", "TEST", 0, {-40, 0, 0}, 1, 200, 160, 0, 0},
        ToneCase{"BrightnessPlus40_ClampsAt255", "TEST", 0, {40, 0, 0}, 1, 230, 255, 0, 0},
        // Gradient over a flat 100: darkens the left edge when negative, the right one when positive.
        ToneCase{"GradientMinus1_Sample1", "TEST", 0, {0, 0, -1}, 1, 100, 48, 0, -1},
        ToneCase{"GradientMinus1_Sample417", "TEST", 0, {0, 0, -1}, 417, 100, 74, 0, -1},
        ToneCase{"GradientMinus1_Sample832", "TEST", 0, {0, 0, -1}, 832, 100, 100, 0, -1},
        ToneCase{"GradientPlus1_Sample832", "TEST", 0, {0, 0, 1}, 832, 100, 48, 0, 1},
        ToneCase{"GradientPlus1_SuffixByte", "TEST", 0, {0, 0, 1}, 967, 100, 40, 0, 1},
        ToneCase{"GradientMinus3_Sample779", "TEST", 0, {0, 0, -3}, 779, 100, 99, 0, -3},
        ToneCase{"GradientMinus3_Sample780", "TEST", 0, {0, 0, -3}, 780, 100, 100, 0, -3},
        // Beyond 7 the gradient is clamped and stored; an unclamped 9 would give a 1-column ramp.
        ToneCase{"GradientPlus9_ClampedTo7", "TEST", 0, {0, 0, 9}, 100, 100, 50, 0, 7},
        ToneCase{"GradientMinus9_ClampedToMinus7", "TEST", 0, {0, 0, -9}, 700, 100, 86, 0, -7},
        // The name selects gain and offset: code 53 is gain 3, offset 100; code 1 gain 1; code 2 gain 2.
        ToneCase{"Code53_Gain3Offset100_50To50", "ABCDE01.012", 1, {}, 1, 50, 50, 0, 0},
        ToneCase{"Code53_Gain3Offset100_30To0", "ABCDE01.012", 1, {}, 1, 30, 0, 0, 0},
        ToneCase{"StretchOff_Gain1", "ABCDE01.012", 0, {}, 1, 30, 30, 0, 0},
        ToneCase{"MmeName_Code0PlusOne_Gain1", "MMEXX01.001", 1, {}, 1, 77, 77, 0, 0},
        ToneCase{"MmeNameLowerCase_Gain1", "mmexx01.001", 1, {}, 1, 77, 77, 0, 0},
        ToneCase{"FrameNumber0_DefaultGain2", "ABCDE01.000", 1, {}, 1, 77, 154, 0, 0},
        ToneCase{"FrameNumber231_DefaultGain2", "ABCDE01.231", 1, {}, 1, 77, 154, 0, 0},
        ToneCase{"ShortName_DefaultGain2", "ABC.001", 1, {}, 1, 77, 154, 0, 0}),
    ::testing::PrintToStringParamName());

}  // namespace
}  // namespace vantorel
