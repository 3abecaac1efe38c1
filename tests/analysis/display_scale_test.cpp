#include "analysis/display_scale.h"

#include <gtest/gtest.h>

#include <functional>

#include "pipeline/half_size_picture.h"
#include "pipeline/run_pipeline.h"
#include "pipeline/stages.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::BitmapPixel;
using testing::StageHarness;

// A bell-shaped spread of levels 0..252 from four hashes of the place.
int Bell(int line, int sample) {
  return (line * 7919 + sample * 104729) % 64 + (line * sample * 31 + sample) % 64 +
         (line * line * 13 + sample * sample * 17) % 64 + (line * 101 + sample * sample * 3) % 64;
}
// Nine samples in ten within 90..110, the rest anywhere in 0..255.
int Tail(int line, int sample) {
  const int h = (line * 7919 + sample * 104729 + line * sample * 31) % 1000;
  return h < 100 ? (line * 13 + sample * 29 + h * 7) % 256 : 90 + (line * 17 + sample * 23 + h) % 21;
}
// Line 1 runs through 10..30 (levels 10..22 forty times, 23..30 thirty-nine).
int Ramp(int, int sample) { return 10 + (sample - 1) % 21; }
int Flat(int, int) { return 50; }

struct Probe {
  int Line, Sample, Shown;  // the grey level shown at a place of the picture
};

// Hand-made work frames as the geometry leaves them, through the display steps.
// Places that are not picture samples hold 200, which no limit may see.
// Expected z-scale limits come from astropy's ZScaleInterval, percentiles
// from numpy, on the same samples in the same order.
TEST(DisplayScaleTest, LimitsAndLevelsOfHandMadePictures) {
  const FrameRectangle half = HalfSizePicture(FrameLines);
  const struct {
    const char* Name;
    std::function<int(int, int)> Picture;
    int Lines;  // present; the picture is work lines 1..Lines (or the half-size picture)
    bool HalfSize;
    ScaleMode Mode;
    ScaleCurve Curve;
    double LowPercent, HighPercent;
    ScaleLimits Expected;
    double Tolerance;
    std::vector<Probe> Probes;
  } table[] = {
      {"flat min-max", Flat, 700, false, ScaleMode::MinMax, ScaleCurve::Linear, 0.5, 99.5, {50, 50}, 0, {{7, 9, 128}}},
      {"flat z-scale", Flat, 700, false, ScaleMode::ZScale, ScaleCurve::Log, 0.5, 99.5, {50, 50}, 0, {{700, 1, 128}}},
      {"flat percentile",
       Flat,
       700,
       false,
       ScaleMode::Percentile,
       ScaleCurve::HistogramEqualization,
       0.5,
       99.5,
       {50, 50},
       0,
       {{1, 832, 128}}},
      {"one line min-max linear",
       Ramp,
       1,
       false,
       ScaleMode::MinMax,
       ScaleCurve::Linear,
       0.5,
       99.5,
       {10, 30},
       0,
       {{1, 1, 0}, {1, 6, 64}, {1, 16, 191}, {1, 21, 255}}},
      {"one line sqrt",
       Ramp,
       1,
       false,
       ScaleMode::MinMax,
       ScaleCurve::Sqrt,
       0.5,
       99.5,
       {10, 30},
       0,
       {{1, 6, 128}, {1, 16, 221}}},
      {"one line log",
       Ramp,
       1,
       false,
       ScaleMode::MinMax,
       ScaleCurve::Log,
       0.5,
       99.5,
       {10, 30},
       0,
       {{1, 6, 204}, {1, 16, 244}}},
      {"one line asinh",
       Ramp,
       1,
       false,
       ScaleMode::MinMax,
       ScaleCurve::Asinh,
       0.5,
       99.5,
       {10, 30},
       0,
       {{1, 6, 140}, {1, 16, 231}}},
      // 200 of the 792 samples above 10 lie in 11..15, 597 in 11..25.
      {"one line histeq",
       Ramp,
       1,
       false,
       ScaleMode::MinMax,
       ScaleCurve::HistogramEqualization,
       0.5,
       99.5,
       {10, 30},
       0,
       {{1, 1, 0}, {1, 6, 64}, {1, 16, 192}, {1, 21, 255}}},
      {"one line quartiles",
       Ramp,
       1,
       false,
       ScaleMode::Percentile,
       ScaleCurve::Linear,
       25,
       75,
       {15, 25},
       1,
       {{1, 1, 0}, {1, 11, 128}, {1, 21, 255}}},
      {"one line z-scale", Ramp, 1, false, ScaleMode::ZScale, ScaleCurve::Linear, 0.5, 99.5, {10, 30}, 2, {}},
      {"bell z-scale", Bell, 700, false, ScaleMode::ZScale, ScaleCurve::Linear, 0.5, 99.5, {14, 232}, 2, {}},
      {"tail z-scale", Tail, 700, false, ScaleMode::ZScale, ScaleCurve::Linear, 0.5, 99.5, {53.99, 147.29}, 2, {}},
      {"bell percentile", Bell, 700, false, ScaleMode::Percentile, ScaleCurve::Linear, 0.5, 99.5, {32, 216}, 1, {}},
      {"bell deciles", Bell, 700, false, ScaleMode::Percentile, ScaleCurve::Linear, 10, 90, {76, 172}, 1, {}},
      // The grey around the half-size picture keeps its level.
      {"half-size z-scale",
       Bell,
       700,
       true,
       ScaleMode::ZScale,
       ScaleCurve::Linear,
       0.5,
       99.5,
       {0, 239},
       2,
       {{300, 400, 200}, {400, 192, 200}}},
      {"half-size percentile",
       Bell,
       700,
       true,
       ScaleMode::Percentile,
       ScaleCurve::Linear,
       0.5,
       99.5,
       {32, 216},
       1,
       {{651, 400, 200}}},
      {"all missing", Flat, 0, false, ScaleMode::ZScale, ScaleCurve::Linear, 0.5, 99.5, {0, 255}, 0, {}},
      {"all missing percentile", Flat, 0, false, ScaleMode::Percentile, ScaleCurve::Linear, 0.5, 99.5, {0, 255}, 0, {}},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.Name);
    StageHarness h;
    h.With(Option::Flip).With(Option::Minimize, row.HalfSize);
    h.BytesRead = std::int32_t((row.Lines + 1) * RecordBytes);
    for (int line = 1; line <= FrameLines; ++line)
      for (int sample = 1; sample <= PictureSamples; ++sample) {
        const bool picture = row.HalfSize ? line >= half.FirstLine && line <= half.LastLine &&
                                                sample >= half.FirstSample && sample <= half.LastSample
                                          : line <= row.Lines;
        h.At(line, sample) = std::uint8_t(picture ? row.Picture(line, sample) : 200);
      }
    h.Display = {.Mode = row.Mode,
                 .Curve = row.Curve,
                 .LowPercent = row.LowPercent,
                 .HighPercent = row.HighPercent,
                 .HeldLimits = std::nullopt,
                 .Map = ColorMap::Grey};
    RenderContext context = h.Context();
    RunDisplaySteps(context);
    EXPECT_NEAR(context.DisplayLimits.Low, row.Expected.Low, row.Tolerance);
    EXPECT_NEAR(context.DisplayLimits.High, row.Expected.High, row.Tolerance);
    for (const Probe& probe : row.Probes)
      EXPECT_EQ(BitmapPixel(h, probe.Line, probe.Sample)[0], probe.Shown) << probe.Line << "," << probe.Sample;
    // FITS keeps the grey levels.
    EXPECT_EQ(h.Fits[0], row.Lines == 0 ? 0 : h.At(1, 1));
  }
  // Every sample counted, however long the run of one level.
  StageHarness flat;
  flat.FillPicture(50);
  EXPECT_EQ(PictureSampleCounts(flat.Work, flat.With(Option::Flip).Options, FrameLines)[50], FitsPlaneBytes);
}

// Published anchors: the first, middle and last entries of each table, and
// the ends of the maps made here.
TEST(DisplayScaleTest, ColorMapAnchors) {
  const struct {
    ColorMap Map;
    int Level;
    Rgb Expected;
  } table[] = {
      {ColorMap::Grey, 77, {77, 77, 77}},       {ColorMap::Viridis, 0, {68, 1, 84}},
      {ColorMap::Viridis, 128, {33, 145, 140}}, {ColorMap::Viridis, 255, {253, 231, 37}},
      {ColorMap::Magma, 0, {0, 0, 4}},          {ColorMap::Magma, 128, {183, 55, 121}},
      {ColorMap::Magma, 255, {252, 253, 191}},  {ColorMap::Inferno, 0, {0, 0, 4}},
      {ColorMap::Inferno, 128, {188, 55, 84}},  {ColorMap::Inferno, 255, {252, 255, 164}},
      {ColorMap::Cividis, 0, {0, 34, 78}},      {ColorMap::Cividis, 128, {125, 124, 120}},
      {ColorMap::Cividis, 255, {254, 232, 56}}, {ColorMap::Heat, 0, {0, 0, 0}},
      {ColorMap::Heat, 85, {255, 0, 0}},        {ColorMap::Heat, 170, {255, 255, 0}},
      {ColorMap::Heat, 255, {255, 255, 255}},   {ColorMap::Cool, 0, {0, 255, 255}},
      {ColorMap::Cool, 255, {255, 0, 255}},
  };
  for (const auto& row : table) {
    const Rgb got = ColorMapTable(row.Map)[std::size_t(row.Level)];
    EXPECT_EQ(got, row.Expected) << NameOf(ColorMapNames, row.Map).Word << " " << row.Level << ": " << int(got.red)
                                 << "," << int(got.green) << "," << int(got.blue);
  }
  // Composition shows a picture sample through the map; Colorize, where it colours, wins.
  for (const bool colorize : {false, true}) {
    StageHarness h;
    h.FillPicture(128);
    h.With(Option::Colorize, colorize);
    h.Display.Map = ColorMap::Viridis;
    testing::RunStage(h, RunDisplaySteps);
    const Rgb c = colorize ? ColorizeSample(128) : Rgb{33, 145, 140};
    EXPECT_EQ(BitmapPixel(h, 350, 400), (std::array<int, 3>{c.blue, c.green, c.red})) << colorize;
  }
}

}  // namespace
}  // namespace vantorel
