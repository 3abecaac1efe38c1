#include "output/same_entry.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include "frames/file_name.h"

namespace vantorel {

std::optional<EntryIdentity> IdentifyEntry(const std::string& path) {
  char resolved[PATH_MAX];
  if (path.empty() || ::realpath(path.c_str(), resolved) == nullptr) return std::nullopt;
  const std::string real(resolved);
  struct stat folder {};
  if (::stat(DirectoryPart(real).c_str(), &folder) != 0) return std::nullopt;
  return EntryIdentity{folder.st_dev, folder.st_ino, std::string(FileNamePart(real))};
}

bool SameDirectoryEntry(const std::string& first, const std::string& second) {
  const std::optional<EntryIdentity> a = IdentifyEntry(first);
  return a && a == IdentifyEntry(second);
}

}  // namespace vantorel
