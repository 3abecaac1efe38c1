// Aligning two whole pictures, as a colour composite does for each of its
// second and third frames; and what the window waits for when a comparison or
// a composite begins: the frames loaded, rendered and aligned.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/alignment.h"
#include "frames/frame_layout.h"
#include "viewer/composite_document.h"
#include "viewer/frame_comparison.h"

namespace {

void BM_FindOffsetOfWholePictures(benchmark::State& state) {
  constexpr int Width = vantorel::PictureSamples, Height = vantorel::FrameLines;
  std::vector<std::uint8_t> reference(std::size_t(Width) * Height), moving(reference.size()),
      shown(reference.size(), 1);
  std::uint32_t seed = 12345;
  for (std::uint8_t& sample : reference) sample = std::uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
  // The same scene 7 lines down and 5 samples left.
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      moving[std::size_t(y) * Width + x] = reference[std::size_t((y + Height - 7) % Height) * Width + (x + 5) % Width];
  for (auto _ : state) {
    const vantorel::AlignmentResult result =
        vantorel::FindOffset({reference, shown, Width, Height}, {moving, shown, Width, Height});
    if (!result.Offset || std::lround(result.Offset->Lines) != 7 || std::lround(result.Offset->Samples) != -5)
      state.SkipWithError("wrong offset");
  }
}
BENCHMARK(BM_FindOffsetOfWholePictures)->Unit(benchmark::kMillisecond);

constexpr const char* Sample = VANTOREL_SAMPLES_DIR "/MVE0101.012";

// Compare With: the second frame loaded and rendered as the first, then aligned.
void BM_CompareWith(benchmark::State& state) {
  vantorel::FrameDocument first;
  first.Open(Sample, {1, 0, 0, 0, 0, 0, 0, 0, 0});
  for (auto _ : state) {
    const vantorel::FrameComparison comparison(Sample, first);
    benchmark::DoNotOptimize(comparison.Offset());
  }
}
BENCHMARK(BM_CompareWith)->Unit(benchmark::kMillisecond);

// Colour Composite: three frames loaded, rendered, two aligned, composed.
void BM_ComposeThreeFrames(benchmark::State& state) {
  vantorel::CompositeDocument composite;
  for (auto _ : state)
    if (!composite.Compose({Sample, Sample, Sample}, {}, {})) state.SkipWithError("not composed");
}
BENCHMARK(BM_ComposeThreeFrames)->Unit(benchmark::kMillisecond);

}  // namespace
