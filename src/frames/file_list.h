// The sorted list of frame files in a directory, and where the current file is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

struct FileListing {
  std::vector<std::string> FileList;  // whole names, sorted byte-wise
  int FileIndex = 0;                  // 1-based; 0 when the current file is not listed

  int FileCount() const { return static_cast<int>(FileList.size()); }
};

// Lists the regular files of directory with an accepted frame size (the only
// filter), sorted, and finds currentFileName among them (a-z matched as A-Z;
// the last match wins). A directory that cannot be read gives an empty list.
FileListing BuildFileList(const std::string& directory, std::string_view currentFileName);

// How many folder listings BuildFileList has made in this process, so that
// tests can tell that a command reads no listing.
std::uint64_t FileListingsMade();

// Places a name in a sorted listing the same way BuildFileList does.
int FindFileIndex(const std::vector<std::string>& fileList, std::string_view currentFileName);

// The 1-based position that the user's entry names: a position within the list,
// counted as the counter box counts; else a listed name spelled exactly so; else
// a listed name matched as FindFileIndex matches. Blanks around the entry do not
// count. Nothing when it names no listed file.
std::optional<int> FindListedFrame(const std::vector<std::string>& fileList, std::string_view numberOrName);

}  // namespace vantorel
