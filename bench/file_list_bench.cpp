// Listing and sorting a large folder of frames, as every Open does.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "frames/file_list.h"
#include "frames/frame_layout.h"

namespace {

namespace fs = std::filesystem;

// Sparse files of an accepted size, named in reverse so the sort has work to do.
class LargeFolder {
 public:
  explicit LargeFolder(int files)
      : path_(fs::temp_directory_path() /
              ("vantorel-bench-list-" + std::to_string(::getpid()) + "-" + std::to_string(files))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
    for (int i = files; i > 0; --i) {
      const fs::path file = path_ / ("MVE" + std::to_string(100000 + i) + ".001");
      const int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0 || ::ftruncate(fd, vantorel::FullFrameFileBytes) != 0) throw fs::filesystem_error("", file, {});
      ::close(fd);
    }
  }
  ~LargeFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  LargeFolder(const LargeFolder&) = delete;
  LargeFolder& operator=(const LargeFolder&) = delete;
  std::string Directory() const { return path_.string() + "/"; }

 private:
  fs::path path_;
};

// Made once per size and run, however many repetitions time it, and removed at exit.
const LargeFolder& FolderOf(int files) {
  static std::map<int, std::unique_ptr<LargeFolder>> folders;
  auto& folder = folders[files];
  if (!folder) folder = std::make_unique<LargeFolder>(files);
  return *folder;
}

void BM_BuildFileList(benchmark::State& state) {
  const int files = int(state.range(0));
  const LargeFolder& folder = FolderOf(files);
  const std::string current = "MVE" + std::to_string(100000 + files / 2) + ".001";
  for (auto _ : state) {
    auto listing = vantorel::BuildFileList(folder.Directory(), current);
    if (listing.FileCount() != files) state.SkipWithError("the listing lost files");
    benchmark::DoNotOptimize(listing);
  }
}
BENCHMARK(BM_BuildFileList)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
