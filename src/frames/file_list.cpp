#include "frames/file_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "frames/file_name.h"
#include "frames/frame_layout.h"

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

// Batches of names from the thread that reads the folder to the threads that
// stat them. Reading is one sequential walk, while stat calls, which cost far
// more, can run on every core: so the reader only reads, helpers stat from
// the first full batch on, and the reader joins them when the folder ends.
class BatchQueue {
 public:
  void Push(std::vector<std::string> batch) {
    {
      const std::lock_guard lock(mutex_);
      batches_.push_back(std::move(batch));
    }
    ready_.notify_one();
  }
  void Close() {
    {
      const std::lock_guard lock(mutex_);
      closed_ = true;
    }
    ready_.notify_all();
  }
  // The next batch; nothing once the queue is closed and empty.
  std::optional<std::vector<std::string>> Pop() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return closed_ || !batches_.empty(); });
    if (batches_.empty()) return std::nullopt;
    std::vector<std::string> batch = std::move(batches_.front());
    batches_.pop_front();
    return batch;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::vector<std::string>> batches_;
  bool closed_ = false;
};

// Stats batch after batch until the queue ends; each batch's frame files come
// back sorted.
std::vector<std::vector<std::string>> StatBatches(int directoryFd, BatchQueue& queue) {
  std::vector<std::vector<std::string>> sorted;
  while (auto batch = queue.Pop()) sorted.push_back(SortedFrameFiles(directoryFd, std::move(*batch)));
  return sorted;
}

// The frame files of a folder, sorted. A read error ends the folder where it
// happened.
std::vector<std::string> ListFrameFiles(DIR* directory) {
  const int directoryFd = ::dirfd(directory);
  const std::size_t helperCount = std::max(1u, std::thread::hardware_concurrency()) - 1;
  BatchQueue queue;
  std::vector<std::future<std::vector<std::vector<std::string>>>> helpers;

  std::vector<std::string> batch;
  std::size_t batchNames = FirstBatchNames;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == ".." || !MayBeFrameFile(entry->d_type)) continue;
    batch.emplace_back(name);
    if (batch.size() < batchNames) continue;
    // Helpers start with the first full batch: a small folder needs none.
    if (helpers.empty())
      for (std::size_t i = 0; i < helperCount; ++i)
        helpers.push_back(std::async(std::launch::async, StatBatches, directoryFd, std::ref(queue)));
    queue.Push(std::move(batch));
    batch = {};
    batchNames = LaterBatchNames;
  }
  queue.Push(std::move(batch));
  queue.Close();
  std::vector<std::vector<std::string>> sorted = StatBatches(directoryFd, queue);
  for (auto& helper : helpers)
    for (auto& run : helper.get()) sorted.push_back(std::move(run));
  return Merged(sorted);
}

}  // namespace

bool IsAcceptedFrameSize(std::uintmax_t bytes) {
  return bytes == std::uintmax_t(ShortFrameFileBytes) || bytes == std::uintmax_t(FullFrameFileBytes) ||
         bytes == std::uintmax_t(Mariner9FrameFileBytes);
}

int FindFileIndex(const std::vector<std::string>& fileList, std::string_view currentFileName) {
  int index = 0;
  for (std::size_t j = 0; j < fileList.size(); ++j)
    if (SameIgnoringAsciiCase(fileList[j], currentFileName)) index = int(j) + 1;
  return index;
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
