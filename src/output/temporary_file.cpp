#include "output/temporary_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <random>
#include <set>
#include <string_view>
#include <tuple>
#include <utility>

namespace vantorel {

namespace {

std::atomic<bool> unnamedTemporariesAllowed{true};

constexpr std::string_view TemporaryPrefix = ".vantorel-";
constexpr std::size_t TemporaryRandomCharacters = 6;
constexpr std::string_view TemporaryAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// Ours and left by a run that ended without removing it; a run still going
// has no temporary this old.
constexpr time_t StaleAfterSeconds = 24 * 60 * 60;

std::string TemporaryName() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name(TemporaryPrefix);
  std::uniform_int_distribution<std::size_t> pick(0, TemporaryAlphabet.size() - 1);
  for (std::size_t i = 0; i < TemporaryRandomCharacters; ++i) name += TemporaryAlphabet[pick(random)];
  return name;
}

bool IsTemporaryName(std::string_view name) {
  if (!name.starts_with(TemporaryPrefix) || name.size() != TemporaryPrefix.size() + TemporaryRandomCharacters)
    return false;
  return name.substr(TemporaryPrefix.size()).find_first_not_of(TemporaryAlphabet) == std::string_view::npos;
}

// Removes the temporaries of ours that earlier runs left in the folder, once
// per folder and run.
void RemoveStaleTemporaries(int folder) {
  static std::mutex mutex;
  // A folder by device, inode and birth time: a new folder may reuse the
  // inode of one that was removed, and must still be swept.
  static std::set<std::tuple<dev_t, ino_t, std::int64_t, std::uint32_t>> swept;
  struct statx folderInfo {};
  if (::statx(folder, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &folderInfo) != 0) return;
  const dev_t device = makedev(folderInfo.stx_dev_major, folderInfo.stx_dev_minor);
  {
    const std::lock_guard lock(mutex);
    if (!swept.emplace(device, folderInfo.stx_ino, folderInfo.stx_btime.tv_sec, folderInfo.stx_btime.tv_nsec).second)
      return;
  }
  const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* entries = ::fdopendir(listing);
  if (entries == nullptr) {
    ::close(listing);
    return;
  }
  const time_t staleBefore = ::time(nullptr) - StaleAfterSeconds;
  while (const dirent* entry = ::readdir(entries)) {
    struct stat info {};
    if (!IsTemporaryName(entry->d_name) || ::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_mtime < staleBefore)
      ::unlinkat(folder, entry->d_name, 0);
  }
  ::closedir(entries);
}

// Runs create (which makes a file under a fresh temporary name, or fails with
// errno) until a name is free.
template <typename Create>
bool WithFreeTemporaryName(std::string& name, const Create& create) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = TemporaryName();
    if (create(name)) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

// Reasons that O_TMPFILE is not there, as against a failure to create anything.
bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

}  // namespace

std::optional<Temporary> CreateTemporary(int folder) {
  if (unnamedTemporariesAllowed) {
    const int fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) return Temporary{UniqueFd(fd), {}};
    if (!NoUnnamedFiles(errno)) return std::nullopt;
  }
  RemoveStaleTemporaries(folder);
  Temporary temporary;
  const bool created = WithFreeTemporaryName(temporary.Name, [&](const std::string& name) {
    temporary.File = UniqueFd(::openat(folder, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
    return temporary.File.Get() >= 0;
  });
  if (!created) return std::nullopt;
  return temporary;
}

// Gives an unnamed file a name in the folder; fails with EEXIST when taken.
bool LinkUnnamed(int fd, int folder, const std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  // Without /proc mounted; this way needs a privilege.
  if (errno == ENOENT) return ::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0;
  return false;
}

bool LinkUnderTemporaryName(int fd, int folder, std::string& name) {
  if (WithFreeTemporaryName(name, [&](const std::string& free) { return LinkUnnamed(fd, folder, free); })) return true;
  name.clear();
  return false;
}

void AllowUnnamedTemporaries(bool allowed) { unnamedTemporariesAllowed = allowed; }

}  // namespace vantorel
