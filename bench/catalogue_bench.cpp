// Cataloguing a folder of frames against the floor of opening each file and
// reading its header record, and the second run over the unchanged folder.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "catalogue/catalogue.h"
#include "frames/frame_layout.h"

namespace {

namespace fs = std::filesystem;

// Frames of the full size holding a sample's header record and a hole after it,
// so that thousands of them cost the disk next to nothing.
class FrameFolder {
 public:
  explicit FrameFolder(int files)
      : path_(fs::temp_directory_path() /
              ("vantorel-bench-catalogue-" + std::to_string(::getpid()) + "-" + std::to_string(files))) {
    fs::remove_all(path_);
    fs::create_directories(path_ / "frames");
    std::array<char, vantorel::RecordBytes> header{};
    std::ifstream(VANTOREL_SAMPLES_DIR "/MVE0101.012", std::ios::binary).read(header.data(), header.size());
    for (int i = 0; i < files; ++i) {
      const fs::path file = path_ / "frames" / ("MVE" + std::to_string(100000 + i) + ".012");
      const int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0 || ::write(fd, header.data(), header.size()) != ssize_t(header.size()) ||
          ::ftruncate(fd, vantorel::FullFrameFileBytes) != 0)
        throw fs::filesystem_error("cannot make", file, {});
      ::close(fd);
      paths_.push_back(file.string());
    }
  }
  ~FrameFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  FrameFolder(const FrameFolder&) = delete;
  FrameFolder& operator=(const FrameFolder&) = delete;

  std::string Frames() const { return (path_ / "frames").string(); }
  std::string Catalogue(const std::string& name) const { return (path_ / name).string(); }
  const std::vector<std::string>& Paths() const { return paths_; }

 private:
  fs::path path_;
  std::vector<std::string> paths_;
};

const FrameFolder& FolderOf(int files) {
  static std::map<int, std::unique_ptr<FrameFolder>> folders;
  auto& folder = folders[files];
  if (!folder) folder = std::make_unique<FrameFolder>(files);
  return *folder;
}

void RemoveCatalogue(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(path + suffix);
}

// The floor: open each file, read its first record, close it.
void BM_OpenAndReadHeaders(benchmark::State& state) {
  const FrameFolder& folder = FolderOf(int(state.range(0)));
  std::array<char, vantorel::RecordBytes> record{};
  for (auto _ : state) {
    for (const std::string& path : folder.Paths()) {
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0 || ::read(fd, record.data(), record.size()) != ssize_t(record.size())) state.SkipWithError("read");
      ::close(fd);
    }
    benchmark::DoNotOptimize(record);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_OpenAndReadHeaders)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CatalogueNewFolder(benchmark::State& state) {
  const FrameFolder& folder = FolderOf(int(state.range(0)));
  const std::string db = folder.Catalogue("new.db");
  for (auto _ : state) {
    state.PauseTiming();
    RemoveCatalogue(db);
    state.ResumeTiming();
    vantorel::Catalogue catalogue(db, vantorel::Catalogue::Access::Update);
    if (vantorel::UpdateCatalogue(catalogue, {folder.Frames()}).Added != std::size_t(state.range(0)))
      state.SkipWithError("files were lost");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CatalogueNewFolder)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CatalogueUnchangedFolder(benchmark::State& state) {
  const FrameFolder& folder = FolderOf(int(state.range(0)));
  const std::string db = folder.Catalogue("unchanged.db");
  {
    vantorel::Catalogue catalogue(db, vantorel::Catalogue::Access::Update);
    vantorel::UpdateCatalogue(catalogue, {folder.Frames()});
  }
  for (auto _ : state) {
    vantorel::Catalogue catalogue(db, vantorel::Catalogue::Access::Update);
    if (vantorel::UpdateCatalogue(catalogue, {folder.Frames()}).Unchanged != std::size_t(state.range(0)))
      state.SkipWithError("files were read again");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CatalogueUnchangedFolder)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
