#include "catalogue/folder_entries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "frames/file_name.h"
#include "frames/frame_file.h"
#include "header/header_decode.h"

namespace vantorel {
namespace {

std::int64_t Nanoseconds(const struct timespec& time) {
  return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

void ReadEntryHeader(CatalogueEntry& entry, bool takeStat) {
  const int fd = ::open(entry.Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    entry.Error = std::strerror(errno);
    return;
  }
  struct stat info {};
  if (takeStat && ::fstat(fd, &info) != 0) entry.Error = std::strerror(errno);
  if (takeStat && !entry.Error) {
    entry.Bytes = std::int64_t(info.st_size);
    entry.ModifiedNs = Nanoseconds(info.st_mtim);
    if (!S_ISREG(info.st_mode)) entry.Error = "it is not a regular file";
  }
  std::array<std::uint8_t, RecordBytes> record{};
  ssize_t got = 0;
  if (!entry.Error) {
    do got = ::pread(fd, record.data(), record.size(), 0);
    while (got < 0 && errno == EINTR);
    if (got < 0) entry.Error = std::strerror(errno);
  }
  ::close(fd);
  if (entry.Error) return;
  // The header is all in the first record, and bytes past what was read count as zero.
  entry.Header =
      DecodeHeaderRecord(std::span<const std::uint8_t>(record.data(), std::size_t(got)), FileNamePart(entry.Path));
  entry.IsFrame = FrameCheck{std::uintmax_t(entry.Bytes), {}}.IsFrame();
}

std::vector<CatalogueEntry> ReadFolderEntries(const std::string& folder, std::string& error,
                                              const std::function<bool()>& stopped) {
  std::vector<CatalogueEntry> entries;
  DIR* listing = ::opendir(folder.c_str());
  if (!listing) {
    error = std::strerror(errno);
    return entries;
  }
  const std::string prefix = folder.ends_with('/') ? folder : folder + '/';
  std::vector<std::string> names;
  while (const dirent* child = ::readdir(listing)) {
    const std::string_view name = child->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    if (stopped && stopped()) break;
    CatalogueEntry entry{.Path = prefix + name};
    struct stat info {};
    if (::fstatat(::dirfd(listing), name.c_str(), &info, 0) != 0) {
      // A dangling link or a link loop: still listed, with why it cannot be read.
      const int why = errno;
      if (::fstatat(::dirfd(listing), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone
      entry.Error = std::strerror(why);
    } else if (S_ISDIR(info.st_mode)) {
      continue;
    } else if (!S_ISREG(info.st_mode)) {
      entry.Error = "it is not a regular file";
    }
    entry.Bytes = std::int64_t(info.st_size);
    entry.ModifiedNs = Nanoseconds(info.st_mtim);
    if (!entry.Error) ReadEntryHeader(entry);
    entries.push_back(std::move(entry));
  }
  ::closedir(listing);
  return entries;
}

}  // namespace vantorel
