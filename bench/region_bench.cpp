// Measuring a rendered frame: statistics of a region as large as the frame,
// and a profile across it, each under the geometry that costs the most.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "analysis/region_statistics.h"
#include "frames/frame_layout.h"
#include "viewer/frame_document.h"

namespace vantorel {
namespace {

// A Mariner 10 sample with every option on (minimize too) or every one off.
const FrameDocument& Document(bool everyOption) {
  static const auto load = [](bool on) {
    auto document = std::make_unique<FrameDocument>();
    OptionSet options{};
    if (on) options.fill(1);
    document->Open((std::filesystem::path(VANTOREL_SAMPLES_DIR) / "MVE0101.012").string(), options);
    return document;
  };
  static const auto plain = load(false), processed = load(true);
  return everyOption ? *processed : *plain;
}

void BM_MeasureRegion(benchmark::State& state, RegionShape shape, bool everyOption) {
  const FrameDocument& document = Document(everyOption);
  const FrameRegion whole{shape, 1, 1, FrameLines, PictureSamples};
  for (auto _ : state) benchmark::DoNotOptimize(MeasureRegion(document, whole));
}
BENCHMARK_CAPTURE(BM_MeasureRegion, whole_frame_rectangle, RegionShape::Rectangle, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MeasureRegion, whole_frame_rectangle_every_option, RegionShape::Rectangle, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MeasureRegion, whole_frame_ellipse_every_option, RegionShape::Ellipse, true)
    ->Unit(benchmark::kMillisecond);

void BM_ProfileAlong(benchmark::State& state, FramePoint to, bool everyOption) {
  const FrameDocument& document = Document(everyOption);
  for (auto _ : state) benchmark::DoNotOptimize(ProfileAlong(document, {1, 1}, to));
}
BENCHMARK_CAPTURE(BM_ProfileAlong, across_the_frame, FramePoint{1, PictureSamples}, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ProfileAlong, corner_to_corner_every_option, FramePoint{FrameLines, PictureSamples}, true)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantorel
