#include "frames/file_list.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>

#include "frames/file_name.h"
#include "frames/frame_layout.h"

namespace vantorel {

namespace {

std::atomic<std::uint64_t> listingsMade{0};

// Byte-wise on unsigned codes, a prefix first.
bool NameBefore(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
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
  namespace fs = std::filesystem;
  ++listingsMade;
  FileListing listing;
  std::error_code error;
  fs::directory_iterator entries(directory, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    std::error_code entryError;
    // Follows links, so a broken link or a FIFO is never taken for a frame.
    if (!entries->is_regular_file(entryError) || entryError) continue;
    const std::uintmax_t size = entries->file_size(entryError);
    if (entryError || !IsAcceptedFrameSize(size)) continue;
    listing.FileList.push_back(entries->path().filename().string());
  }
  std::stable_sort(listing.FileList.begin(), listing.FileList.end(), NameBefore);
  listing.FileIndex = FindFileIndex(listing.FileList, currentFileName);
  return listing;
}

}  // namespace vantorel
