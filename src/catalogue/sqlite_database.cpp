#include "catalogue/sqlite_database.h"

#include <sqlite3.h>

namespace vantorel {

bool SqliteError::Busy() const { return code_ == SQLITE_BUSY || code_ == SQLITE_LOCKED; }
bool SqliteError::Damaged() const { return code_ == SQLITE_CORRUPT || code_ == SQLITE_NOTADB; }

SqliteDatabase::SqliteDatabase(const std::string& path, bool writable, int busyTimeoutMs) {
  const int flags = (writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY) |
                    SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
  const int result = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (result != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
    sqlite3_close(db_);
    throw SqliteError(result & 0xFF, message);
  }
  sqlite3_busy_timeout(db_, busyTimeoutMs);
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close(db_); }

void SqliteDatabase::Fail(int code) { throw SqliteError(code & 0xFF, sqlite3_errmsg(db_)); }

void SqliteDatabase::KeepLogOnClose() {
  const int result = sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  if (result != SQLITE_OK) Fail(result);
}

void SqliteDatabase::Execute(std::string_view sql) {
  SqliteStatement statement = Prepare(sql);
  while (statement.Step()) {
  }
}

SqliteStatement SqliteDatabase::Prepare(std::string_view sql) {
  sqlite3_stmt* statement = nullptr;
  const int result = sqlite3_prepare_v2(db_, sql.data(), int(sql.size()), &statement, nullptr);
  if (result != SQLITE_OK) Fail(result);
  return SqliteStatement(*this, statement);
}

std::int64_t SqliteDatabase::IntegerOf(std::string_view sql) {
  SqliteStatement statement = Prepare(sql);
  return statement.Step() ? statement.Integer(0).value_or(0) : 0;
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : database_(other.database_), statement_(other.statement_) {
  other.statement_ = nullptr;
}

void SqliteStatement::BindBlob(int index, std::string_view bytes) {
  // An empty blob is still a blob, not NULL: its pointer must not be null.
  static const char empty = 0;
  const int result =
      sqlite3_bind_blob64(statement_, index, bytes.empty() ? &empty : bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  if (result != SQLITE_OK) database_->Fail(result);
}

void SqliteStatement::BindText(int index, const std::optional<std::string>& text) {
  const int result =
      text ? sqlite3_bind_text64(statement_, index, text->data(), text->size(), SQLITE_TRANSIENT, SQLITE_UTF8)
           : sqlite3_bind_null(statement_, index);
  if (result != SQLITE_OK) database_->Fail(result);
}

void SqliteStatement::BindInteger(int index, std::optional<std::int64_t> value) {
  const int result = value ? sqlite3_bind_int64(statement_, index, *value) : sqlite3_bind_null(statement_, index);
  if (result != SQLITE_OK) database_->Fail(result);
}

void SqliteStatement::BindReal(int index, std::optional<double> value) {
  const int result = value ? sqlite3_bind_double(statement_, index, *value) : sqlite3_bind_null(statement_, index);
  if (result != SQLITE_OK) database_->Fail(result);
}

bool SqliteStatement::Step() {
  const int result = sqlite3_step(statement_);
  if (result == SQLITE_ROW) return true;
  if (result == SQLITE_DONE) return false;
  database_->Fail(result);
}

void SqliteStatement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

bool SqliteStatement::IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

std::string SqliteStatement::Bytes(int column) const {
  const void* bytes = sqlite3_column_blob(statement_, column);
  const int length = sqlite3_column_bytes(statement_, column);
  return bytes ? std::string(static_cast<const char*>(bytes), std::size_t(length)) : std::string();
}

std::optional<std::string> SqliteStatement::Text(int column) const {
  if (IsNull(column)) return std::nullopt;
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  return std::string(text, std::size_t(sqlite3_column_bytes(statement_, column)));
}

std::optional<std::int64_t> SqliteStatement::Integer(int column) const {
  if (IsNull(column)) return std::nullopt;
  return sqlite3_column_int64(statement_, column);
}

std::optional<double> SqliteStatement::Real(int column) const {
  if (IsNull(column)) return std::nullopt;
  return sqlite3_column_double(statement_, column);
}

SqliteTransaction::SqliteTransaction(SqliteDatabase& database) : database_(database) {
  database_.Execute("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
  if (!open_) return;
  try {
    database_.Execute("ROLLBACK");
  } catch (const SqliteError&) {
    // A failed commit may have rolled back already; nothing is left to undo.
  }
}

void SqliteTransaction::Commit() {
  database_.Execute("COMMIT");
  open_ = false;
}

}  // namespace vantorel
