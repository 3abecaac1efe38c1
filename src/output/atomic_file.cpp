#include "output/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include "frames/file_name.h"
#include "output/temporary_file.h"
#include "output/unique_fd.h"

namespace vantorel {

bool WriteAll(int fd, std::span<const std::uint8_t> chunk) {
  while (!chunk.empty()) {
    const ssize_t written = ::write(fd, chunk.data(), chunk.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    chunk = chunk.subspan(std::size_t(written));
  }
  return true;
}

namespace {

// Safe to call from several writing threads, unlike strerror.
std::string ErrnoText() { return std::error_code(errno, std::generic_category()).message(); }

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

// The umask cannot be read without setting it for a moment, so it is read
// once. No file of ours depends on it meanwhile: each is made 0600 and then
// given its mode with fchmod.
mode_t NewFileMode() {
  static const mode_t mode = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
  }();
  return mode;
}

SaveOutcome Failed(std::string reason) { return {false, std::move(reason)}; }

StartedSave Refused(std::string reason) { return {{false, std::move(reason)}, std::nullopt}; }

SaveOutcome Finished(StartedSave&& started) {
  if (!started.Pending) return std::move(started.Failure);
  return started.Pending->Finish();
}

// Symbolic links followed to a file, at most this many (as the kernel does).
constexpr int MaxLinkHops = 40;

// Where the bytes go: a name in an open folder, and what is there now.
struct Target {
  UniqueFd Folder;
  std::string Name;
  std::optional<struct stat> Existing;
};

UniqueFd OpenFolder(int base, const std::string& path) {
  return UniqueFd(::openat(base, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

std::optional<std::string> LinkText(int folder, const std::string& name, std::size_t sizeHint) {
  std::string text(std::max<std::size_t>(sizeHint, 255) + 1, '\0');
  for (;;) {
    const ssize_t length = ::readlinkat(folder, name.c_str(), text.data(), text.size());
    if (length < 0) return std::nullopt;
    if (std::size_t(length) < text.size()) {
      text.resize(std::size_t(length));
      return text;
    }
    text.resize(text.size() * 2);
  }
}

// Follows symbolic links one folder at a time, with no limit on the length of
// the whole path; the reason when the path cannot be written.
std::optional<std::string> ResolveTarget(const std::string& path, Target& target) {
  target.Folder = OpenFolder(AT_FDCWD, DirectoryPart(path));
  if (target.Folder.Get() < 0) return ErrnoText();
  target.Name = FileNamePart(path);
  for (int hops = 0;; ++hops) {
    if (target.Name.empty()) return "it is a directory";  // "x/"; "." and ".." are found to be folders below
    struct stat found {};
    if (::fstatat(target.Folder.Get(), target.Name.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) return ErrnoText();
      if (hops > 0) return "it is a symbolic link to nothing";
      return std::nullopt;
    }
    if (!S_ISLNK(found.st_mode)) {
      if (S_ISDIR(found.st_mode)) return "it is a directory";
      if (!S_ISREG(found.st_mode)) return "it is not a regular file";
      target.Existing = found;
      return std::nullopt;
    }
    if (hops == MaxLinkHops) return "it is a chain of too many symbolic links";
    const std::optional<std::string> link = LinkText(target.Folder.Get(), target.Name, std::size_t(found.st_size));
    if (!link || link->empty()) return "it is a symbolic link to nothing";
    UniqueFd next = OpenFolder(link->front() == '/' ? AT_FDCWD : target.Folder.Get(), DirectoryPart(*link));
    if (next.Get() < 0) return errno == ENOENT ? std::string("it is a symbolic link to nothing") : ErrnoText();
    target.Folder = std::move(next);
    target.Name = FileNamePart(*link);
  }
}

// mode, when given, is the file's whatever was there before.
StartedSave StartSaveWith(const std::string& path, const std::function<bool(int fd)>& writeFile,
                          std::optional<mode_t> mode = std::nullopt) {
  if (path.empty()) return Refused("no file name");
  Target target;
  if (std::optional<std::string> refusal = ResolveTarget(path, target)) return Refused(std::move(*refusal));
  std::optional<Temporary> temporary = CreateTemporary(target.Folder.Get());
  if (!temporary) return Refused(ErrnoText());
  const int fd = temporary->File.Get();
  PendingSave pending(temporary->File.Release(), target.Folder.Release(), std::move(temporary->Name),
                      std::move(target.Name));
  if (target.Existing) {
    // Best effort: only root may give the file back to another owner.
    [[maybe_unused]] const int ignored = ::fchown(fd, target.Existing->st_uid, target.Existing->st_gid);
  }
  if (::fchmod(fd, mode ? *mode : target.Existing ? target.Existing->st_mode & 07777 : NewFileMode()) != 0)
    return Refused(ErrnoText());
  errno = 0;
  if (!writeFile(fd)) return Refused(errno != 0 ? ErrnoText() : "the write failed");
  return {{}, std::move(pending)};
}

}  // namespace

FolderFlushes::~FolderFlushes() {
  for (auto& [key, folder] : folders_) ::close(folder.Descriptor);
}

std::optional<FolderFlushes::Ticket> FolderFlushes::Renamed(int folder) {
  struct stat info {};
  if (::fstat(folder, &info) != 0) return std::nullopt;
  const std::pair key{info.st_dev, info.st_ino};
  const std::lock_guard lock(mutex_);
  Folder& state = folders_[key];
  if (state.Descriptor < 0) state.Descriptor = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
  if (state.Descriptor < 0) return std::nullopt;
  return Ticket{key, ++state.Renamed};
}

bool FolderFlushes::Flush(const Ticket& ticket) {
  std::unique_lock lock(mutex_);
  Folder& state = folders_.at(ticket.Folder);
  while (state.Flushed < ticket.Rename) {
    if (state.Flushing) {
      changed_.wait(lock);
      continue;
    }
    state.Flushing = true;
    const std::uint64_t covers = state.Renamed;
    lock.unlock();
    const bool flushed = ::fsync(state.Descriptor) == 0;
    lock.lock();
    state.Flushing = false;
    changed_.notify_all();
    if (!flushed) return false;
    state.Flushed = std::max(state.Flushed, covers);
  }
  return true;
}

PendingSave::PendingSave(int fd, int folder, std::string temporaryName, std::string targetName)
    : fd_(fd), folder_(folder), temporaryName_(std::move(temporaryName)), targetName_(std::move(targetName)) {}

PendingSave::PendingSave(PendingSave&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      folder_(std::exchange(other.folder_, -1)),
      temporaryName_(std::move(other.temporaryName_)),
      targetName_(std::move(other.targetName_)),
      settled_(std::exchange(other.settled_, true)) {}

PendingSave& PendingSave::operator=(PendingSave&& other) noexcept {
  if (this != &other) {
    Discard();
    fd_ = std::exchange(other.fd_, -1);
    folder_ = std::exchange(other.folder_, -1);
    temporaryName_ = std::move(other.temporaryName_);
    targetName_ = std::move(other.targetName_);
    settled_ = std::exchange(other.settled_, true);
  }
  return *this;
}

PendingSave::~PendingSave() { Discard(); }

void PendingSave::Discard() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  if (!settled_ && !temporaryName_.empty()) ::unlinkat(folder_, temporaryName_.c_str(), 0);
  settled_ = true;
  if (folder_ >= 0) ::close(std::exchange(folder_, -1));
}

// Close reports a failure of the last write-back, so it comes before the file
// replaces anything.
bool PendingSave::PutInPlace() {
  if (temporaryName_.empty()) {
    // A new name is taken at once; an existing file is replaced through a
    // named link, since a link cannot replace a name.
    if (LinkUnnamed(fd_, folder_, targetName_)) {
      if (::close(std::exchange(fd_, -1)) == 0) return true;
      const int error = errno;
      ::unlinkat(folder_, targetName_.c_str(), 0);  // the name is new and ours: no bad file may keep it
      errno = error;
      return false;
    }
    if (errno != EEXIST) return false;
    if (!LinkUnderTemporaryName(fd_, folder_, temporaryName_)) return false;
  }
  return ::close(std::exchange(fd_, -1)) == 0 &&
         ::renameat(folder_, temporaryName_.c_str(), folder_, targetName_.c_str()) == 0;
}

bool PendingSave::FlushedAndInPlace() {
  if (::fsync(fd_) == 0 && PutInPlace()) {
    settled_ = true;
    return true;
  }
  return false;
}

SaveOutcome PendingSave::Finish() {
  if (settled_) return Failed("the file was already finished");
  SaveOutcome outcome{true, {}};
  if (!FlushedAndInPlace())
    outcome = Failed(ErrnoText());
  else if (::fsync(folder_) != 0)
    outcome = Failed("written, but its folder could not be flushed: " + ErrnoText());
  Discard();
  return outcome;
}

SaveOutcome PendingSave::FinishUnflushed() {
  if (settled_) return Failed("the file was already finished");
  SaveOutcome outcome{true, {}};
  if (PutInPlace())
    settled_ = true;
  else
    outcome = Failed(ErrnoText());
  Discard();
  return outcome;
}

SaveOutcome PendingSave::Finish(FolderFlushes& flushes, std::optional<FolderFlushes::Ticket>& ticket) {
  if (settled_) return Failed("the file was already finished");
  SaveOutcome outcome{true, {}};
  if (!FlushedAndInPlace()) {
    outcome = Failed(ErrnoText());
  } else {
    ticket = flushes.Renamed(folder_);
    if (!ticket) outcome = Failed("written, but its folder could not be flushed: " + ErrnoText());
  }
  Discard();
  return outcome;
}

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks) {
  return Finished(StartSave(path, chunks));
}

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer) {
  return Finished(StartSave(path, chunks, writer));
}

SaveOutcome SaveStreamAtomically(const std::string& path, const std::function<bool(int fd)>& writeFile) {
  return Finished(StartSaveWith(path, writeFile));
}

SaveOutcome SavePrivateFileAtomically(const std::string& path, const SaveChunks& chunks) {
  return Finished(StartSaveWith(
      path, [&chunks](int fd) { return WriteChunks(fd, chunks); }, S_IRUSR | S_IWUSR));
}

SaveOutcome SaveCacheFileAtomically(const std::string& path, const SaveChunks& chunks) {
  StartedSave started = StartSaveWith(
      path, [&chunks](int fd) { return WriteChunks(fd, chunks); }, S_IRUSR | S_IWUSR);
  if (!started.Pending) return std::move(started.Failure);
  return started.Pending->FinishUnflushed();
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

}  // namespace vantorel
