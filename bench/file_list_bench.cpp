// Listing and sorting a large folder of frames, as every Open does.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "frames/file_list.h"
#include "frames/frame_layout.h"

namespace {

namespace fs = std::filesystem;

// Sparse files of an accepted size, named in reverse so the sort has work to do.
class LargeFolder {
 public:
  explicit LargeFolder(int files)
      : path_(fs::temp_directory_path() / ("vantorel-bench-list-" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
    for (int i = files; i > 0; --i) {
      const fs::path file = path_ / ("MVE" + std::to_string(100000 + i) + ".001");
      { std::ofstream touch(file, std::ios::binary); }
      fs::resize_file(file, vantorel::FullFrameFileBytes);
    }
  }
  ~LargeFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string Directory() const { return path_.string() + "/"; }

 private:
  fs::path path_;
};

void BM_BuildFileList10000(benchmark::State& state) {
  const LargeFolder folder(10'000);
  for (auto _ : state) {
    auto listing = vantorel::BuildFileList(folder.Directory(), "MVE105000.001");
    benchmark::DoNotOptimize(listing);
  }
}
BENCHMARK(BM_BuildFileList10000)->Unit(benchmark::kMillisecond);

}  // namespace
