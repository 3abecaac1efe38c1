// Writing a whole file so that a reader never sees half of it: the bytes go to
// a temporary file beside the target, are flushed to disk, and the temporary is
// renamed over the target. A failed save leaves any earlier file as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "output/same_entry.h"

namespace vantorel {

struct SaveOutcome {
  bool Saved = false;
  std::string Error;  // why not, for the user
};

// The pieces of the file to write, in order.
using SaveChunks = std::vector<std::span<const std::uint8_t>>;

// Writes one chunk to an open descriptor; false when the write failed. Tests
// replace it to fail midway.
using ChunkWriter = std::function<bool(int fd, std::span<const std::uint8_t>)>;

// The path is taken as bytes. A target that is a symbolic link is written
// through: the file it points to is replaced, the link stays. A replaced file
// keeps its permission bits; a new one gets the usual 0666 less the umask.
SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks);
SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer);

// A save split in two, so that waiting for the disk can happen on another
// thread: every byte is in the temporary file, which is neither flushed nor in
// place yet. Dropping it unfinished removes the temporary file.
class PendingSave {
 public:
  PendingSave(int fd, std::string temporaryPath, std::string target);
  PendingSave(PendingSave&& other) noexcept;
  PendingSave& operator=(PendingSave&& other) noexcept;
  PendingSave(const PendingSave&) = delete;
  PendingSave& operator=(const PendingSave&) = delete;
  ~PendingSave();

  // Flushes the file to disk and renames it over the target; once only.
  SaveOutcome Finish();

 private:
  void Discard();

  int fd_;
  std::string temporaryPath_;
  std::string target_;
  bool settled_ = false;  // renamed into place or removed: nothing left to clean up
};

// The first half of SaveFileAtomically: the failure, or the written file.
struct StartedSave {
  SaveOutcome Failure;
  std::optional<PendingSave> Pending;
};
StartedSave StartSave(const std::string& path, const SaveChunks& chunks);
StartedSave StartSave(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer);

}  // namespace vantorel
