// One folder's files as catalogue entries, read on the spot rather than from
// a catalogue file: what the window's frame browser shows for the folder of
// the frame on screen.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace vantorel {

// Every file of folder that is not itself a folder (not recursively), in name
// order, each read as an update reads it: stat, and the first record's header
// of a regular file, opened without blocking so that a FIFO cannot hold the
// read. A link loop, a dangling link or an unreadable file is an entry with
// its Error. Nothing when the folder cannot be listed (error says why). Once
// stopped (when given) says so, the entries read so far are returned.
// Reads the first record of the file at entry.Path, opened without blocking so
// that a FIFO cannot hold the read, and decodes its header into entry; with
// takeStat, the size and time come from the open file (and anything but a
// regular file is refused). entry.Error says why there is no header.
void ReadEntryHeader(CatalogueEntry& entry, bool takeStat = false);

std::vector<CatalogueEntry> ReadFolderEntries(const std::string& folder, std::string& error,
                                              const std::function<bool()>& stopped = {});

}  // namespace vantorel
