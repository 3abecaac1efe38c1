#include "frames/file_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "frames/file_name.h"
#include "frames/frame_file.h"
#include "frames/frame_layout.h"
#include "parallel/ordered_pool.h"

namespace vantorel {

namespace {

std::atomic<std::uint64_t> listingsMade{0};

// Byte-wise on unsigned codes, a prefix first: std::char_traits<char> compares
// chars as unsigned char.
bool NameBefore(const std::string& a, const std::string& b) { return a < b; }

struct DirectoryCloser {
  void operator()(DIR* directory) const { ::closedir(directory); }
};
using DirectoryHandle = std::unique_ptr<DIR, DirectoryCloser>;

// Whether an entry of this type, as the directory read gives it, may be a
// frame file: a regular file, a link (whose target decides), or an entry the
// file system did not type. Folders, FIFOs, devices and sockets need no stat.
bool MayBeFrameFile(unsigned char type) { return type == DT_REG || type == DT_LNK || type == DT_UNKNOWN; }

// One stat, following links, so that a broken link or a link to a FIFO is
// never taken for a frame.
bool IsFrameFile(int directoryFd, const std::string& name) {
  struct stat info {};
  return ::fstatat(directoryFd, name.c_str(), &info, 0) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
         IsAcceptedFrameSize(std::uintmax_t(info.st_size));
}

// The names of a batch that are frame files, sorted.
std::vector<std::string> SortedFrameFiles(int directoryFd, std::vector<std::string> names) {
  std::erase_if(names, [directoryFd](const std::string& name) { return !IsFrameFile(directoryFd, name); });
  std::sort(names.begin(), names.end(), NameBefore);
  return names;
}

// Sorted runs merged pairwise into one sorted list.
std::vector<std::string> Merged(std::vector<std::vector<std::string>>& runs) {
  std::vector<std::string> names;
  std::vector<std::ptrdiff_t> bounds{0};
  for (auto& run : runs) {
    names.insert(names.end(), std::make_move_iterator(run.begin()), std::make_move_iterator(run.end()));
    bounds.push_back(std::ptrdiff_t(names.size()));
  }
  for (std::size_t width = 1; width < runs.size(); width *= 2)
    for (std::size_t i = 0; i + width < runs.size(); i += 2 * width)
      std::inplace_merge(names.begin() + bounds[i], names.begin() + bounds[i + width],
                         names.begin() + bounds[std::min(i + 2 * width, runs.size())], NameBefore);
  return names;
}

// A folder's names go to the stat in batches: the first small, so that a
// small folder is one batch worked on this thread alone, later ones larger.
constexpr std::size_t FirstBatchNames = 256;
constexpr std::size_t LaterBatchNames = 1024;

// Up to count names that may be frame files, in the order the folder gives
// them; fewer only at its end (or at a read error, which ends it there).
std::vector<std::string> ReadNames(DIR* directory, std::size_t count) {
  std::vector<std::string> names;
  while (names.size() < count) {
    const dirent* entry = ::readdir(directory);
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (name != "." && name != ".." && MayBeFrameFile(entry->d_type)) names.emplace_back(name);
  }
  return names;
}

// The frame files of a folder, sorted. Reading the folder is one sequential
// walk, while the stat calls, which cost far more, run on every core: a small
// folder is one batch worked on this thread alone.
std::vector<std::string> ListFrameFiles(DIR* directory) {
  const int directoryFd = ::dirfd(directory);
  std::vector<std::string> first = ReadNames(directory, FirstBatchNames);
  if (first.size() < FirstBatchNames) return SortedFrameFiles(directoryFd, std::move(first));
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::vector<std::string>> sorted;
  bool ended = false;
  const OrderedSteps<std::vector<std::string>, std::vector<std::string>> steps{
      .Next = [&]() -> std::optional<std::vector<std::string>> {
        if (!first.empty()) return std::exchange(first, {});
        if (ended) return std::nullopt;
        std::vector<std::string> batch = ReadNames(directory, LaterBatchNames);
        ended = batch.size() < LaterBatchNames;
        if (batch.empty()) return std::nullopt;
        return batch;
      },
      .Work = [directoryFd](
                  std::size_t,
                  std::vector<std::string>&& batch) { return SortedFrameFiles(directoryFd, std::move(batch)); },
      .Finish = {},
      .Deliver = [&sorted](std::size_t, std::vector<std::string>&& run) { sorted.push_back(std::move(run)); },
      .Stopped = {}};
  RunInOrder(cores, 0, 2 * std::size_t(cores), steps);
  return Merged(sorted);
}

}  // namespace

int FindFileIndex(const std::vector<std::string>& fileList, std::string_view currentFileName) {
  int index = 0;
  for (std::size_t j = 0; j < fileList.size(); ++j)
    if (SameIgnoringAsciiCase(fileList[j], currentFileName)) index = int(j) + 1;
  return index;
}

std::optional<int> FindListedFrame(const std::vector<std::string>& fileList, std::string_view numberOrName) {
  const std::size_t first = numberOrName.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  const std::string_view entry = numberOrName.substr(first, numberOrName.find_last_not_of(" \t") + 1 - first);

  int position = 0;
  const auto [end, error] = std::from_chars(entry.data(), entry.data() + entry.size(), position);
  if (error == std::errc() && end == entry.data() + entry.size() && position >= 1 && position <= int(fileList.size()))
    return position;
  // A name that differs from another only in case must still be reachable.
  for (std::size_t j = 0; j < fileList.size(); ++j)
    if (fileList[j] == entry) return int(j) + 1;
  if (const int index = FindFileIndex(fileList, entry); index != 0) return index;
  return std::nullopt;
}

std::uint64_t FileListingsMade() { return listingsMade.load(); }

FileListing BuildFileList(const std::string& directory, std::string_view currentFileName) {
  ++listingsMade;
  FileListing listing;
  const DirectoryHandle handle(::opendir(directory.c_str()));
  if (!handle) return listing;
  listing.FileList = ListFrameFiles(handle.get());
  listing.FileIndex = FindFileIndex(listing.FileList, currentFileName);
  return listing;
}

}  // namespace vantorel
