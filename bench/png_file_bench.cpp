// PNG encoding by compression level, filter and strategy, over every sample
// frame rendered with no option, each option alone and all of them: the time
// per picture and the mean bytes written, by the colour type the writer chose.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "export/png_text.h"
#include "output/png_file.h"
#include "viewer/frame_document.h"

namespace vantorel {
namespace {

namespace fs = std::filesystem;

struct Rendered {
  std::vector<std::uint8_t> Bmp;
  PngText Text;
};

const std::vector<Rendered>& Pictures() {
  static const std::vector<Rendered> pictures = [] {
    std::vector<fs::path> frames;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(VANTOREL_SAMPLES_DIR, error))
      if (entry.is_regular_file(error) && entry.path().filename().string().front() != '.')
        frames.push_back(entry.path());
    std::sort(frames.begin(), frames.end());
    std::vector<OptionSet> optionSets(1, OptionSet{});
    for (int i = 0; i < OptionCount; ++i) {
      OptionSet alone{};
      alone[std::size_t(i)] = 1;
      optionSets.push_back(alone);
    }
    OptionSet all{};
    all.fill(1);
    optionSets.push_back(all);
    std::vector<Rendered> rendered;
    for (const fs::path& frame : frames) {
      for (const OptionSet& options : optionSets) {
        FrameDocument document;
        std::vector<std::uint8_t> bmp = document.Load(frame.string(), options).Bmp;
        rendered.push_back({std::move(bmp), PngTextFor(document)});
      }
    }
    return rendered;
  }();
  return pictures;
}

// The colour type byte of the header chunk: signature, length, "IHDR", width, height, depth.
constexpr std::size_t ColorTypeOffset = 8 + 4 + 4 + 4 + 4 + 1;
constexpr int ColorTypes = 4;  // 0 grey, 2 RGB, 3 palette
const char* const ColorTypeNames[ColorTypes] = {"grey_kB", nullptr, "rgb_kB", "palette_kB"};

void EncodeAll(benchmark::State& state, PngEncoding encoding) {
  const std::vector<Rendered>& pictures = Pictures();
  if (pictures.empty()) return state.SkipWithError("no sample frames");
  double bytes[ColorTypes] = {}, count[ColorTypes] = {};
  for (auto _ : state) {
    std::fill(std::begin(bytes), std::end(bytes), 0);
    std::fill(std::begin(count), std::end(count), 0);
    for (const Rendered& picture : pictures) {
      const auto png = BuildPngFile(picture.Bmp, picture.Text, encoding);
      if (!png) return state.SkipWithError("not encoded");
      const int type = (*png)[ColorTypeOffset];
      bytes[type] += double(png->size());
      ++count[type];
    }
  }
  state.counters["per_picture"] = benchmark::Counter(
      double(pictures.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  for (int type = 0; type < ColorTypes; ++type)
    if (count[type] > 0) state.counters[ColorTypeNames[type]] = bytes[type] / count[type] / 1000;
}

const bool Registered = [] {
  const std::pair<PngFilter, const char*> filters[] = {{PngFilter::None, "none"},
                                                       {PngFilter::Sub, "sub"},
                                                       {PngFilter::Up, "up"},
                                                       {PngFilter::Paeth, "paeth"},
                                                       {PngFilter::Adaptive, "adaptive"}};
  // zlib's default matching at each level, then run lengths alone, where the level makes no difference.
  for (int level = 1; level <= 6; ++level)
    for (const auto& [filter, name] : filters)
      benchmark::RegisterBenchmark(("BuildPngFile/level:" + std::to_string(level) + "/filter:" + name).c_str(),
                                   EncodeAll, PngEncoding{level, filter, false})
          ->Unit(benchmark::kMillisecond);
  for (const auto& [filter, name] : filters)
    benchmark::RegisterBenchmark((std::string("BuildPngFile/run-length/filter:") + name).c_str(), EncodeAll,
                                 PngEncoding{1, filter, true})
        ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
}  // namespace vantorel
