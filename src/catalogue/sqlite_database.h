// A thin owner of an SQLite connection and its statements: errors become
// exceptions that carry SQLite's code, values are bound, never pasted into SQL.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace vantorel {

class SqliteError : public std::runtime_error {
 public:
  SqliteError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int Code() const { return code_; }  // the primary result code: SQLITE_BUSY, SQLITE_CORRUPT ...
  bool Busy() const;
  bool Damaged() const;  // not a database, or a damaged one

 private:
  int code_;
};

class SqliteStatement;

class SqliteDatabase {
 public:
  // Opens path read-only, or for writing and creating; throws SqliteError.
  SqliteDatabase(const std::string& path, bool writable, int busyTimeoutMs);
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  // Leaves the write-ahead log for the next writer to fold into the file,
  // rather than flushing both to disk at every close.
  void KeepLogOnClose();
  void Execute(std::string_view sql);
  SqliteStatement Prepare(std::string_view sql);
  // The first column of the first row of sql, as an integer (0 without a row).
  std::int64_t IntegerOf(std::string_view sql);
  [[noreturn]] void Fail(int code);

 private:
  sqlite3* db_ = nullptr;
};

class SqliteStatement {
 public:
  SqliteStatement(SqliteDatabase& database, sqlite3_stmt* statement) : database_(&database), statement_(statement) {}
  ~SqliteStatement();
  SqliteStatement(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  SqliteStatement& operator=(SqliteStatement&&) = delete;

  // Parameters counted from 1; nothing binds NULL.
  void BindBlob(int index, std::string_view bytes);
  void BindText(int index, const std::optional<std::string>& text);
  void BindInteger(int index, std::optional<std::int64_t> value);
  void BindReal(int index, std::optional<double> value);
  // Steps once: true while there is a row.
  bool Step();
  void Reset();  // for another run with new values

  bool IsNull(int column) const;  // columns counted from 0
  std::string Bytes(int column) const;
  std::optional<std::string> Text(int column) const;
  std::optional<std::int64_t> Integer(int column) const;
  std::optional<double> Real(int column) const;

 private:
  SqliteDatabase* database_;
  sqlite3_stmt* statement_;
};

// Commits only when told; rolls back when left any other way, an exception included.
class SqliteTransaction {
 public:
  explicit SqliteTransaction(SqliteDatabase& database);  // BEGIN IMMEDIATE: the write lock now, or busy now
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;
  void Commit();

 private:
  SqliteDatabase& database_;
  bool open_ = true;
};

}  // namespace vantorel
