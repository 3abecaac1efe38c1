// The display scale over a rendered sample frame: the limits each mode finds,
// and the display steps alone (what a dragged limit marker runs before the
// picture is shown again).
#include <benchmark/benchmark.h>

#include <string>

#include "analysis/display_scale.h"
#include "frames/frame_file.h"
#include "pipeline/run_pipeline.h"
#include "viewer/frame_document.h"

namespace vantorel {
namespace {

const std::string SampleFrame = VANTOREL_SAMPLES_DIR "/MVE0101.012";

// The work frame of a render with stretch, cleaning and the geometry.
struct RenderedFrame {
  FrameBuffer Work = MakeFrameBuffer();
  std::vector<std::uint8_t> Bitmap = std::vector<std::uint8_t>(BitmapImageBytes, 0);
  std::vector<std::uint8_t> Fits = std::vector<std::uint8_t>(FitsPlaneBytes, 0);
  ToneSteps Steps;
  OptionSet Options{1, 1, 1, 1, 0, 0, 0, 0, 0};
  std::int32_t BytesRead = 0;

  RenderedFrame() {
    FrameRead read = ReadFrameFile(SampleFrame, MakeFrameBuffer());
    BytesRead = read.BytesRead;
    ArrangeFrame(read.WorkFrame, Work);
    RenderContext context{.WorkFrame = Work,
                          .BitmapImage = Bitmap,
                          .FitsPlane = Fits,
                          .ActiveOptions = Options,
                          .Steps = &Steps,
                          .BytesRead = BytesRead,
                          .CurrentFileName = "MVE0101.012",
                          .Despeckle = {}};
    RunPipeline(context);
  }
};

void BM_DisplayScaleLimits(benchmark::State& state) {
  const RenderedFrame frame;
  if (frame.BytesRead <= 0) return state.SkipWithError("no sample frame");
  DisplaySettings settings;
  settings.Mode = ScaleMode(state.range(0));
  settings.Curve = ScaleCurve(state.range(1));
  state.SetLabel(std::string(NameOf(ScaleModeNames, settings.Mode).Word) + " " +
                 std::string(NameOf(ScaleCurveNames, settings.Curve).Word));
  for (auto _ : state)
    benchmark::DoNotOptimize(ScaleDisplay(frame.Work, frame.Options, LineCountFor(frame.BytesRead), settings));
}

// From new limits to the composed picture: what a marker's drag costs the core.
void BM_DragLimitToBitmap(benchmark::State& state) {
  FrameDocument document;
  document.Load(SampleFrame, OptionSet{1, 1, 1, 1, 0, 0, 0, 0, 0});
  if (document.LineCount() <= 0) return state.SkipWithError("no sample frame");
  DisplaySettings display{.Mode = ScaleMode::ZScale,
                          .Curve = ScaleCurve::Sqrt,
                          .LowPercent = DefaultLowPercent,
                          .HighPercent = DefaultHighPercent,
                          .HeldLimits = std::nullopt,
                          .Map = ColorMap::Viridis};
  int high = 100;
  for (auto _ : state) {
    high = high == 200 ? 100 : high + 1;
    display.HeldLimits = ScaleLimits{10, double(high)};
    document.SetDisplay(display);
    benchmark::DoNotOptimize(document.CurrentBmp().data());
  }
}

BENCHMARK(BM_DisplayScaleLimits)
    ->ArgsProduct({{int(ScaleMode::MinMax), int(ScaleMode::Percentile), int(ScaleMode::ZScale)},
                   {int(ScaleCurve::Linear), int(ScaleCurve::HistogramEqualization)}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragLimitToBitmap)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantorel
