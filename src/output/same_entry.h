// Telling whether two paths name one file entry, so that an export never
// writes over a frame it reads.
#pragma once

#include <sys/types.h>
#include <compare>
#include <optional>
#include <string>

namespace vantorel {

// One directory entry of an existing file, after following symbolic links: the
// folder that holds it (by device and inode) and its name there.
struct EntryIdentity {
  dev_t FolderDevice = 0;
  ino_t FolderInode = 0;
  std::string Name;

  auto operator<=>(const EntryIdentity&) const = default;
};

// Nothing when the path does not name an existing file.
std::optional<EntryIdentity> IdentifyEntry(const std::string& path);

// True when both paths name one directory entry of one existing file: the same
// path, another spelling of it ("./", "..", a linked folder), or a symbolic
// link to it. A hard link is another entry: replacing it leaves the file that
// the other name shows untouched.
bool SameDirectoryEntry(const std::string& first, const std::string& second);

}  // namespace vantorel
