#include "catalogue/catalogue.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "catalogue/catalogue_rows.h"
#include "frames/file_name.h"

namespace vantorel {

namespace {

constexpr std::string_view SqliteFileMark{"SQLite format 3\0", 16};

// Version 1. The views are what people ask most; README.md describes them all.
constexpr std::string_view SchemaSql = R"(
CREATE TABLE files (
  path BLOB PRIMARY KEY NOT NULL,
  name BLOB NOT NULL,
  bytes INTEGER NOT NULL,
  modified_ns INTEGER NOT NULL,
  is_frame INTEGER NOT NULL,
  error TEXT,
  layout TEXT,
  spacecraft TEXT,
  nssdc_data_set_id TEXT,
  data_set_code TEXT,
  fds_count TEXT,
  picture_number TEXT,
  camera TEXT,
  filter_number INTEGER,
  filter_name TEXT,
  exposure_seconds REAL,
  observed_year TEXT,
  observed_day TEXT,
  observed_gmt TEXT,
  observed TEXT,
  target TEXT,
  revolution INTEGER
) WITHOUT ROWID;
CREATE INDEX files_by_observed ON files (observed);
CREATE VIEW frames AS SELECT * FROM files WHERE is_frame = 1;
CREATE VIEW by_day AS
  SELECT substr(observed, 1, 10) AS day, spacecraft, count(*) AS frames, min(observed) AS first, max(observed) AS last
  FROM frames WHERE observed IS NOT NULL GROUP BY day, spacecraft ORDER BY day, spacecraft;
CREATE VIEW by_filter AS
  SELECT spacecraft, camera, filter_name, count(*) AS frames
  FROM frames GROUP BY spacecraft, camera, filter_name ORDER BY spacecraft, camera, filter_name;
)";

// Migrations[v - 1] takes a catalogue of version v to v + 1, in the same transaction as the new user_version.
constexpr std::array<std::string_view, CatalogueVersion - 1> Migrations{};

std::string LeftAlone(const std::string& path, std::string_view why) {
  std::string message = path;
  message += ' ';
  message += why;
  message += "; it is left as it is";
  return message;
}

std::optional<std::string> Text(const std::optional<char>& c) {
  if (!c) return std::nullopt;
  return std::string(1, *c);
}

std::optional<DataSet> DataSetNamed(const std::optional<std::string>& name) {
  for (const DataSet dataSet : {DataSet::Mariner10, DataSet::Mariner9})
    if (name && *name == SpacecraftName(dataSet)) return dataSet;
  return std::nullopt;
}

std::optional<std::string> NameOf(std::optional<DataSet> dataSet) {
  if (!dataSet) return std::nullopt;
  return std::string(SpacecraftName(*dataSet));
}

std::optional<int> Narrow(std::optional<std::int64_t> value) {
  if (!value) return std::nullopt;
  return int(*value);
}

bool AllDigits(std::string_view text, std::string_view pattern) {
  if (text.size() != pattern.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (pattern[i] == 'd' ? text[i] < '0' || text[i] > '9' : text[i] != pattern[i]) return false;
  return true;
}

// "PRAGMA name = value" for our own constants.
std::string Pragma(std::string_view name, std::int64_t value) {
  std::string sql("PRAGMA ");
  sql += name;
  sql += " = ";
  sql += std::to_string(value);
  return sql;
}

// "?3": the numbered parameter.
std::string Parameter(std::size_t number) {
  std::string text("?");
  text += std::to_string(number);
  return text;
}

}  // namespace

void BindEntry(SqliteStatement& statement, const CatalogueEntry& entry) {
  const HeaderRecord record = entry.Header.value_or(HeaderRecord{});
  const bool read = entry.Header.has_value();
  const auto maybe = [read](auto value) { return read ? value : decltype(value){}; };
  statement.BindBlob(1, entry.Path);
  statement.BindBlob(2, FileNamePart(entry.Path));
  statement.BindInteger(3, entry.Bytes);
  statement.BindInteger(4, entry.ModifiedNs);
  statement.BindInteger(5, entry.IsFrame ? 1 : 0);
  statement.BindText(6, entry.Error);
  statement.BindText(7, maybe(NameOf(record.Kind)));
  statement.BindText(8, NameOf(record.Spacecraft));
  statement.BindText(9, maybe(std::optional(record.NssdcDataSetId)));
  statement.BindText(10, record.HeaderDataSetCode);
  statement.BindText(11, record.FdsCount);
  statement.BindText(12, record.PictureNumber);
  statement.BindText(13, Text(record.Camera));
  statement.BindInteger(14, record.FilterNumber);
  statement.BindText(15, record.FilterName);
  statement.BindReal(16, record.ExposureSeconds);
  statement.BindText(17, record.Observed.Year);
  statement.BindText(18, record.Observed.DayOfYear);
  statement.BindText(19, record.Observed.Gmt);
  statement.BindText(20, record.Observed.Utc);
  statement.BindText(21, record.Target);
  statement.BindInteger(22, record.Revolution);
}

CatalogueEntry EntryOf(const SqliteStatement& row) {
  CatalogueEntry entry{.Path = row.Bytes(0),
                       .Bytes = row.Integer(2).value_or(0),
                       .ModifiedNs = row.Integer(3).value_or(0),
                       .IsFrame = row.Integer(4).value_or(0) == 1,
                       .Error = row.Text(5)};
  const std::optional<DataSet> layout = DataSetNamed(row.Text(6));
  if (!layout) return entry;
  const std::optional<std::string> camera = row.Text(12);
  entry.Header = HeaderRecord{
      .Kind = *layout,
      .Spacecraft = DataSetNamed(row.Text(7)),
      .NssdcDataSetId = row.Text(8).value_or(""),
      .HeaderDataSetCode = row.Text(9),
      .FdsCount = row.Text(10),
      .PictureNumber = row.Text(11),
      .Camera = camera && camera->size() == 1 ? std::optional(camera->front()) : std::nullopt,
      .FilterNumber = Narrow(row.Integer(13)),
      .FilterName = row.Text(14),
      .ExposureSeconds = row.Real(15),
      .Observed = {row.Text(16), row.Text(17), row.Text(18), row.Text(19)},
      .Target = row.Text(20),
      .Revolution = Narrow(row.Integer(21)),
  };
  return entry;
}

Catalogue::Catalogue(const std::string& path, Access access, int busyTimeoutMs) : path_(path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT || access == Access::Read) throw CatalogueError(path + ": " + std::strerror(errno));
  } else if (!S_ISREG(info.st_mode)) {
    throw CatalogueError(LeftAlone(path, "is not a catalogue (not a regular file)"));
  } else if (info.st_size > 0) {
    // Anything but an SQLite file is refused before SQLite sees it.
    std::array<char, SqliteFileMark.size()> mark{};
    std::ifstream file(path, std::ios::binary);
    if (!file) throw CatalogueError(path + ": " + std::strerror(errno));
    file.read(mark.data(), mark.size());
    if (std::string_view(mark.data(), std::size_t(file.gcount())) != SqliteFileMark)
      throw CatalogueError(LeftAlone(path, "is not a catalogue"));
  }
  try {
    database_ = std::make_unique<SqliteDatabase>(path, access == Access::Update, busyTimeoutMs);
    // In WAL mode a commit without its own flush still never tears the catalogue; a
    // power cut costs at most the last batches, which the next run reads again.
    if (access == Access::Update) {
      database_->Execute("PRAGMA synchronous = NORMAL");
      database_->KeepLogOnClose();
    }
    Check(access);
  } catch (const SqliteError& error) {
    if (error.Damaged()) throw CatalogueError(LeftAlone(path, std::string("is damaged (") + error.what() + ")"));
    if (error.Busy()) throw CatalogueError(path + ": the catalogue is busy (another update holds it)");
    throw CatalogueError(path + ": " + error.what());
  }
}

Catalogue::~Catalogue() = default;

void Catalogue::Check(Access access) {
  SqliteDatabase& db = *database_;
  const std::int64_t applicationId = db.IntegerOf("PRAGMA application_id");
  const std::int64_t version = db.IntegerOf("PRAGMA user_version");
  // A new file, or one whose creation was cut short: nothing in it to lose.
  if (applicationId == 0 && version == 0 && db.IntegerOf("SELECT count(*) FROM sqlite_schema") == 0) {
    if (access == Access::Read) throw CatalogueError(path_ + " is empty: make it with --catalog");
    return Create();
  }
  if (applicationId != CatalogueApplicationId) throw CatalogueError(LeftAlone(path_, "is not a catalogue"));
  if (version > CatalogueVersion) {
    std::string why("was made by a newer program (catalogue version ");
    why += std::to_string(version) + ", this one knows up to " + std::to_string(CatalogueVersion) + ")";
    throw CatalogueError(LeftAlone(path_, why));
  }
  if (version < 1) throw CatalogueError(LeftAlone(path_, "is damaged (no catalogue version)"));
  {
    SqliteStatement check = db.Prepare("PRAGMA quick_check");
    const std::optional<std::string> verdict = check.Step() ? check.Text(0) : std::nullopt;
    if (verdict != "ok") {
      std::string why("is damaged (");
      why += verdict.value_or("?") + ")";
      throw CatalogueError(LeftAlone(path_, why));
    }
  }
  if (version < CatalogueVersion) {
    if (access == Access::Read) throw CatalogueError(path_ + " is an older catalogue: update it with --catalog first");
    Migrate(int(version));
  }
}

void Catalogue::Create() {
  SqliteDatabase& db = *database_;
  // WAL: readers see the last committed batch while an update writes the next.
  db.Execute("PRAGMA journal_mode = WAL");
  {
    SqliteTransaction transaction(db);
    // Another update may have made it while this one waited for the lock.
    const bool madeMeanwhile = db.IntegerOf("SELECT count(*) FROM sqlite_schema") != 0;
    if (!madeMeanwhile) {
      for (std::string_view rest = SchemaSql; !rest.empty();) {
        const std::size_t end = rest.find(';');
        const std::string_view statement = rest.substr(0, end);
        if (statement.find_first_not_of(" \n") != std::string_view::npos) db.Execute(statement);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
      }
      db.Execute(Pragma("application_id", CatalogueApplicationId));
      db.Execute(Pragma("user_version", CatalogueVersion));
      transaction.Commit();
      return;
    }
  }
  Check(Access::Update);
}

void Catalogue::Migrate(int fromVersion) {
  SqliteDatabase& db = *database_;
  SqliteTransaction transaction(db);
  for (int version = fromVersion; version < CatalogueVersion; ++version)
    db.Execute(Migrations[std::size_t(version - 1)]);
  db.Execute(Pragma("user_version", CatalogueVersion));
  transaction.Commit();
}

std::optional<std::string> SelectionTime(std::string_view text) {
  if (AllDigits(text, "dddd-ddd")) {
    const int year = std::stoi(std::string(text.substr(0, 4))), day = std::stoi(std::string(text.substr(5)));
    return UtcTimestamp(year, day, "");
  }
  constexpr std::string_view Full = "dddd-dd-ddTdd:dd:dd";
  for (const std::size_t length : {4, 7, 10, 13, 16, 19})
    if (AllDigits(text, Full.substr(0, length))) return std::string(text);
  return std::nullopt;
}

std::vector<CatalogueEntry> SelectEntries(Catalogue& catalogue, const CatalogueSelection& selection) {
  std::string sql = "SELECT ";
  sql += EntryColumns;
  sql += " FROM files WHERE 1";
  std::vector<std::string> texts;
  std::vector<std::int64_t> numbers;  // bound after the texts
  const auto where = [&](std::string_view condition, const std::optional<std::string>& value) {
    if (!value) return;
    sql += " AND ";
    std::string numbered(condition);
    for (std::size_t at; (at = numbered.find('$')) != std::string::npos;)
      numbered.replace(at, 1, Parameter(texts.size() + 1));
    sql += numbered;
    texts.push_back(*value);
  };
  if (!selection.All) sql += " AND is_frame = 1";
  where("(nssdc_data_set_id = $ COLLATE NOCASE OR data_set_code = $ COLLATE NOCASE)", selection.DataSet);
  where("camera = $ COLLATE NOCASE", selection.Camera);
  where("filter_name = $ COLLATE NOCASE", selection.Filter);
  where("observed >= $", selection.From);
  // "1974-03-30" as the end takes in every time of that day.
  where("(observed <= $ OR substr(observed, 1, length($)) = $)", selection.To);
  where("CAST(name AS TEXT) GLOB $", selection.NameGlob);
  const int firstNumber = int(texts.size()) + 1;
  if (selection.FdsLow || selection.FdsHigh) {
    // Only whole numbers count: Mariner 9's "0123-4567" is no number to compare.
    sql +=
        " AND coalesce(fds_count, picture_number) NOT GLOB '*[^0-9]*' AND CAST(coalesce(fds_count, picture_number) "
        "AS INTEGER) BETWEEN ";
    sql += Parameter(std::size_t(firstNumber)) + " AND " + Parameter(std::size_t(firstNumber) + 1);
    numbers = {selection.FdsLow.value_or(INT64_MIN), selection.FdsHigh.value_or(INT64_MAX)};
  }
  sql += " ORDER BY path";
  try {
    SqliteStatement statement = catalogue.Database().Prepare(sql);
    for (std::size_t i = 0; i < texts.size(); ++i) statement.BindText(int(i) + 1, texts[i]);
    for (std::size_t i = 0; i < numbers.size(); ++i) statement.BindInteger(firstNumber + int(i), numbers[i]);
    std::vector<CatalogueEntry> entries;
    while (statement.Step()) entries.push_back(EntryOf(statement));
    return entries;
  } catch (const SqliteError& error) {
    throw CatalogueError(catalogue.Path() + ": " + error.what());
  }
}

}  // namespace vantorel
