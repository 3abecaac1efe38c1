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

// Removes the temporary file unless the save got as far as renaming it.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string pattern) : path_(std::move(pattern)) {
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    created_ = fd_ >= 0;
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (created_ && !kept_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Opened() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  const std::string& Path() const { return path_; }
  // Closes the descriptor, reporting a failure of the last write-back.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool created_ = false;
  bool kept_ = false;
};

SaveOutcome Failed(std::string reason) { return {false, std::move(reason)}; }

}  // namespace

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks) {
  return SaveFileAtomically(path, chunks, WriteAll);
}

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer) {
  if (path.empty()) return Failed("no file name");
  std::string target = path;
  struct stat existing {};
  bool replacing = false;
  if (::lstat(path.c_str(), &existing) == 0) {
    if (S_ISLNK(existing.st_mode)) {
      const std::optional<std::string> linked = RealPath(path);
      if (!linked) return Failed("it is a symbolic link to nothing");
      target = *linked;
      if (::stat(target.c_str(), &existing) != 0) return Failed(ErrnoText());
    }
    if (S_ISDIR(existing.st_mode)) return Failed("it is a directory");
    if (!S_ISREG(existing.st_mode)) return Failed("it is not a regular file");
    replacing = true;
  }

  TemporaryFile temporary(DirectoryPart(target) + ".vantorel-XXXXXX");
  if (!temporary.Opened()) return Failed(ErrnoText());
  const int fd = temporary.Descriptor();
  if (replacing) {
    // Best effort: only root may give the file back to another owner.
    [[maybe_unused]] const int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
  }
  if (::fchmod(fd, replacing ? existing.st_mode & 07777 : NewFileMode()) != 0) return Failed(ErrnoText());
  for (const auto& chunk : chunks) {
    errno = 0;
    if (!writer(fd, chunk)) return Failed(errno != 0 ? ErrnoText() : "the write failed");
  }
  if (::fsync(fd) != 0) return Failed(ErrnoText());
  if (!temporary.Close()) return Failed(ErrnoText());
  if (::rename(temporary.Path().c_str(), target.c_str()) != 0) return Failed(ErrnoText());
  temporary.Keep();
  return {true, {}};
}

}  // namespace vantorel
