#include "pipeline/tone_curve.h"

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

struct CurveCase {
  const char* caseName;
  const char* fileName;
  bool stretch, invert;
  ToneSteps steps;                          // brightness, contrast, gradient
  std::vector<std::pair<int, int>> points;  // raw value -> shown value
};

void PrintTo(const CurveCase& c, std::ostream* out) { *out << c.caseName; }

class ToneCurveTest : public ::testing::TestWithParam<CurveCase> {};

// The hand-worked points, and every value against what the tone mapping and
// invert stages do to a line of the 256 values (no gradient, so no ramp).
TEST_P(ToneCurveTest, GivesWhatTheStagesDoToEachValue) {
  const CurveCase& c = GetParam();
  OptionSet options{};
  Entry(options, Option::Stretch) = c.stretch ? 1 : 0;
  Entry(options, Option::Invert) = c.invert ? 1 : 0;
  const ToneCurve curve = ToneTransferCurve(c.fileName, options, c.steps);
  for (const auto& [raw, shown] : c.points) EXPECT_EQ(curve[std::size_t(raw)], shown) << "raw " << raw;

  StageHarness h;
  h.FileName = c.fileName;
  h.Options = options;
  h.Steps = c.steps;
  h.Steps.GradientStep = 0;
  for (int u = 0; u < 256; ++u) h.At(1, u + 1) = std::uint8_t(u);
  testing::RunStage(h, MapTones);
  testing::RunStage(h, InvertStage);
  for (int u = 0; u < 256; ++u) EXPECT_EQ(curve[std::size_t(u)], h.At(1, u + 1)) << "raw " << u;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToneCurveTest,
    ::testing::Values(
        CurveCase{"EverythingOff_Identity", "ABCDE01.012", false, false, {}, {{0, 0}, {77, 77}, {255, 255}}},
        CurveCase{"GradientAlone_Identity", "TEST", false, false, {0, 0, 5}, {{0, 0}, {77, 77}, {255, 255}}},
        // Code 53: gain 3, offset 100.
        CurveCase{"Code53_Gain3Offset100", "ABCDE01.012", true, false, {}, {{30, 0}, {50, 50}, {120, 255}}},
        CurveCase{"DefaultCode_Gain2", "ABCDE01.000", true, false, {}, {{77, 154}, {128, 255}}},
        CurveCase{"Gain0_HalvesTiesToEven", "TEST", false, false, {0, -1, 0}, {{5, 2}, {7, 4}, {255, 128}}},
        CurveCase{"ContrastBelowGain_BoundedToGain0", "TEST", false, false, {0, -5, 0}, {{7, 4}, {255, 128}}},
        CurveCase{"Code53_ContrastMinus10_BoundedToGain0", "ABCDE01.012", true, false, {0, -10, 0}, {{255, 28}}},
        CurveCase{"ContrastPlus2_Gain3", "TEST", false, false, {0, 2, 0}, {{10, 30}, {86, 255}}},
        CurveCase{"BrightnessPlus40_ClampsAt255", "TEST", false, false, {40, 0, 0}, {{10, 50}, {230, 255}}},
        CurveCase{"BrightnessMinus40_ClampsAt0", "TEST", false, false, {-40, 0, 0}, {{30, 0}, {200, 160}}},
        CurveCase{"BrightnessAtItsLimit", "TEST", false, false, {INT32_MIN, 0, 0}, {{255, 0}}},
        CurveCase{"Invert", "TEST", false, true, {}, {{0, 255}, {200, 55}}},
        CurveCase{"InvertAfterBrightness", "TEST", false, true, {40, 0, 0}, {{230, 0}, {10, 205}}}),
    ::testing::PrintToStringParamName());

}  // namespace
}  // namespace vantorel
