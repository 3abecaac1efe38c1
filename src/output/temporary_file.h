// Temporary files in an open folder, for writes that must not be seen half
// done: unnamed where the file system allows (nothing of them outlives the
// process), elsewhere a hidden ".vantorel-XXXXXX" file, whose leftovers a
// later run removes once they are a day old.
#pragma once

#include <optional>
#include <string>

#include "output/unique_fd.h"

namespace vantorel {

struct Temporary {
  UniqueFd File;
  std::string Name;  // empty for an unnamed file
};

// Nothing, with errno set, when no file could be made.
std::optional<Temporary> CreateTemporary(int folder);

// Gives an unnamed file a name in the folder; fails with errno EEXIST when
// the name is taken.
bool LinkUnnamed(int fd, int folder, const std::string& name);
// The same under a fresh temporary name, which it sets.
bool LinkUnderTemporaryName(int fd, int folder, std::string& name);

// Off, every temporary is a named one, as on file systems without unnamed
// files; tests use it to reach that path.
void AllowUnnamedTemporaries(bool allowed);

}  // namespace vantorel
