#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "catalogue/folder_entries.h"
#include "catalogue/sqlite_database.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// File name -> entry, of everything the catalogue holds.
std::map<std::string, CatalogueEntry> Rows(const std::string& db) {
  Catalogue catalogue(db, Catalogue::Access::Read);
  std::map<std::string, CatalogueEntry> rows;
  for (CatalogueEntry& entry : SelectEntries(catalogue, {.All = true}))
    rows.emplace(fs::path(entry.Path).filename().string(), std::move(entry));
  return rows;
}

CatalogueUpdateCounts Update(const std::string& db, const std::vector<std::string>& paths,
                             const CatalogueUpdateHooks& hooks = {}) {
  Catalogue catalogue(db, Catalogue::Access::Update);
  return UpdateCatalogue(catalogue, paths, hooks);
}

void CopySample(const std::string& name, const std::string& to) {
  fs::copy_file(VANTOREL_SAMPLES_DIR "/" + name, to, fs::copy_options::overwrite_existing);
}

TEST(Catalogue, RowOfEachSampleIsItsTypedHeader) {
  TempDir dir;
  const std::string db = dir / "c.db";
  testing::WriteBytes(dir / "notes.txt", {'h', 'i'});
  const CatalogueUpdateCounts counts = Update(db, {VANTOREL_SAMPLES_DIR, dir / "notes.txt"});
  const auto samples = testing::SampleHeaderRecords();
  const auto rows = Rows(db);
  EXPECT_EQ(counts.Added, rows.size());
  for (const auto& [name, record] : samples) {
    const CatalogueEntry& row = rows.at(name);
    EXPECT_EQ(row.Path, fs::canonical(VANTOREL_SAMPLES_DIR "/" + name).string());
    EXPECT_EQ(row.Bytes, std::int64_t(fs::file_size(row.Path))) << name;
    EXPECT_TRUE(row.IsFrame && !row.Error) << name;
    EXPECT_TRUE(row.Header == record) << name;
  }
  // Read, decoded as the window would, and no frame.
  const CatalogueEntry& notes = rows.at("notes.txt");
  EXPECT_EQ(notes.Bytes, 2);
  EXPECT_FALSE(notes.IsFrame);
  ASSERT_TRUE(notes.Header);
  EXPECT_FALSE(notes.Header->Spacecraft);
}

TEST(FolderEntries, SamplesAndOddFilesAsAnUpdateReadsThem) {
  std::string error;
  std::map<std::string, CatalogueEntry> samples;
  for (CatalogueEntry& entry : ReadFolderEntries(VANTOREL_SAMPLES_DIR, error))
    samples[fs::path(entry.Path).filename().string()] = std::move(entry);
  for (const auto& [name, record] : testing::SampleHeaderRecords()) {
    const CatalogueEntry& entry = samples[name];
    EXPECT_TRUE(entry.IsFrame && !entry.Error && entry.Header == record) << name;
  }
  EXPECT_EQ(error, "");

  TempDir dir;
  testing::WriteBytes(dir / "notes.txt", {'h', 'i'});
  testing::WriteBytes(dir / "empty.001", {});
  ASSERT_EQ(::mkfifo((dir / "pipe.001").c_str(), 0600), 0);
  fs::create_symlink("loop.001", dir / "loop.001");
  fs::create_directory(dir / "sub");
  // Name, and whether it could not be read; the folder is left out, nothing is a frame.
  const std::vector<std::pair<std::string, bool>> expected = {
      {"empty.001", false}, {"loop.001", true}, {"notes.txt", false}, {"pipe.001", true}};
  std::vector<std::pair<std::string, bool>> read;
  for (const CatalogueEntry& entry : ReadFolderEntries(dir.Path().string(), error)) {
    read.emplace_back(fs::path(entry.Path).filename().string(), entry.Error.has_value());
    EXPECT_FALSE(entry.IsFrame) << entry.Path;
    EXPECT_EQ(entry.Header.has_value(), !entry.Error) << entry.Path;
  }
  EXPECT_EQ(read, expected);
  ReadFolderEntries(dir / "gone", error);
  EXPECT_NE(error, "");
}

TEST(Catalogue, SecondRunReadsOnlyWhatChangedAndDropsWhatIsGone) {
  TempDir dir;
  const std::string db = dir / "c.db", frames = dir / "frames";
  fs::create_directories(frames + "/deep");
  CopySample("MVE0101.012", frames + "/a.img");
  CopySample("MVE0257.120", frames + "/deep/b.img");
  CopySample("MVE0301.230", frames + "/c.img");
  fs::create_directory_symlink(".", frames + "/deep/loop");  // walked once, not forever
  EXPECT_EQ(Update(db, {frames}), (CatalogueUpdateCounts{.Added = 3}));
  EXPECT_EQ(Update(db, {frames}), (CatalogueUpdateCounts{.Unchanged = 3}));
  CopySample("MME0101.001", frames + "/deep/b.img");  // same name, another frame
  fs::remove(frames + "/c.img");
  CopySample("MVE0301.230", frames + "/d.img");
  EXPECT_EQ(Update(db, {frames}), (CatalogueUpdateCounts{.Added = 1, .Changed = 1, .Removed = 1, .Unchanged = 1}));
  const auto rows = Rows(db);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows.at("b.img").Header->Spacecraft, DataSet::Mariner9);
  EXPECT_TRUE(rows.contains("d.img") && !rows.contains("c.img"));
  // Rows outside the paths walked stay.
  EXPECT_EQ(Update(db, {frames + "/deep"}), (CatalogueUpdateCounts{.Unchanged = 1}));
  EXPECT_EQ(Rows(db).size(), 3u);
}

TEST(Catalogue, InterruptedUpdateLeavesWholeBatchesAndTheNextRunFinishes) {
  TempDir dir;
  const std::string db = dir / "c.db";
  for (const char* name : {"1", "2", "3", "4", "5"}) CopySample("MVE0101.012", dir / name);
  const CatalogueUpdateHooks failing{.Committed =
                                         [](std::size_t batches) {
                                           if (batches == 1) throw std::runtime_error("stopped");
                                         },
                                     .BatchRows = 2};
  const std::vector<std::string> paths = {dir / "1", dir / "2", dir / "3", dir / "4", dir / "5"};
  EXPECT_THROW(Update(db, paths, failing), std::runtime_error);
  {
    SqliteDatabase raw(db, false, 0);
    SqliteStatement check = raw.Prepare("PRAGMA integrity_check");
    ASSERT_TRUE(check.Step());
    EXPECT_EQ(check.Text(0), "ok");
    EXPECT_EQ(raw.IntegerOf("SELECT count(*) FROM files"), 2);
  }
  EXPECT_EQ(Update(db, paths), (CatalogueUpdateCounts{.Added = 3, .Unchanged = 2}));
}

// Each is refused with words that say why, and its bytes stay as they were.
TEST(Catalogue, RefusesWhatIsNotAUsableCatalogueAndLeavesItAlone) {
  TempDir dir;
  testing::WriteBytes(dir / "text", {'a', 'b', '\n'});
  SqliteDatabase(dir / "other.db", true, 0).Execute("CREATE TABLE t (x)");
  { Catalogue made(dir / "newer.db", Catalogue::Access::Update); }
  SqliteDatabase(dir / "newer.db", true, 0).Execute("PRAGMA user_version = 99");
  { Catalogue made(dir / "damaged.db", Catalogue::Access::Update); }
  SqliteDatabase(dir / "damaged.db", true, 0).Execute("PRAGMA wal_checkpoint(TRUNCATE)");
  std::vector<std::uint8_t> damaged = testing::ReadBytes(dir / "damaged.db");
  ASSERT_GT(damaged.size(), 4096u);
  std::fill(damaged.begin() + 4096, damaged.end(), 0xA5);  // every page after the first
  testing::WriteBytes(dir / "damaged.db", damaged);
  const struct {
    const char* Name;
    const char* Says;
  } table[] = {{"text", "is not a catalogue"},
               {"other.db", "is not a catalogue"},
               {"newer.db", "newer program"},
               {"damaged.db", "is damaged"}};
  for (const auto& row : table) {
    const std::vector<std::uint8_t> before = testing::ReadBytes(dir / row.Name);
    try {
      Catalogue catalogue(dir / row.Name, Catalogue::Access::Update);
      ADD_FAILURE() << row.Name << " was opened";
    } catch (const CatalogueError& error) {
      EXPECT_NE(std::string(error.what()).find(row.Says), std::string::npos) << row.Name << ": " << error.what();
    }
    EXPECT_EQ(testing::ReadBytes(dir / row.Name), before) << row.Name;
  }
}

TEST(Catalogue, SecondUpdateWhileOneWritesIsBusyAndLosesNothing) {
  TempDir dir;
  const std::string db = dir / "c.db";
  CopySample("MVE0101.012", dir / "a.img");
  Update(db, {dir / "a.img"});
  CopySample("MVE0257.120", dir / "a.img");
  SqliteDatabase holder(db, true, 0);
  holder.Execute("BEGIN IMMEDIATE");
  try {
    Catalogue second(db, Catalogue::Access::Update, 50);
    UpdateCatalogue(second, {dir / "a.img"});
    ADD_FAILURE() << "no wait for the other update";
  } catch (const CatalogueError& error) {
    EXPECT_NE(std::string(error.what()).find("busy"), std::string::npos) << error.what();
  }
  holder.Execute("COMMIT");
  EXPECT_EQ(Update(db, {dir / "a.img"}), (CatalogueUpdateCounts{.Changed = 1}));
}

TEST(CatalogueSelection, FiltersAsATable) {
  TempDir dir;
  const std::string db = dir / "c.db";
  for (const auto& [name, record] : testing::SampleHeaderRecords()) CopySample(name, dir / name);
  testing::WriteBytes(dir / "x%.txt", {'x'});
  Update(db, {dir.Path().string()});
  Catalogue catalogue(db, Catalogue::Access::Read);
  const struct {
    CatalogueSelection Selection;
    std::vector<std::string> Names;
  } table[] = {
      {{}, {"MME0101.001", "MVE0101.012", "MVE0257.120", "MVE0301.230"}},
      {{.All = true}, {"MME0101.001", "MVE0101.012", "MVE0257.120", "MVE0301.230", "x%.txt"}},
      {{.DataSet = "pspg-00235"}, {"MME0101.001"}},
      {{.DataSet = "mvm02"}, {"MVE0257.120"}},
      {{.Camera = "a"}, {"MVE0101.012", "MVE0301.230"}},
      {{.Filter = "CLEAR"}, {"MVE0101.012"}},
      {{.Filter = "yellow bandpass", .NameGlob = "MVE0257.*"}, {"MVE0257.120"}},
      {{.From = "1974-03-31"}, {"MVE0257.120", "MVE0301.230"}},
      {{.To = "1974-03-31"}, {"MME0101.001", "MVE0101.012", "MVE0257.120"}},
      {{.From = "1974-03-30T21", .To = "1974-04-01T11:30"}, {"MVE0257.120", "MVE0301.230"}},
      {{.FdsLow = 27000, .FdsHigh = 27114}, {"MVE0257.120"}},
      {{.FdsLow = 700, .FdsHigh = 712}, {"MME0101.001"}},
      {{.NameGlob = "MVE*"}, {"MVE0101.012", "MVE0257.120", "MVE0301.230"}},
      // Values are data: quotes, LIKE's % and SQL text match nothing but themselves.
      {{.Filter = "Clear' OR '1'='1"}, {}},
      {{.Camera = "A' --"}, {}},
      {{.DataSet = "%"}, {}},
      {{.NameGlob = "x%.txt", .All = true}, {"x%.txt"}},
      {{.NameGlob = "%", .All = true}, {}},
  };
  for (const auto& row : table) {
    std::vector<std::string> names;
    for (const CatalogueEntry& entry : SelectEntries(catalogue, row.Selection))
      names.push_back(fs::path(entry.Path).filename().string());
    EXPECT_EQ(names, row.Names) << (row.Names.empty() ? "nothing" : row.Names.front());
  }
}

TEST(CatalogueSelection, TimesAreIsoPrefixes) {
  for (const auto& [given, time] : std::initializer_list<std::pair<const char*, std::optional<std::string>>>{
           {"1974", "1974"},
           {"1974-03-30T20:47", "1974-03-30T20:47"},
           {"1974-089", "1974-03-30"},
           {"1972-060", "1972-02-29"},
           {"1974-400", std::nullopt},
           {"1974-3-30", std::nullopt},
           {"1974-03-30 20", std::nullopt},
           {"' OR 1", std::nullopt}})
    EXPECT_EQ(SelectionTime(given), time) << given;
}

}  // namespace
}  // namespace vantorel
