// The catalogue: one SQLite file with a row for every file walked (its path
// as bytes, size, modification time, whether it is a frame, and the typed
// header), brought up to date by a walk that reads only what changed, and
// queried by a selection whose values reach SQLite only as bound parameters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "header/header_record.h"

namespace vantorel {

class SqliteDatabase;

// The layout of the tables; a newer program migrates an older catalogue.
inline constexpr int CatalogueVersion = 1;
// PRAGMA application_id of every catalogue ("VNTC"), so that another program's database is told apart.
inline constexpr std::int32_t CatalogueApplicationId = 0x564E5443;
// How long a write waits for another update's transaction before the catalogue is busy.
inline constexpr int CatalogueBusyTimeoutMs = 10'000;
// Rows written in one transaction: an interrupted update loses at most one batch of work.
inline constexpr std::size_t CatalogueBatchRows = 2000;

// One file as the catalogue holds it.
struct CatalogueEntry {
  std::string Path;  // absolute, the bytes the file system gave
  std::int64_t Bytes = 0;
  std::int64_t ModifiedNs = 0;  // since the epoch
  bool IsFrame = false;
  std::optional<std::string> Error{};    // why the file could not be read
  std::optional<HeaderRecord> Header{};  // decoded from its first record, when it was read

  bool operator==(const CatalogueEntry&) const = default;
};

// Why a catalogue cannot be used; the message names the file and says that it was left as it is.
class CatalogueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Catalogue {
 public:
  enum class Access { Read, Update };
  // Opens, creates (Update, for a new or empty file) or migrates the catalogue at path. Refuses,
  // with a CatalogueError and without a write, a file that is not a catalogue or a damaged one.
  Catalogue(const std::string& path, Access access, int busyTimeoutMs = CatalogueBusyTimeoutMs);
  ~Catalogue();
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  SqliteDatabase& Database() { return *database_; }
  const std::string& Path() const { return path_; }

 private:
  void Check(Access access);
  void Create();
  void Migrate(int fromVersion);

  std::string path_;
  std::unique_ptr<SqliteDatabase> database_;
};

struct CatalogueUpdateHooks {
  std::function<bool()> Stopped{};  // asked between files: finish the batch and stop
  std::function<void(std::size_t, std::size_t, std::string_view)> Read{};  // (i, n, path) for each file read
  std::function<void(std::string_view)> Notice{};                          // a file or folder that could not be read
  std::function<void(std::size_t)> Committed{};                            // after each batch, with the batches so far
  std::size_t BatchRows = CatalogueBatchRows;
};

struct CatalogueUpdateCounts {
  std::size_t Added = 0, Changed = 0, Removed = 0, Unchanged = 0;
  bool Interrupted = false;  // stopped before the end: nothing removed, the next run completes it
  bool AnyUnreadable = false;

  bool operator==(const CatalogueUpdateCounts&) const = default;
};

// Walks paths (files and folders, recursively; a folder reached again through a
// link is not walked twice) and brings their rows up to date: files of the same
// size and modification time are not read again, rows of files that are gone
// from under paths are removed. Rows under a folder that could not be listed stay.
// Throws CatalogueError when the catalogue cannot be written (busy, full, read-only).
CatalogueUpdateCounts UpdateCatalogue(Catalogue& catalogue, const std::vector<std::string>& paths,
                                      const CatalogueUpdateHooks& hooks = {});

// What --select asks for; every value is matched as data, never as SQL.
struct CatalogueSelection {
  std::optional<std::string> DataSet{};             // the NSSDC id (PSPA-00108) or the header's code (MVM73), any case
  std::optional<std::string> Camera{};              // A or B, any case
  std::optional<std::string> Filter{};              // the filter name, any case
  std::optional<std::string> From{}, To{};          // ISO times as SelectionTime gives them; To takes in all it begins
  std::optional<std::int64_t> FdsLow{}, FdsHigh{};  // FDS count or picture number, both ends included
  std::optional<std::string> NameGlob{};            // the file name, as a shell matches it
  bool All = false;                                 // files that are not frames too
};

// The entries selected, by path.
std::vector<CatalogueEntry> SelectEntries(Catalogue& catalogue, const CatalogueSelection& selection);

// "1974", "1974-03", "1974-03-30", "1974-089" (a day of the year), "1974-03-30T20",
// "1974-03-30T20:47", "1974-03-30T20:47:13": as the ISO prefix observation times are
// compared with; nothing for anything else.
std::optional<std::string> SelectionTime(std::string_view text);

}  // namespace vantorel
