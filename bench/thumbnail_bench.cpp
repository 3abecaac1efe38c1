// One thumbnail of a sample frame as the thumbnailer makes it: read, render
// in the fixed look, scale and encode (nothing written), at the cache's two
// sizes; and the scaling alone.
#include <benchmark/benchmark.h>

#include <string>

#include "export/thumbnail.h"

namespace vantorel {
namespace {

const std::string Frame = std::string(VANTOREL_SAMPLES_DIR) + "/MVE0101.012";

void MakeOneThumbnail(benchmark::State& state) {
  std::string error;
  const std::optional<ThumbnailSource> source = IdentifySource(Frame, error);
  if (!source) return state.SkipWithError(error.c_str());
  FrameDocument document;
  for (auto _ : state) {
    const Thumbnail thumbnail = MakeThumbnail(document, *source, int(state.range(0)));
    benchmark::DoNotOptimize(thumbnail.Png.data());
    state.counters["png_kB"] = double(thumbnail.Png.size()) / 1024;
  }
}
BENCHMARK(MakeOneThumbnail)->Arg(NormalThumbnailSize)->Arg(LargeThumbnailSize)->Unit(benchmark::kMillisecond);

void ScaleOnly(benchmark::State& state) {
  FrameDocument document;
  document.Open(Frame, ThumbnailOptions());
  for (auto _ : state) benchmark::DoNotOptimize(ScalePicture(document.CurrentBmp(), int(state.range(0))).Bgr.data());
}
BENCHMARK(ScaleOnly)->Arg(NormalThumbnailSize)->Arg(LargeThumbnailSize)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantorel
