// Render timings over a realistic frame: a sample frame from the build's
// samples folder when there is one, else a synthetic one made here.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <time.h>

#include "frames/file_name.h"
#include "frames/frame_file.h"
#include "pipeline/run_pipeline.h"
#include "pipeline/stages.h"
#include "viewer/viewer.h"

namespace vantorel {
namespace {

namespace fs = std::filesystem;

// A lit disc with grain noise, a terminator, lost samples, a dropped line and specks.
FrameBuffer SyntheticFrame() {
  FrameBuffer frame = MakeFrameBuffer();
  std::mt19937 random(1974);
  std::normal_distribution<double> grain(0.0, 4.0);
  constexpr double centreLine = 350, centreSample = 416, radius = 300;
  for (int line = 1; line <= FrameLines; ++line) {
    for (int s = 1; s <= PictureSamples; ++s) {
      const double dy = line - centreLine, dx = s - centreSample;
      const double r = std::sqrt(dx * dx + dy * dy) / radius;
      double v = r < 1 ? 40 + 150 * std::sqrt(1 - r * r) * std::clamp((dx + 200) / 300, 0.0, 1.0) : 2;
      v += grain(random);
      frame[SampleOffset(line, s)] = std::uint8_t(std::clamp(v, 0.0, 255.0));
    }
    for (int s = PictureSamples + 1; s <= RecordBytes; ++s) frame[SampleOffset(line, s)] = std::uint8_t(random() % 8);
  }
  for (int i = 0; i < 3000; ++i) frame[SampleOffset(1 + random() % FrameLines, 1 + random() % PictureSamples)] = 0;
  for (int i = 0; i < 1500; ++i) frame[SampleOffset(1 + random() % FrameLines, 1 + random() % PictureSamples)] = 255;
  std::fill_n(frame.begin() + std::ptrdiff_t(SampleOffset(222, 1)), PictureSamples, 0);
  return frame;
}

bool AcceptedSize(std::uintmax_t size) {
  return size == std::uintmax_t(ShortFrameFileBytes) || size == std::uintmax_t(FullFrameFileBytes) ||
         size == std::uintmax_t(Mariner9FrameFileBytes);
}

// The first sample frame by name, or an empty path.
fs::path FindSampleFile() {
  std::error_code error;
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(VANTOREL_SAMPLES_DIR, error))
    if (entry.is_regular_file(error) && AcceptedSize(entry.file_size(error))) found.push_back(entry.path());
  if (found.empty()) return {};
  return *std::min_element(found.begin(), found.end());
}

// The frame every benchmark renders, as the loader leaves it, and a file holding it.
struct BenchFrame {
  FrameBuffer Pristine;
  std::int32_t BytesRead = 0;
  std::string FileName;
  std::string Path;

  BenchFrame() {
    if (fs::path sample = FindSampleFile(); !sample.empty()) {
      Path = sample.string();
    } else {
      const fs::path folder = fs::temp_directory_path() / "vantorel-bench";
      fs::create_directories(folder);
      Path = (folder / "MVE0000.000").string();
      const FrameBuffer synthetic = SyntheticFrame();
      std::ofstream(Path, std::ios::binary)
          .write(reinterpret_cast<const char*>(synthetic.data()), std::streamsize(synthetic.size()));
    }
    FrameRead read = ReadFrameFile(Path);
    Pristine = MakeFrameBuffer();
    ArrangeFrame(read.WorkFrame, Pristine);
    BytesRead = read.BytesRead;
    FileName = std::string(FileNamePart(Path));
    std::fprintf(stderr, "bench frame: %s (%d bytes read)\n", Path.c_str(), int(BytesRead));
  }
};

const BenchFrame& Frame() {
  static const BenchFrame frame;
  return frame;
}

// Buffers for one render, kept across iterations as the allocator would recycle them.
struct RenderBuffers {
  FrameBuffer Work = MakeFrameBuffer();
  std::vector<std::uint8_t> Bitmap = std::vector<std::uint8_t>(BitmapImageBytes, 0);
  std::vector<std::uint8_t> Fits = std::vector<std::uint8_t>(FitsPlaneBytes, 0);
  ToneSteps Steps;

  RenderContext Context(const OptionSet& options) {
    return {.WorkFrame = Work,
            .BitmapImage = Bitmap,
            .FitsPlane = Fits,
            .ActiveOptions = options,
            .Steps = &Steps,
            .BytesRead = Frame().BytesRead,
            .CurrentFileName = Frame().FileName,
            .Despeckle = {}};
  }
};

constexpr OptionSet AllOff{};
constexpr OptionSet AllOn{1, 1, 1, 1, 1, 1, 1, 1, 1};

// A whole render from the pristine frame: restore, then the eleven steps.
void BM_RunPipeline(benchmark::State& state, const OptionSet& options) {
  RenderBuffers buffers;
  for (auto _ : state) {
    std::copy(Frame().Pristine.begin(), Frame().Pristine.end(), buffers.Work.begin());
    RenderContext context = buffers.Context(options);
    RunPipeline(context);
    benchmark::DoNotOptimize(buffers.Bitmap.data());
  }
}
BENCHMARK_CAPTURE(BM_RunPipeline, every_option_off, AllOff)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunPipeline, every_option_on, AllOn)->Unit(benchmark::kMillisecond);

// The least a render could cost: the restore, twelve plain in-place passes
// over the frame, and the 24-bit BMP composed through a colour table, a pixel
// a 4-byte store whose fourth byte the next pixel overwrites. The memory
// clobber after each pass keeps the compiler from fusing or dropping passes.
void FloorRender(RenderBuffers& buffers) {
  std::copy(Frame().Pristine.begin(), Frame().Pristine.end(), buffers.Work.begin());
  for (int pass = 0; pass < 12; ++pass) {
    const auto key = std::uint8_t(0x5B * pass + 1);
    for (std::uint8_t& byte : buffers.Work) byte = std::uint8_t((byte ^ key) + pass);
    benchmark::ClobberMemory();
  }
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t v = 0; v < 256; ++v) t[v] = v | (255 - v) << 8 | (v / 2) << 16;
    return t;
  }();
  std::uint8_t* bmp = buffers.Bitmap.data();
  std::fill_n(bmp, BmpHeaderBytes, 0);
  for (int line = 1; line <= FrameLines; ++line) {
    const std::uint8_t* samples = buffers.Work.data() + SampleOffset(line, 1);
    std::uint8_t* row = bmp + BmpHeaderBytes + std::size_t(line - 1) * BmpRowBytes;
    for (int s = 0; s < PictureSamples - 1; ++s) std::memcpy(row + 3 * s, &table[samples[s]], 4);
    std::memcpy(row + 3 * (PictureSamples - 1), &table[samples[PictureSamples - 1]], 3);
  }
  benchmark::DoNotOptimize(buffers.Bitmap.data());
  benchmark::ClobberMemory();
}

void BM_Floor(benchmark::State& state) {
  RenderBuffers buffers;
  for (auto _ : state) FloorRender(buffers);
}
BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

double Median(std::vector<double> values) {
  const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// Times `base` and `measured` one after the other in every iteration, on this
// thread's CPU clock, so that both see the same load on a shared machine, and
// reports their medians and measured over base as the counter "ratio";
// medians, so that an iteration the machine interrupted does not count.
template <typename Base, typename Measured>
void CompareAlternately(benchmark::State& state, Base base, Measured measured) {
  std::vector<double> baseSeconds, measuredSeconds;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    base();
    const double middle = ThreadSeconds();
    measured();
    measuredSeconds.push_back(ThreadSeconds() - middle);
    baseSeconds.push_back(middle - start);
  }
  const double baseMedian = Median(baseSeconds), measuredMedian = Median(measuredSeconds);
  state.counters["base_ms"] = 1e3 * baseMedian;
  state.counters["measured_ms"] = 1e3 * measuredMedian;
  state.counters["ratio"] = measuredMedian / baseMedian;
}

// A render with every option on, over the floor.
void BM_EveryOptionOnOverFloor(benchmark::State& state) {
  RenderBuffers floor, buffers;
  CompareAlternately(
      state, [&] { FloorRender(floor); },
      [&] {
        std::copy(Frame().Pristine.begin(), Frame().Pristine.end(), buffers.Work.begin());
        RenderContext context = buffers.Context(AllOn);
        RunPipeline(context);
        benchmark::DoNotOptimize(buffers.Bitmap.data());
      });
}
BENCHMARK(BM_EveryOptionOnOverFloor)->Unit(benchmark::kMillisecond);

// A render with every option on that notes the replaced samples in a mask (as
// a document does once asked to keep them) over the same render noting nothing.
void BM_NotingReplacedOverRender(benchmark::State& state) {
  RenderBuffers plain, noting;
  std::vector<std::uint8_t> mask(FitsPlaneBytes, 0);
  const auto render = [](RenderBuffers& buffers, std::span<std::uint8_t> replacedMask) {
    std::copy(Frame().Pristine.begin(), Frame().Pristine.end(), buffers.Work.begin());
    RenderContext context = buffers.Context(AllOn);
    context.ReplacedMask = replacedMask;
    RunPipeline(context);
    benchmark::DoNotOptimize(buffers.Bitmap.data());
  };
  CompareAlternately(
      state, [&] { render(plain, {}); }, [&] { render(noting, mask); });
}
BENCHMARK(BM_NotingReplacedOverRender)->Unit(benchmark::kMillisecond);

using StageFunction = void (*)(RenderContext&);
constexpr StageFunction Chain[] = {ReconstructSamples, FlipStage,         DespeckleEarly, MapTones,
                                   DespeckleLate,      SharpenStage,      InvertStage,    RotateStage,
                                   MinimizeStage,      WriteBitmapHeader, ComposeBitmap};

// One stage alone, fed what the stages before it hand it with every option on
// (and, for the flip stage, which runs only with Flip off, every option off).
// The restore copy is timed too; BM_RestoreOnly measures it alone.
void BM_Stage(benchmark::State& state, int index) {
  const OptionSet& options = Chain[index] == FlipStage ? AllOff : AllOn;
  RenderBuffers buffers;
  std::copy(Frame().Pristine.begin(), Frame().Pristine.end(), buffers.Work.begin());
  RenderContext prepare = buffers.Context(options);
  for (int i = 0; i < index; ++i) Chain[i](prepare);
  const FrameBuffer input = buffers.Work;
  for (auto _ : state) {
    std::copy(input.begin(), input.end(), buffers.Work.begin());
    RenderContext context = buffers.Context(options);
    Chain[index](context);
    benchmark::DoNotOptimize(buffers.Work.data());
  }
}
BENCHMARK_CAPTURE(BM_Stage, ReconstructSamples, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stage, FlipStage, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stage, DespeckleEarly, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stage, MapTones, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stage, DespeckleLate, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stage, SharpenStage, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stage, InvertStage, 6)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stage, RotateStage, 7)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stage, MinimizeStage, 8)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stage, ComposeBitmap, 10)->Unit(benchmark::kMicrosecond);

void BM_RestoreOnly(benchmark::State& state) {
  RenderBuffers buffers;
  for (auto _ : state) {
    std::copy(Frame().Pristine.begin(), Frame().Pristine.end(), buffers.Work.begin());
    benchmark::DoNotOptimize(buffers.Work.data());
  }
}
BENCHMARK(BM_RestoreOnly)->Unit(benchmark::kMicrosecond);

// What the user waits for: reading, decoding, arranging, rendering, in the viewer.
void BM_ViewerOpenFrame(benchmark::State& state) {
  Viewer viewer;
  for (auto _ : state) benchmark::DoNotOptimize(viewer.OpenFrame(Frame().Path));
}
BENCHMARK(BM_ViewerOpenFrame)->Unit(benchmark::kMillisecond);

// A browse step or one frame of the command line: the load without the listing.
void BM_DocumentLoad(benchmark::State& state) {
  FrameDocument document;
  for (auto _ : state) benchmark::DoNotOptimize(document.Load(Frame().Path, OptionSet{}));
}
BENCHMARK(BM_DocumentLoad)->Unit(benchmark::kMillisecond);

// One option button press: one render, from the restore to the picture handed out.
void BM_ViewerOptionButton(benchmark::State& state) {
  Viewer viewer;
  for (int option = 0; option < OptionCount; ++option) viewer.ToggleOptionFlag(Option(option));
  viewer.OpenFrame(Frame().Path);
  // Invert goes off and on in turn, so that every other press renders with every option on.
  for (auto _ : state) benchmark::DoNotOptimize(viewer.ToggleActiveOption(Option::Invert));
}
BENCHMARK(BM_ViewerOptionButton)->Unit(benchmark::kMillisecond);

// An option button press over the bare pipeline run with the options the
// press is about to render with.
void BM_ViewerOptionButtonOverPipeline(benchmark::State& state) {
  Viewer viewer;
  for (int option = 0; option < OptionCount; ++option) viewer.ToggleOptionFlag(Option(option));
  viewer.OpenFrame(Frame().Path);
  RenderBuffers buffers;
  CompareAlternately(
      state,
      [&] {
        OptionSet options = viewer.Document().ActiveOptions();
        Entry(options, Option::Invert) = 1 - Entry(options, Option::Invert);
        std::copy(Frame().Pristine.begin(), Frame().Pristine.end(), buffers.Work.begin());
        RenderContext context = buffers.Context(options);
        RunPipeline(context);
        benchmark::DoNotOptimize(buffers.Bitmap.data());
      },
      [&] { benchmark::DoNotOptimize(viewer.ToggleActiveOption(Option::Invert)); });
}
BENCHMARK(BM_ViewerOptionButtonOverPipeline)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantorel
