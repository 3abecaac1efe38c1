#include "output/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
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
  if (fd_ < 0) return Failed("the file was already finished");
  if (::fsync(fd_) != 0) return Failed(ErrnoText());
  // Close reports a failure of the last write-back.
  const int closed = ::close(std::exchange(fd_, -1));
  if (closed != 0) return Failed(ErrnoText());
  if (::rename(temporaryPath_.c_str(), target_.c_str()) != 0) return Failed(ErrnoText());
  settled_ = true;
  return {true, {}};
}

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks) {
  return SaveFileAtomically(path, chunks, WriteAll);
}

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer) {
  StartedSave started = StartSave(path, chunks, writer);
  if (!started.Pending) return started.Failure;
  return started.Pending->Finish();
}

StartedSave StartSave(const std::string& path, const SaveChunks& chunks) { return StartSave(path, chunks, WriteAll); }

StartedSave StartSave(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer) {
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
  for (const auto& chunk : chunks) {
    errno = 0;
    if (!writer(fd, chunk)) return Refused(errno != 0 ? ErrnoText() : "the write failed");
  }
  return {{}, std::move(pending)};
}

}  // namespace vantorel
