#include "frames/file_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
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

// Every name the folder holds that may be a frame file, in the order read.
// A read error ends the list where it happened.
std::vector<std::string> ReadCandidates(DIR* directory) {
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == ".." || !MayBeFrameFile(entry->d_type)) continue;
    names.emplace_back(name);
  }
  return names;
}

// One stat, following links, so that a broken link or a link to a FIFO is
// never taken for a frame.
bool IsFrameFile(int directoryFd, const std::string& name) {
  struct stat info {};
  return ::fstatat(directoryFd, name.c_str(), &info, 0) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
         IsAcceptedFrameSize(std::uintmax_t(info.st_size));
}

// A large folder's candidates are worked in parts of at least this many,
// and at most MaxParts of them.
constexpr std::size_t CandidatesPerPart = 256;
constexpr std::size_t MaxParts = 8;

// The candidates of [first, last) that are frame files, sorted.
std::vector<std::string> SortedFrameFiles(int directoryFd, std::vector<std::string>::iterator first,
                                          std::vector<std::string>::iterator last) {
  std::vector<std::string> files;
  for (auto name = first; name != last; ++name)
    if (IsFrameFile(directoryFd, *name)) files.push_back(std::move(*name));
  std::sort(files.begin(), files.end(), NameBefore);
  return files;
}

// A stat costs far more than anything else here, so the parts of a large
// folder are shared out among the processor's threads, each part sorted on
// its own; the sorted parts are then merged pairwise.
std::vector<std::string> FrameFilesAmong(int directoryFd, std::vector<std::string>& candidates) {
  const std::size_t parts = std::clamp<std::size_t>(candidates.size() / CandidatesPerPart, 1, MaxParts);
  const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, parts);
  std::vector<std::vector<std::string>> sorted(parts);
  const auto partBegin = [&](std::size_t part) {
    return candidates.begin() + std::ptrdiff_t(candidates.size() * part / parts);
  };
  const auto work = [&](std::size_t firstPart) {
    for (std::size_t part = firstPart; part < parts; part += threads)
      sorted[part] = SortedFrameFiles(directoryFd, partBegin(part), partBegin(part + 1));
  };
  {
    std::vector<std::jthread> helpers;
    for (std::size_t thread = 1; thread < threads; ++thread) {
      try {
        helpers.emplace_back(work, thread);
      } catch (const std::system_error&) {
        work(thread);  // no thread to be had: this one does its share
      }
    }
    work(0);
  }  // the helpers are joined here

  std::vector<std::string> files;
  std::vector<std::ptrdiff_t> bounds{0};
  for (auto& part : sorted) {
    files.insert(files.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    bounds.push_back(std::ptrdiff_t(files.size()));
  }
  for (std::size_t width = 1; width < parts; width *= 2)
    for (std::size_t i = 0; i + width < parts; i += 2 * width)
      std::inplace_merge(files.begin() + bounds[i], files.begin() + bounds[i + width],
                         files.begin() + bounds[std::min(i + 2 * width, parts)], NameBefore);
  return files;
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
  std::vector<std::string> candidates = ReadCandidates(handle.get());
  listing.FileList = FrameFilesAmong(::dirfd(handle.get()), candidates);
  listing.FileIndex = FindFileIndex(listing.FileList, currentFileName);
  return listing;
}

}  // namespace vantorel
