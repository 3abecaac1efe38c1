#include "frames/frame_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace vantorel {

namespace {

// Closes the descriptor on every path out of the read.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string ErrnoText(int error) { return std::strerror(error); }

// "702,768": thousands set apart, as people read file sizes.
std::string GroupedDigits(std::uintmax_t number) {
  std::string digits = std::to_string(number);
  for (std::ptrdiff_t at = std::ptrdiff_t(digits.size()) - 3; at > 0; at -= 3) digits.insert(std::size_t(at), 1, ',');
  return digits;
}

// Reads until length bytes arrived or the file ended; -1 on a read error.
std::int64_t ReadFully(int fd, std::uint8_t* into, std::size_t length) {
  std::size_t total = 0;
  while (total < length) {
    const ssize_t got = ::read(fd, into + total, length - total);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    total += std::size_t(got);
  }
  return std::int64_t(total);
}

// The largest frame file: a stream that goes on past it is no frame.
constexpr std::size_t LargestFrameFileBytes =
    std::size_t(std::max({ShortFrameFileBytes, FullFrameFileBytes, Mariner9FrameFileBytes}));

// Reads a stream into the frame until it ends, then counts on (discarding)
// until it ends or is longer than any frame; -1 on a read error.
std::int64_t ReadStream(int fd, std::uint8_t* into, std::uintmax_t& arrived) {
  const std::int64_t kept = ReadFully(fd, into, FrameBytes);
  if (kept < std::int64_t(FrameBytes)) {
    arrived = std::uintmax_t(std::max<std::int64_t>(kept, 0));
    return kept;
  }
  std::array<std::uint8_t, 4096> rest{};
  arrived = FrameBytes;
  while (arrived <= LargestFrameFileBytes) {
    const std::int64_t got = ReadFully(fd, rest.data(), rest.size());
    if (got < 0) return -1;
    arrived += std::uintmax_t(got);
    if (got < std::int64_t(rest.size())) break;
  }
  return kept;
}

// Reads the open file fd (-1 when the open failed, errno saying why) into a
// frame; anything but a regular file only when streams are taken.
FrameRead ReadOpenFile(int fd, FrameBuffer&& reuse, bool streams) {
  FrameRead result;
  result.WorkFrame = std::move(reuse);
  result.WorkFrame.resize(FrameBytes);
  // Whatever the read does not fill is zero, as in a fresh buffer.
  const auto unread = [&result](std::size_t from) {
    std::fill(result.WorkFrame.begin() + std::ptrdiff_t(from), result.WorkFrame.end(), std::uint8_t{0});
  };
  const auto failed = [&](std::string error) {
    result.Error = std::move(error);
    unread(0);
    return std::move(result);
  };
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0) return failed(ErrnoText(errno));
  if (S_ISDIR(info.st_mode)) return failed("it is a directory");
  if (!S_ISREG(info.st_mode) && !streams) return failed("it is not a regular file");
  // Nobody types a frame; waiting for one would look like a hang.
  if (!S_ISREG(info.st_mode) && ::isatty(fd)) return failed("it is a terminal");
  std::int64_t got = 0;
  if (S_ISREG(info.st_mode)) {
    result.FileBytes = std::uintmax_t(info.st_size);
    got = ReadFully(fd, result.WorkFrame.data(), std::min<std::size_t>(std::size_t(info.st_size), FrameBytes));
  } else {
    std::uintmax_t arrived = 0;
    got = ReadStream(fd, result.WorkFrame.data(), arrived);
    result.FileBytes = arrived;
  }
  if (got < 0) {
    result.FileBytes.reset();
    return failed(ErrnoText(errno));
  }
  unread(std::size_t(got));
  result.BytesRead = std::int32_t(got);
  return result;
}

}  // namespace

FrameRead ReadFrameFile(const std::string& path) { return ReadFrameFile(path, FrameBuffer{}); }

FrameRead ReadFrameFile(const std::string& path, FrameBuffer&& reuse) {
  // O_NONBLOCK keeps the open itself from waiting on a FIFO with no writer.
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  return ReadOpenFile(file.get(), std::move(reuse), false);
}

FrameRead ReadFrameStream(int fd, FrameBuffer&& reuse) { return ReadOpenFile(fd, std::move(reuse), true); }

FrameRead ReadFrameFileOrStream(const std::string& path, FrameBuffer&& reuse) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return ReadOpenFile(file.get(), std::move(reuse), true);
}

bool IsAcceptedFrameSize(std::uintmax_t bytes) {
  return bytes == std::uintmax_t(ShortFrameFileBytes) || bytes == std::uintmax_t(FullFrameFileBytes) ||
         bytes == std::uintmax_t(Mariner9FrameFileBytes);
}

FrameCheck CheckFrameFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {std::nullopt, ErrnoText(errno)};
  if (S_ISDIR(info.st_mode)) return {std::nullopt, "it is a directory"};
  if (!S_ISREG(info.st_mode)) return {std::nullopt, "it is not a regular file"};
  if (::access(path.c_str(), R_OK) != 0) return {std::nullopt, ErrnoText(errno)};
  return {std::uintmax_t(info.st_size), {}};
}

FrameCheck CheckOf(const FrameRead& read) {
  if (read.BytesRead < 0) return {std::nullopt, read.Error};
  return {read.FileBytes, {}};
}

std::string NotAFrameNotice(std::string_view fileName, const FrameCheck& check) {
  if (check.IsFrame()) return {};
  std::string notice(fileName);
  if (!check.FileBytes) return notice + " could not be read: " + check.Error;
  if (*check.FileBytes == 0) return notice + " is empty, not a frame";
  return notice + " is " + GroupedDigits(*check.FileBytes) + (*check.FileBytes == 1 ? " byte" : " bytes") +
         ", not a frame";
}

void ArrangeFrame(FrameBuffer& workFrame, FrameBuffer& pristine) {
  if (workFrame[Mariner9MarkOffset] == Mariner9MarkByte) {
    // Header stays; file records 2..725 move down one record, dropping record 1.
    std::copy_n(workFrame.begin(), RecordBytes, pristine.begin());
    const auto end = std::copy(workFrame.begin() + 2 * RecordBytes, workFrame.end(), pristine.begin() + RecordBytes);
    std::fill(end, pristine.end(), std::uint8_t{0});  // the last record, so no earlier frame's bytes linger
    workFrame = pristine;
  } else {
    pristine = workFrame;
  }
}

}  // namespace vantorel
