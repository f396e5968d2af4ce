#include "sdk/analytics/foundation/SqliteStore.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>

#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::foundation::Data;

namespace {

// Statements are let go on every path: a kept one is reset (so it holds no read transaction open and
// no copy of its parameters), any other finalized.
struct Statement {
  sqlite3_stmt* handle = nullptr;
  bool kept = false;
  ~Statement() {
    if (!kept) {
      sqlite3_finalize(handle);
    } else if (handle) {
      sqlite3_reset(handle);
      sqlite3_clear_bindings(handle);
    }
  }
};

// The store's statements are mostly the same few texts, run again for every event; parsing them took
// a third of the time an event spends in the database. Texts made on the fly (lists of "?") beyond
// this many are prepared each time.
constexpr std::size_t kKeptStatements = 64;

bool bindAll(sqlite3_stmt* statement, const std::vector<SqliteStore::Value>& parameters) {
  if (static_cast<int>(parameters.size()) != sqlite3_bind_parameter_count(statement)) return false;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const auto& value = parameters[i];
    int slot = static_cast<int>(i + 1);
    int result = SQLITE_OK;
    if (value.isBool() || value.isInteger()) {
      result = sqlite3_bind_int64(statement, slot, value.toInt64());
    } else if (value.isReal() || value.isDate()) {
      result = sqlite3_bind_double(statement, slot, value.isDate() ? *value.date() : value.toDouble());
    } else if (const auto* text = value.string()) {
      result = sqlite3_bind_text(statement, slot, text->data(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
    } else if (const auto* data = value.data()) {
      result = sqlite3_bind_blob(statement, slot, data->data(), static_cast<int>(data->size()), SQLITE_TRANSIENT);
    } else {
      result = sqlite3_bind_null(statement, slot);
    }
    if (result != SQLITE_OK) return false;
  }
  return true;
}

SqliteStore::Value columnValue(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return SqliteStore::Value(static_cast<std::int64_t>(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
      return SqliteStore::Value(sqlite3_column_double(statement, column));
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      return SqliteStore::Value(std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))));
    }
    case SQLITE_BLOB: {
      const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
      return SqliteStore::Value::data(Data(bytes, bytes + sqlite3_column_bytes(statement, column)));
    }
    default:
      return SqliteStore::Value::null();
  }
}

}  // namespace

SqliteStore::SqliteStore(std::string path) : path_(std::move(path)) {}

SqliteStore::~SqliteStore() {
  finalizeKeptStatements();
  sqlite3_close_v2(db_);
}

void SqliteStore::finalizeKeptStatements() {
  for (auto& [sql, statement] : keptStatements_) sqlite3_finalize(statement);
  keptStatements_.clear();
}

std::shared_ptr<SqliteStore> SqliteStore::initWithDatabasePath(const std::string& path, Error* error) {
  if (path.empty()) {
    setMeasurementError(error, kErrorOpen, "Cannot open a database without a path");
    return nullptr;
  }
  std::shared_ptr<SqliteStore> store(new SqliteStore(path));
  if (!store->open(error)) return nullptr;
  return store;
}

bool SqliteStore::openFile(Error* error) {
  finalizeKeptStatements();
  sqlite3_close_v2(db_);
  db_ = nullptr;
  if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    if (error) *error = sqliteError("Failed to open database " + path_);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    return false;
  }
  sqlite3_busy_timeout(db_, 5000);
  // Every commit is already flushed to the write-ahead log, so the checkpoint SQLite makes when the last
  // connection closes only copies it again, with its own flushes, on the main thread as the app ends; the
  // next open reads the log instead, and the usual checkpoints keep it small.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  // Reading the schema finds a file that is not a database; the quick check finds damaged pages in one
  // that is (the analytics files are small, so this costs little at each open).
  if (!runSimple("PRAGMA journal_mode=WAL", error) || !runSimple("PRAGMA synchronous=FULL", error)) return false;
  Error failure;
  auto check = recordsForQuery("PRAGMA quick_check(1)", {}, &failure);
  if (check && check->size() == 1 && check->front().begin()->second.toString() == "ok") return true;
  damaged_ = true;
  if (error) *error = check ? measurementErrorWithCode(kErrorOpen, "Database file is damaged: " + path_) : failure;
  return false;
}

bool SqliteStore::open(Error* error) {
  if (openFile(error)) return true;
  int code = db_ ? sqlite3_errcode(db_) : SQLITE_CANTOPEN;
  if (!damaged_ && code != SQLITE_NOTADB && code != SQLITE_CORRUPT) return false;
  damaged_ = false;
  // Kept for whoever wants to look at it; the store starts again empty.
  std::string aside = path_ + ".damaged";
  finalizeKeptStatements();
  sqlite3_close_v2(db_);
  db_ = nullptr;
  std::error_code ignored;
  std::filesystem::rename(path_, aside, ignored);
  std::filesystem::remove(path_ + "-wal", ignored);
  std::filesystem::remove(path_ + "-shm", ignored);
  std::filesystem::remove(path_ + "-journal", ignored);
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kDamagedDatabaseMovedAside,
                                  "Database file is damaged. Moved aside and recreated. Path", Value(aside));
  return openFile(error);
}

bool SqliteStore::runSimple(const char* sql, Error* error) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  sqlite3_free(message);
  if (error) *error = sqliteError(std::string("Failed to run ") + sql);
  return false;
}

SqliteStore::Error SqliteStore::sqliteError(const std::string& what) const {
  std::string detail = db_ ? sqlite3_errmsg(db_) : "no database";
  Error e = measurementErrorWithCode(db_ ? kErrorStatement : kErrorClosed, what + ": " + detail);
  e.userInfo.set("SQLiteResultCode", Value(static_cast<std::int64_t>(db_ ? sqlite3_extended_errcode(db_) : 0)));
  return e;
}

bool SqliteStore::isPlainIdentifier(const std::string& name) {
  if (name.empty() || name.size() > 64 || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  }
  return true;
}

bool SqliteStore::prepare(const std::string& sql, const std::vector<Value>& parameters, sqlite3_stmt** statement,
                             bool* kept, Error* error) {
  if (!db_) {
    setMeasurementError(error, kErrorClosed, "The database is closed");
    return false;
  }
  if (auto found = keptStatements_.find(sql); found != keptStatements_.end()) {
    *statement = found->second;
    *kept = true;
  } else {
    const bool keep = keptStatements_.size() < kKeptStatements;
    if (sqlite3_prepare_v3(db_, sql.c_str(), -1, keep ? SQLITE_PREPARE_PERSISTENT : 0, statement, nullptr) !=
        SQLITE_OK) {
      if (error) *error = sqliteError("Failed to prepare statement");
      return false;
    }
    // A text holding more than one statement runs only its first; it is never kept.
    *kept = keep && *statement;
    if (*kept) keptStatements_.emplace(sql, *statement);
  }
  if (!bindAll(*statement, parameters)) {
    setMeasurementError(error, kErrorStatement, "Failed to bind parameters of: " + sql);
    return false;
  }
  return true;
}

std::optional<std::int64_t> SqliteStore::executeStatement(const std::string& sql, const std::vector<Value>& parameters,
                                                             Error* error) {
  std::lock_guard lock(mutex_);
  Statement statement;
  if (!prepare(sql, parameters, &statement.handle, &statement.kept, error)) return std::nullopt;
  int result;
  while ((result = sqlite3_step(statement.handle)) == SQLITE_ROW) {
  }
  if (result != SQLITE_DONE) {
    if (error) *error = sqliteError("Failed to run statement");
    return std::nullopt;
  }
  return static_cast<std::int64_t>(sqlite3_changes(db_));
}

std::optional<std::vector<SqliteStore::Row>> SqliteStore::recordsForQuery(const std::string& sql,
                                                                               const std::vector<Value>& parameters,
                                                                               Error* error) {
  std::lock_guard lock(mutex_);
  Statement statement;
  if (!prepare(sql, parameters, &statement.handle, &statement.kept, error)) return std::nullopt;
  std::vector<Row> rows;
  int result;
  int columns = sqlite3_column_count(statement.handle);
  while ((result = sqlite3_step(statement.handle)) == SQLITE_ROW) {
    Row row;
    for (int c = 0; c < columns; ++c) row.emplace(sqlite3_column_name(statement.handle, c), columnValue(statement.handle, c));
    rows.push_back(std::move(row));
  }
  if (result != SQLITE_DONE) {
    if (error) *error = sqliteError("Failed to read rows");
    return std::nullopt;
  }
  return rows;
}

std::int64_t SqliteStore::lastInsertRowID() const {
  std::lock_guard lock(mutex_);
  return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

bool SqliteStore::ensureTableWithName(const std::string& table,
                                         const std::vector<std::pair<std::string, std::string>>& columns,
                                         Error* error) {
  if (!isPlainIdentifier(table) || columns.empty()) {
    setMeasurementError(error, kErrorName, "Invalid table name or no columns: " + table);
    return false;
  }
  std::string definition;
  for (const auto& [name, type] : columns) {
    if (!isPlainIdentifier(name)) {
      setMeasurementError(error, kErrorName, "Invalid column name: " + name);
      return false;
    }
    definition += (definition.empty() ? "" : ", ") + name + " " + type;
  }
  std::lock_guard lock(mutex_);
  if (!executeStatement("CREATE TABLE IF NOT EXISTS " + table + " (" + definition + ")", {}, error)) return false;
  auto existing = recordsForQuery("PRAGMA table_info(" + table + ")", {}, error);
  if (!existing) return false;
  for (const auto& [name, type] : columns) {
    bool found = false;
    for (const Row& row : *existing) found = found || row.at("name").toString() == name;
    if (!found && !executeStatement("ALTER TABLE " + table + " ADD COLUMN " + name + " " + type, {}, error)) {
      return false;
    }
  }
  return true;
}

bool SqliteStore::upsertRecord(const Row& record, const std::string& table, Error* error) {
  if (!isPlainIdentifier(table) || record.empty()) {
    setMeasurementError(error, kErrorName, "Invalid table name or empty record: " + table);
    return false;
  }
  std::string names, slots;
  std::vector<Value> values;
  for (const auto& [name, value] : record) {
    if (!isPlainIdentifier(name)) {
      setMeasurementError(error, kErrorName, "Invalid column name: " + name);
      return false;
    }
    names += (names.empty() ? "" : ", ") + name;
    slots += slots.empty() ? "?" : ", ?";
    values.push_back(value);
  }
  return executeStatement("INSERT OR REPLACE INTO " + table + " (" + names + ") VALUES (" + slots + ")", values, error)
      .has_value();
}

bool SqliteStore::deleteRecordFromTableWithName(const std::string& table, const std::string& column,
                                                   const Value& value, Error* error) {
  if (!isPlainIdentifier(column)) {
    setMeasurementError(error, kErrorName, "Invalid column name: " + column);
    return false;
  }
  return deleteRecordsFromTableWithName(table, column + " = ?", {value}, error).has_value();
}

std::optional<std::int64_t> SqliteStore::deleteRecordsFromTableWithName(const std::string& table,
                                                                           const std::string& condition,
                                                                           const std::vector<Value>& parameters,
                                                                           Error* error) {
  if (!isPlainIdentifier(table)) {
    setMeasurementError(error, kErrorName, "Invalid table name: " + table);
    return std::nullopt;
  }
  return executeStatement("DELETE FROM " + table + " WHERE " + condition, parameters, error);
}

bool SqliteStore::isInTransaction() const {
  std::lock_guard lock(mutex_);
  return depth_ > 0;
}

bool SqliteStore::performTransaction(const std::function<bool()>& block, Error* error) {
  std::lock_guard lock(mutex_);  // held throughout: no other thread's statements join the transaction
  if (!db_) {
    setMeasurementError(error, kErrorClosed, "The database is closed");
    return false;
  }
  bool outer = depth_ == 0;
  std::string savepoint = "apm_savepoint_" + std::to_string(depth_);
  if (!runSimple(outer ? "BEGIN EXCLUSIVE TRANSACTION" : ("SAVEPOINT " + savepoint).c_str(), error)) return false;
  ++depth_;
  auto undo = [&] {
    --depth_;
    if (outer) {
      runSimple("ROLLBACK", nullptr);
    } else {
      runSimple(("ROLLBACK TO " + savepoint).c_str(), nullptr);
      runSimple(("RELEASE " + savepoint).c_str(), nullptr);
    }
    rollbacks_.fetch_add(1, std::memory_order_relaxed);
  };
  bool keep;
  try {
    keep = block && block();
  } catch (...) {
    undo();
    throw;
  }
  if (!keep) {
    undo();
    setMeasurementError(error, kErrorStatement, "Transaction rolled back");
    return false;
  }
  --depth_;
  if (runSimple(outer ? "END TRANSACTION" : ("RELEASE " + savepoint).c_str(), error)) return true;
  if (outer) {
    runSimple("ROLLBACK", nullptr);
    rollbacks_.fetch_add(1, std::memory_order_relaxed);
  }
  return false;
}

bool SqliteStore::closeAndDeleteDatabase() {
  std::lock_guard lock(mutex_);
  finalizeKeptStatements();
  bool closed = sqlite3_close_v2(db_) == SQLITE_OK;
  db_ = nullptr;
  std::error_code failure;
  std::filesystem::remove(path_ + "-wal", failure);
  std::filesystem::remove(path_ + "-shm", failure);
  bool removed = std::filesystem::remove(path_, failure) || !std::filesystem::exists(path_);
  return closed && removed && !failure;
}

}  // namespace sdk::analytics

