#include "output/descriptors.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace vantorel {

namespace {

// Counted from /proc; when it cannot be listed, a guess that errs high.
std::size_t OpenDescriptors() {
  constexpr std::size_t Guess = 64;
  DIR* entries = ::opendir("/proc/self/fd");
  if (entries == nullptr) return Guess;
  std::size_t count = 0;
  while (const dirent* entry = ::readdir(entries))
    if (entry->d_name[0] != '.') ++count;
  ::closedir(entries);
  return count > 0 ? count - 1 : 0;  // less the listing's own descriptor
}

}  // namespace

void EnsureStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is fd itself, as those below it are open.
    const int opened = ::open("/dev/null", O_RDWR);
    if (opened < 0) ::_exit(127);  // nowhere safe to write to, not even a message
    if (opened != fd) ::close(opened);
  }
}

std::size_t FreeDescriptors() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  const std::size_t open = OpenDescriptors();
  if (limit.rlim_cur == RLIM_INFINITY) return std::size_t(1) << 20;
  return limit.rlim_cur > open ? std::size_t(limit.rlim_cur) - open : 0;
}

}  // namespace vantorel
