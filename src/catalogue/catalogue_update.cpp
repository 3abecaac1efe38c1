#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>
#include <unordered_map>
#include <utility>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_rows.h"
#include "catalogue/folder_entries.h"
#include "parallel/ordered_pool.h"

namespace vantorel {

namespace {

// Files a worker reads in one go: fewer hand-overs between threads.
constexpr std::size_t FilesPerRead = 64;

// A file found by the walk, with what stat said of it.
struct FoundFile {
  std::string Path;
  std::int64_t Bytes = 0;
  std::int64_t ModifiedNs = 0;
  bool Regular = false;
  std::optional<std::string> Error{};  // stat failed (a dangling link, a link loop)
  // A regular file new to the catalogue: its size and time are taken from the
  // open file by the reading thread, so that the walk makes no stat of its own.
  bool StatWhenRead = false;
};

struct KnownRow {
  std::int64_t Bytes;
  std::int64_t ModifiedNs;
  bool HadError;
  bool Seen = false;
};

std::int64_t Nanoseconds(const struct timespec& time) {
  return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FoundFile Found(std::string path, const struct stat& info) {
  return {std::move(path), std::int64_t(info.st_size), Nanoseconds(info.st_mtim), S_ISREG(info.st_mode), {}};
}

// "/a/b/" for "/a/b", "/" for "/": what every path under a folder begins with.
std::string FolderPrefix(const std::string& folder) { return folder.ends_with('/') ? folder : folder + '/'; }

bool IsUnder(const std::string& path, const std::string& root) {
  return path == root || path.starts_with(FolderPrefix(root));
}

// Walks files and folders, each folder once (by device and inode), so that a
// link loop ends; children in name order.
class Walk {
 public:
  // known: whether the catalogue has a row for a path, whose size and time the walk must compare.
  Walk(const CatalogueUpdateHooks& hooks, std::function<bool(const std::string&)> known)
      : hooks_(hooks), known_(std::move(known)) {}

  void Root(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
      const int error = errno;
      // A root that is gone takes its rows with it; one that cannot be reached keeps them.
      if (error != ENOENT) Unlisted.push_back(path);
      return Say(path, std::strerror(error));
    }
    if (S_ISDIR(info.st_mode))
      Folder(path, info);
    else
      Files.push_back(Found(path, info));
  }

  std::vector<FoundFile> Files;
  std::vector<std::string> Unlisted;  // folders that could not be read: their rows stay
  bool AnyUnreadable = false;

 private:
  void Folder(const std::string& path, const struct stat& info) {
    if (!visited_.insert({info.st_dev, info.st_ino}).second) return;
    DIR* folder = ::opendir(path.c_str());
    if (!folder) {
      Unlisted.push_back(path);
      return Say(path, std::strerror(errno));
    }
    std::vector<std::pair<std::string, struct stat>> folders;
    std::vector<FoundFile> files;
    const std::string prefix = FolderPrefix(path);
    while (const dirent* child = ::readdir(folder)) {
      const std::string_view name = child->d_name;
      if (name == "." || name == "..") continue;
      std::string childPath = prefix + std::string(name);
      if (child->d_type == DT_REG && !known_(childPath)) {
        files.push_back({.Path = std::move(childPath), .Regular = true, .StatWhenRead = true});
        continue;
      }
      struct stat childInfo {};
      if (::fstatat(::dirfd(folder), child->d_name, &childInfo, 0) == 0) {
        if (S_ISDIR(childInfo.st_mode))
          folders.emplace_back(std::move(childPath), childInfo);
        else
          files.push_back(Found(std::move(childPath), childInfo));
        continue;
      }
      // A dangling link or a link loop: a file that cannot be read, with the link's own times.
      const int error = errno;
      if (::fstatat(::dirfd(folder), child->d_name, &childInfo, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone
      FoundFile found = Found(std::move(childPath), childInfo);
      found.Regular = false;
      found.Error = std::strerror(error);
      files.push_back(std::move(found));
    }
    ::closedir(folder);
    const auto byPath = [](const auto& a, const auto& b) { return PathOf(a) < PathOf(b); };
    std::sort(files.begin(), files.end(), byPath);
    std::sort(folders.begin(), folders.end(), byPath);
    std::move(files.begin(), files.end(), std::back_inserter(Files));
    for (const auto& [childPath, childInfo] : folders) Folder(childPath, childInfo);
  }

  static const std::string& PathOf(const FoundFile& file) { return file.Path; }
  static const std::string& PathOf(const std::pair<std::string, struct stat>& folder) { return folder.first; }

  void Say(const std::string& path, std::string_view why) {
    AnyUnreadable = true;
    if (hooks_.Notice) hooks_.Notice("cannot read " + path + ": " + std::string(why));
  }

  const CatalogueUpdateHooks& hooks_;
  std::function<bool(const std::string&)> known_;
  std::set<std::pair<dev_t, ino_t>> visited_;
};

// Reads what the catalogue keeps of a file: its first record's header.
CatalogueEntry ReadEntry(const FoundFile& found) {
  CatalogueEntry entry{.Path = found.Path, .Bytes = found.Bytes, .ModifiedNs = found.ModifiedNs, .Error = found.Error};
  if (entry.Error) return entry;
  if (!found.Regular) {
    entry.Error = "it is not a regular file";
    return entry;
  }
  // A size and time from the walk stay: should the file change after it, the next run reads it again.
  ReadEntryHeader(entry, found.StatWhenRead);
  return entry;
}

// Writes rows in transactions of BatchRows; what was committed stays whatever happens next.
class BatchedWrites {
 public:
  BatchedWrites(SqliteDatabase& db, const CatalogueUpdateHooks& hooks)
      : db_(db),
        hooks_(hooks),
        insert_(db.Prepare("INSERT OR REPLACE INTO files (" + std::string(EntryColumns) +
                           ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, "
                           "?18, ?19, ?20, ?21, ?22)")),
        remove_(db.Prepare("DELETE FROM files WHERE path = ?1")) {}

  void Insert(const CatalogueEntry& entry) {
    Begin();
    BindEntry(insert_, entry);
    insert_.Step();
    insert_.Reset();
    Written();
  }

  void Remove(const std::string& path) {
    Begin();
    remove_.BindBlob(1, path);
    remove_.Step();
    remove_.Reset();
    Written();
  }

  void Finish() {
    if (transaction_) Commit();
  }

 private:
  void Begin() {
    if (!transaction_) transaction_.emplace(db_);
  }
  void Written() {
    if (++rows_ == std::max<std::size_t>(hooks_.BatchRows, 1)) Commit();
  }
  void Commit() {
    transaction_->Commit();
    transaction_.reset();
    rows_ = 0;
    ++batches_;
    if (hooks_.Committed) hooks_.Committed(batches_);
  }

  SqliteDatabase& db_;
  const CatalogueUpdateHooks& hooks_;
  SqliteStatement insert_, remove_;
  std::optional<SqliteTransaction> transaction_;
  std::size_t rows_ = 0, batches_ = 0;
};

// The rows under root, to be compared with the walk.
void LoadKnownRows(SqliteDatabase& db, const std::string& root, std::unordered_map<std::string, KnownRow>& known) {
  // Blobs sort by their bytes: everything under "/a/b/" lies between "/a/b/" and "/a/b0".
  std::string low = FolderPrefix(root), high = low;
  high.back() = '/' + 1;
  SqliteStatement rows = db.Prepare(
      "SELECT path, bytes, modified_ns, error IS NOT NULL FROM files WHERE path = ?1 OR (path >= ?2 AND path < ?3)");
  rows.BindBlob(1, root);
  rows.BindBlob(2, low);
  rows.BindBlob(3, high);
  while (rows.Step())
    known.try_emplace(rows.Bytes(0), KnownRow{*rows.Integer(1), *rows.Integer(2), rows.Integer(3) == 1});
}

std::string AbsolutePath(const std::string& path) {
  std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
  while (absolute.size() > 1 && absolute.ends_with('/')) absolute.pop_back();
  return absolute;
}

// The catalogue's own files, when it lies among the files walked.
bool IsCatalogueFile(const std::string& path, const std::string& catalogue) {
  if (!path.starts_with(catalogue)) return false;
  const std::string_view suffix = std::string_view(path).substr(catalogue.size());
  return suffix.empty() || suffix == "-wal" || suffix == "-shm" || suffix == "-journal";
}

CatalogueUpdateCounts Update(SqliteDatabase& db, const std::string& catalogue, const std::vector<std::string>& paths,
                             const CatalogueUpdateHooks& hooks) {
  const std::string ownPath = AbsolutePath(catalogue);
  std::vector<std::string> roots;
  for (const std::string& path : paths) roots.push_back(AbsolutePath(path));
  std::unordered_map<std::string, KnownRow> known;
  for (const std::string& root : roots) LoadKnownRows(db, root, known);
  Walk walk(hooks, [&known](const std::string& path) { return known.contains(path); });
  for (const std::string& root : roots) walk.Root(root);

  CatalogueUpdateCounts counts;
  counts.AnyUnreadable = walk.AnyUnreadable;
  std::vector<const FoundFile*> toRead;
  // A file named twice (overlapping paths) is counted once; one path walks each folder once.
  std::set<std::string_view> taken;
  for (const FoundFile& file : walk.Files) {
    if ((roots.size() > 1 && !taken.insert(file.Path).second) || IsCatalogueFile(file.Path, ownPath)) continue;
    const auto row = known.find(file.Path);
    if (row == known.end()) {
      toRead.push_back(&file);
      continue;
    }
    row->second.Seen = true;
    const KnownRow& was = row->second;
    // A regular file that could not be read is tried again: it may have become readable.
    if (was.Bytes == file.Bytes && was.ModifiedNs == file.ModifiedNs && !(was.HadError && file.Regular))
      ++counts.Unchanged;
    else
      toRead.push_back(&file);
  }

  BatchedWrites writes(db, hooks);
  // Files are read on every core, a run of them at a time, while this thread writes their rows in walk order.
  std::size_t next = 0, written = 0;
  const OrderedSteps<std::size_t, std::vector<CatalogueEntry>> steps{
      .Next = [&]() -> std::optional<std::size_t> {
        if (next == toRead.size()) return std::nullopt;
        const std::size_t first = next;
        next = std::min(next + FilesPerRead, toRead.size());
        return first;
      },
      .Work =
          [&](std::size_t, std::size_t&& first) {
            std::vector<CatalogueEntry> entries;
            for (std::size_t i = first; i < std::min(first + FilesPerRead, toRead.size()); ++i)
              entries.push_back(ReadEntry(*toRead[i]));
            return entries;
          },
      .Finish = {},
      .Deliver =
          [&](std::size_t, std::vector<CatalogueEntry>&& entries) {
            for (const CatalogueEntry& entry : entries) {
              const FoundFile& file = *toRead[written];
              writes.Insert(entry);
              if (known.contains(file.Path))
                ++counts.Changed;
              else
                ++counts.Added;
              if (entry.Error && file.Regular) {
                counts.AnyUnreadable = true;
                if (hooks.Notice)
                  hooks.Notice("cannot read " + file.Path + ": " + *entry.Error + " (catalogued as not a frame)");
              }
              if (hooks.Read) hooks.Read(written, toRead.size(), file.Path);
              ++written;
            }
          },
      .Stopped = hooks.Stopped,
  };
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  RunInOrder(workers, 0, 2 * std::size_t(workers), steps);
  counts.Interrupted = written < toRead.size();
  if (!counts.Interrupted) {
    for (const auto& row : known) {
      const std::string& path = row.first;
      const bool inUnlisted = std::any_of(walk.Unlisted.begin(), walk.Unlisted.end(),
                                          [&path](const std::string& folder) { return IsUnder(path, folder); });
      if (row.second.Seen || inUnlisted) continue;
      writes.Remove(path);
      ++counts.Removed;
    }
  }
  writes.Finish();
  return counts;
}

}  // namespace

CatalogueUpdateCounts UpdateCatalogue(Catalogue& catalogue, const std::vector<std::string>& paths,
                                      const CatalogueUpdateHooks& hooks) {
  try {
    return Update(catalogue.Database(), catalogue.Path(), paths, hooks);
  } catch (const SqliteError& error) {
    if (error.Busy())
      throw CatalogueError(catalogue.Path() +
                           ": the catalogue is busy (another update holds it); what was written "
                           "before stays, run again to finish");
    throw CatalogueError(catalogue.Path() + ": " + error.what() + "; what was written before stays");
  }
}

}  // namespace vantorel
