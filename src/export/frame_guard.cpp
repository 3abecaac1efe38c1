#include "export/frame_guard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "frames/file_name.h"

namespace vantorel {

namespace {

std::string ErrnoText() { return std::error_code(errno, std::generic_category()).message(); }

}  // namespace

IdentifiedFile IdentifyFile(const std::string& path) {
  if (path.empty()) return {};
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) return {FileIdentity{info.st_dev, info.st_ino, {}}, {}};
  if (errno != ENOENT && errno != ENOTDIR) return {std::nullopt, ErrnoText()};
  // Not there: its folder and its name, which a dangling symbolic link also has.
  struct stat folder {};
  if (::stat(DirectoryPart(path).c_str(), &folder) != 0) return {};
  return {FileIdentity{folder.st_dev, folder.st_ino, std::string(FileNamePart(path))}, {}};
}

FrameGuard::FrameGuard(const std::vector<std::string>& frames) {
  for (std::size_t i = 0; i < frames.size(); ++i)
    if (std::optional<FileIdentity> identity = IdentifyFile(frames[i]).Identity;
        identity && identity->MissingName.empty())
      frames_.emplace(std::move(*identity), i);
}

FrameGuard::Verdict FrameGuard::Check(const std::string& output) const {
  IdentifiedFile identified = IdentifyFile(output);
  if (!identified.Error.empty())
    return {std::nullopt, "it cannot be told apart from the frames read (" + identified.Error + ")"};
  if (!identified.Identity) return {};
  const auto found = frames_.find(*identified.Identity);
  if (found == frames_.end()) return {};
  return {found->second, {}};
}

}  // namespace vantorel
