// Writing a whole file so that a reader never sees half of it: the bytes go to
// a temporary file in the target's folder, are flushed to disk, and only then
// take the target's name; the folder is flushed after. A failed save leaves
// any earlier file as it was.
//
// The temporary has no name where the file system allows (an interrupted or
// killed run leaves nothing); elsewhere it is a hidden ".vantorel-XXXXXX" file,
// and a later save into the same folder removes ours that are over a day old.
// Every call is made relative to the folder's descriptor, so a folder moved
// away mid-save keeps nothing of ours.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

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
// The same for a file too large to hold whole: writeFile writes it from the
// start to the open temporary (seeking back is allowed) and returns false when
// a write failed.
SaveOutcome SaveStreamAtomically(const std::string& path, const std::function<bool(int fd)>& writeFile);
// Writes all of chunk at the descriptor's offset; false when a write failed.
bool WriteAll(int fd, std::span<const std::uint8_t> chunk);
// The same for a file that only its owner may read and write (0600), new or
// replaced: thumbnails show what is in files that others may not read.
SaveOutcome SavePrivateFileAtomically(const std::string& path, const SaveChunks& chunks);
// The same for a cache's file, put in place whole but not flushed to disk: one
// lost in a crash is only made again, and the two flushes cost a thumbnail
// cache more than making its thumbnails.
SaveOutcome SaveCacheFileAtomically(const std::string& path, const SaveChunks& chunks);

// Flushes of folders shared between threads: a rename is durable once a flush
// of its folder that began after it has ended, so one flush serves every
// rename that came before it.
class FolderFlushes {
 public:
  struct Ticket {
    std::pair<dev_t, ino_t> Folder;
    std::uint64_t Rename = 0;
  };

  FolderFlushes() = default;
  FolderFlushes(const FolderFlushes&) = delete;
  FolderFlushes& operator=(const FolderFlushes&) = delete;
  ~FolderFlushes();

  // Notes a rename just made in the folder (an open descriptor); nothing when
  // the folder cannot be kept open for its flush.
  std::optional<Ticket> Renamed(int folder);
  // Returns once the ticket's rename is durable; false when a flush failed.
  bool Flush(const Ticket& ticket);

 private:
  struct Folder {
    int Descriptor = -1;        // kept open until the flushes end
    std::uint64_t Renamed = 0;  // renames noted
    std::uint64_t Flushed = 0;  // renames a finished flush covers
    bool Flushing = false;
  };
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::pair<dev_t, ino_t>, Folder> folders_;
};

// A save split in two, so that waiting for the disk can happen on another
// thread: every byte is in the temporary file, which is neither flushed nor in
// place yet. Dropping it unfinished removes the temporary file.
class PendingSave {
 public:
  // Takes over both descriptors; an empty temporaryName is an unnamed file.
  PendingSave(int fd, int folder, std::string temporaryName, std::string targetName);
  PendingSave(PendingSave&& other) noexcept;
  PendingSave& operator=(PendingSave&& other) noexcept;
  PendingSave(const PendingSave&) = delete;
  PendingSave& operator=(const PendingSave&) = delete;
  ~PendingSave();

  // Flushes the file to disk, puts it in place of the target and flushes the
  // folder; once only.
  SaveOutcome Finish();
  // The same, but the folder's flush is left to flushes.Flush(ticket), so
  // that one flush serves many files.
  SaveOutcome Finish(FolderFlushes& flushes, std::optional<FolderFlushes::Ticket>& ticket);
  // Only puts the file in place of the target, flushing nothing.
  SaveOutcome FinishUnflushed();

 private:
  bool FlushedAndInPlace();
  bool PutInPlace();
  void Discard();

  int fd_;
  int folder_;
  std::string temporaryName_;
  std::string targetName_;
  bool settled_ = false;  // in place or removed: nothing left to clean up
};

// The first half of SaveFileAtomically: the failure, or the written file.
struct StartedSave {
  SaveOutcome Failure;
  std::optional<PendingSave> Pending;
};
StartedSave StartSave(const std::string& path, const SaveChunks& chunks);
StartedSave StartSave(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer);

}  // namespace vantorel
