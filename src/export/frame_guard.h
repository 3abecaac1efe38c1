// Telling files apart by what they are rather than how they are spelt, so that
// no output ever replaces a frame that is being read.
#pragma once

#include <sys/types.h>

#include <compare>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vantorel {

// An existing file by device and inode (every name and link of it alike), or a
// name not yet taken by its folder's device and inode and the name.
struct FileIdentity {
  dev_t Device = 0;
  ino_t Inode = 0;
  std::string MissingName;  // empty for an existing file

  auto operator<=>(const FileIdentity&) const = default;
};

struct IdentifiedFile {
  std::optional<FileIdentity> Identity;
  std::string Error;  // why a file that is (or may be) there cannot be identified
};

// Follows symbolic links; no limit on the length of the whole path.
IdentifiedFile IdentifyFile(const std::string& path);

// The frames one run reads (a window's frame on screen, or the command line's
// frames), by identity.
class FrameGuard {
 public:
  explicit FrameGuard(const std::vector<std::string>& frames);

  struct Verdict {
    std::optional<std::size_t> Frame;  // the frame (by its index) that writing the output would replace
    std::string Error;                 // or why the output cannot be told apart from the frames

    bool MayWrite() const { return !Frame && Error.empty(); }
  };
  Verdict Check(const std::string& output) const;

 private:
  std::map<FileIdentity, std::size_t> frames_;
};

}  // namespace vantorel
