#include "frames/frame_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

}  // namespace

FrameRead ReadFrameFile(const std::string& path) { return ReadFrameFile(path, FrameBuffer{}); }

FrameRead ReadFrameFile(const std::string& path, FrameBuffer&& reuse) {
  FrameRead result;
  result.WorkFrame = std::move(reuse);
  result.WorkFrame.resize(FrameBytes);
  // Whatever the read does not fill is zero, as in a fresh buffer.
  const auto unread = [&result](std::size_t from) {
    std::fill(result.WorkFrame.begin() + std::ptrdiff_t(from), result.WorkFrame.end(), std::uint8_t{0});
  };
  // O_NONBLOCK keeps the open itself from waiting on a FIFO with no writer.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) {
    result.Error = ErrnoText(errno);
    unread(0);
    return result;
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) {
    result.Error = ErrnoText(errno);
    unread(0);
    return result;
  }
  if (!S_ISREG(info.st_mode)) {
    result.Error = S_ISDIR(info.st_mode) ? "it is a directory" : "it is not a regular file";
    unread(0);
    return result;
  }
  result.FileBytes = std::uintmax_t(info.st_size);
  const std::size_t length = std::min<std::size_t>(std::size_t(info.st_size), FrameBytes);
  const std::int64_t got = ReadFully(file.get(), result.WorkFrame.data(), length);
  if (got < 0) {
    result.Error = ErrnoText(errno);
    unread(0);
    return result;
  }
  unread(std::size_t(got));
  result.BytesRead = std::int32_t(got);
  return result;
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
