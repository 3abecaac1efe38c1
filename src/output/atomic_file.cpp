#include "output/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include "frames/file_name.h"

namespace vantorel {

namespace {

// Safe to call from several writing threads, unlike strerror.
std::string ErrnoText() { return std::error_code(errno, std::generic_category()).message(); }

bool WriteAll(int fd, std::span<const std::uint8_t> chunk) {
  while (!chunk.empty()) {
    const ssize_t written = ::write(fd, chunk.data(), chunk.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    chunk = chunk.subspan(std::size_t(written));
  }
  return true;
}

// Direct writes (O_DIRECT) go from memory to the disk without a copy into the
// page cache, which on these machines costs more than the write itself. They
// need the memory, the length and the file offset aligned to the device's
// blocks: a page is aligned for every usual device.
constexpr std::size_t DirectAlignment = 4096;
// Below this a file is written through the page cache: the copy is cheap.
constexpr std::size_t DirectMinimum = 64 * 1024;

struct AlignedFree {
  void operator()(std::uint8_t* memory) const { std::free(memory); }
};

// The chunks, end to end, in page-aligned memory that each thread keeps from
// one file to the next; nothing when that memory cannot be had.
std::span<const std::uint8_t> Staged(const SaveChunks& chunks, std::size_t total) {
  thread_local std::unique_ptr<std::uint8_t, AlignedFree> memory;
  thread_local std::size_t capacity = 0;
  if (capacity < total) {
    const std::size_t rounded = (total + DirectAlignment - 1) / DirectAlignment * DirectAlignment;
    memory.reset(static_cast<std::uint8_t*>(std::aligned_alloc(DirectAlignment, rounded)));
    capacity = memory ? rounded : 0;
    if (!memory) return {};
  }
  std::uint8_t* end = memory.get();
  for (const auto& chunk : chunks) end = std::copy(chunk.begin(), chunk.end(), end);
  return {memory.get(), total};
}

// The aligned part directly where the file system allows it, the rest (and
// everything, where it does not) through the page cache.
bool WriteChunks(int fd, const SaveChunks& chunks) {
  std::size_t total = 0;
  for (const auto& chunk : chunks) total += chunk.size();
  const std::size_t aligned = total / DirectAlignment * DirectAlignment;
  const std::span<const std::uint8_t> staged =
      aligned < DirectMinimum ? std::span<const std::uint8_t>() : Staged(chunks, total);
  if (staged.empty()) {
    for (const auto& chunk : chunks)
      if (!WriteAll(fd, chunk)) return false;
    return true;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_DIRECT) == 0) {
    const bool written = WriteAll(fd, staged.first(aligned));
    if (::fcntl(fd, F_SETFL, flags) != 0) return false;
    if (written) return WriteAll(fd, staged.subspan(aligned));
    // A device that wants more alignment refuses direct writes; anything else
    // fails again below, through the page cache.
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) return false;
  }
  return WriteAll(fd, staged);
}

// The umask cannot be read without setting it; reading it once, before any
// file of ours is written, keeps writers on other threads from seeing it at 0.
mode_t NewFileMode() {
  static const mode_t mode = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
  }();
  return mode;
}

std::optional<std::string> RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return std::nullopt;
  return std::string(resolved);
}

SaveOutcome Failed(std::string reason) { return {false, std::move(reason)}; }

StartedSave Refused(std::string reason) { return {{false, std::move(reason)}, std::nullopt}; }

SaveOutcome Finished(StartedSave&& started) {
  if (!started.Pending) return std::move(started.Failure);
  return started.Pending->Finish();
}

StartedSave StartSaveWith(const std::string& path, const std::function<bool(int fd)>& writeFile);

}  // namespace

PendingSave::PendingSave(int fd, std::string temporaryPath, std::string target)
    : fd_(fd), temporaryPath_(std::move(temporaryPath)), target_(std::move(target)) {}

PendingSave::PendingSave(PendingSave&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      temporaryPath_(std::move(other.temporaryPath_)),
      target_(std::move(other.target_)),
      settled_(std::exchange(other.settled_, true)) {}

PendingSave& PendingSave::operator=(PendingSave&& other) noexcept {
  if (this != &other) {
    Discard();
    fd_ = std::exchange(other.fd_, -1);
    temporaryPath_ = std::move(other.temporaryPath_);
    target_ = std::move(other.target_);
    settled_ = std::exchange(other.settled_, true);
  }
  return *this;
}

PendingSave::~PendingSave() { Discard(); }

void PendingSave::Discard() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  if (!settled_) ::unlink(temporaryPath_.c_str());
  settled_ = true;
}

SaveOutcome PendingSave::Finish() {
  if (settled_) return Failed("the file was already finished");
  // Close reports a failure of the last write-back.
  if (::fsync(fd_) != 0 || ::close(std::exchange(fd_, -1)) != 0 ||
      ::rename(temporaryPath_.c_str(), target_.c_str()) != 0) {
    SaveOutcome failed = Failed(ErrnoText());
    Discard();
    return failed;
  }
  settled_ = true;
  return {true, {}};
}

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks) {
  return Finished(StartSave(path, chunks));
}

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer) {
  return Finished(StartSave(path, chunks, writer));
}

StartedSave StartSave(const std::string& path, const SaveChunks& chunks) {
  return StartSaveWith(path, [&chunks](int fd) { return WriteChunks(fd, chunks); });
}

StartedSave StartSave(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer) {
  return StartSaveWith(path, [&](int fd) {
    for (const auto& chunk : chunks)
      if (!writer(fd, chunk)) return false;
    return true;
  });
}

namespace {

StartedSave StartSaveWith(const std::string& path, const std::function<bool(int fd)>& writeFile) {
  if (path.empty()) return Refused("no file name");
  std::string target = path;
  struct stat existing {};
  bool replacing = false;
  if (::lstat(path.c_str(), &existing) == 0) {
    if (S_ISLNK(existing.st_mode)) {
      const std::optional<std::string> linked = RealPath(path);
      if (!linked) return Refused("it is a symbolic link to nothing");
      target = *linked;
      if (::stat(target.c_str(), &existing) != 0) return Refused(ErrnoText());
    }
    if (S_ISDIR(existing.st_mode)) return Refused("it is a directory");
    if (!S_ISREG(existing.st_mode)) return Refused("it is not a regular file");
    replacing = true;
  }

  std::string temporaryPath = DirectoryPart(target) + ".vantorel-XXXXXX";
  const int fd = ::mkostemp(temporaryPath.data(), O_CLOEXEC);
  if (fd < 0) return Refused(ErrnoText());
  PendingSave pending(fd, std::move(temporaryPath), std::move(target));
  if (replacing) {
    // Best effort: only root may give the file back to another owner.
    [[maybe_unused]] const int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
  }
  if (::fchmod(fd, replacing ? existing.st_mode & 07777 : NewFileMode()) != 0) return Refused(ErrnoText());
  errno = 0;
  if (!writeFile(fd)) return Refused(errno != 0 ? ErrnoText() : "the write failed");
  return {{}, std::move(pending)};
}

}  // namespace

}  // namespace vantorel
