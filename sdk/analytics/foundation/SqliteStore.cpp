#include "sdk/analytics/foundation/SqliteStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/DatabaseSideFiles.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/WriteAheadLogScan.h"

namespace sdk::analytics {

using platform::foundation::Data;
using platform::foundation::DatabaseSideFiles;
using platform::foundation::ErrorOr;

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
// A text is kept from its second run on: the schema's statements, run once at open, filled the room
// before the texts of an event were ever met. This many texts seen once are remembered.
constexpr std::size_t kTextsSeenOnce = 256;

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
  (void)flushLog();  // closing does not flush what the log holds
  finalizeKeptStatements();
  sqlite3_close_v2(db_);
}

void SqliteStore::finalizeKeptStatements() {
  for (auto& [sql, statement] : keptStatements_) sqlite3_finalize(statement);
  keptStatements_.clear();
  textsSeenOnce_.clear();
}

ErrorOr<std::shared_ptr<SqliteStore>> SqliteStore::initWithDatabasePath(const std::string& path) {
  if (path.empty()) return measurementErrorWithCode(kErrorOpen, "Cannot open a database without a path");
  std::shared_ptr<SqliteStore> store(new SqliteStore(path));
  TRY(store->open());
  return store;
}

ErrorOr<void> SqliteStore::openFile() {
  finalizeKeptStatements();
  sqlite3_close_v2(db_);
  db_ = nullptr;
  // SQLite follows a link to a place not there now and makes the database, its log and its index at
  // the far end, outside the container: what is not a file is left in place, and the store goes unused.
  if (const std::string why = platform::foundation::AtomicFile::notAFile(path_); !why.empty()) {
    return measurementErrorWithCode(kErrorOpen, "The database " + path_ + " is not opened: " + why +
                                                    "; it is left in place, and the database is not used while it "
                                                    "stands there");
  }
  // SQLite would wait on a FIFO where its journal belongs, or take what it cannot use there for damage
  // and have the store kept aside: the database is left as it is, and unused while that stands there.
  if (const auto strangers = DatabaseSideFiles::strangersBeside(path_); !strangers.empty()) {
    return measurementErrorWithCode(kErrorOpen, "The database " + path_ + " is not opened: " +
                                                    DatabaseSideFiles::described(strangers) +
                                                    ", where only its own side file belongs; it is left in place, "
                                                    "and the database is not used while it stands there");
  }
  std::error_code noSize;
  const std::uintmax_t size = std::filesystem::file_size(path_, noSize);
  const bool fresh = noSize || size == 0;
  // Before SQLite reads the log back, which drops what follows a damaged frame without a word.
  const bool logDamaged = !fresh && keepDamagedLog();
  if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    Error failure = sqliteError("Failed to open database " + path_);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    return failure;
  }
  sqlite3_busy_timeout(db_, 5000);
  // Every commit is already flushed to the write-ahead log, so the checkpoint SQLite makes when the last
  // connection closes only copies it again, with its own flushes, on the main thread as the app ends; the
  // next open reads the log instead, and the usual checkpoints keep it small.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  // Switching a new, empty file to the write-ahead log writes its first page through a rollback journal:
  // two flushes of the journal, one of the folder and one of the file. Kept in memory, the journal costs
  // nothing on disk; there is nothing yet that a crash in this step could lose (a torn first page reads
  // as a damaged file, moved aside below), and the log's first flush makes the new file's name durable.
  if (fresh) TRY(runSimple("PRAGMA journal_mode=MEMORY"));
  TRY(runSimple("PRAGMA journal_mode=WAL"));
  TRY(runSimple("PRAGMA synchronous=FULL"));
  TRY(checkFile(fresh ? 0 : size));
  // The sound part goes into the database and the log starts over: frames left past the damage would
  // read as damage again at every later open.
  if (logDamaged) (void)sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  shortenLongLog();
  return {};
}

ErrorOr<void> SqliteStore::checkFile(std::uintmax_t size) {
  // Reading the schema finds a file that is not a database. Damaged pages in one that is are found by a
  // whole check, which reads every page: made while the file is small, and after a statement met damage
  // in a larger one (it leaves a note, see noteDamage); otherwise by the statement that meets them, so a
  // start never reads every stored event.
  const bool whole = size <= kWholeCheckBytes || platform::foundation::AtomicFile::fileExists(damageNotePath());
  auto check = recordsForQuery(whole ? "PRAGMA quick_check(1)" : "SELECT count(*) FROM sqlite_master", {});
  if (check && (!whole || (check->size() == 1 && check->front().begin()->second.toString() == "ok"))) {
    if (whole) (void)platform::foundation::AtomicFile::removeFile(damageNotePath());
    return {};
  }
  damaged_ = true;
  if (!check) return std::move(check).releaseError();
  return measurementErrorWithCode(kErrorOpen, "Database file is damaged: " + path_);
}

bool SqliteStore::keepDamagedLog() const {
  const std::string log = DatabaseSideFiles::of(path_, DatabaseSideFiles::kWriteAheadLog);
  const WriteAheadLogScan scan = WriteAheadLogScan::of(log);
  if (!scan.damaged()) return false;
  const auto kept = platform::foundation::DamagedFile::keepCopy(log);
  Monitor::shared()->logWithLevel(
      LogLevel::kMonitoredWarning, messages::kDamagedLogTransactionsDropped,
      "The database's write-ahead log is damaged: what was committed after the damage cannot be read and is "
      "dropped. Transactions dropped, pages dropped, the log kept as",
      Value(scan.droppedTransactions()), Value(scan.droppedFrames()), Value(kept.ok() ? *kept : log + " (no copy)"));
  return true;
}

std::string SqliteStore::damageNotePath() const { return path_ + ".damage-noted"; }

void SqliteStore::noteDamage(const std::string& detail) const {
  // Damage met while opening is dealt with there and then.
  if (opening_ || damageNoted_.exchange(true)) return;
  (void)platform::foundation::AtomicFile::writeAtomically(damageNotePath(), detail);
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredWarning, messages::kDamagedDatabaseNoted,
                                  "The database reports damage; it is checked whole at the next start and kept "
                                  "aside if damaged. Path, error",
                                  Value(path_), Value(detail));
}

void SqliteStore::shortenLongLog() {
  std::error_code noSize;
  const auto bytes =
      std::filesystem::file_size(DatabaseSideFiles::of(path_, DatabaseSideFiles::kWriteAheadLog), noSize);
  const auto pageSize = recordsForQuery("PRAGMA page_size", {});
  if (noSize || !pageSize || pageSize->empty()) return;
  const std::int64_t frame = pageSize->front().begin()->second.toInt64() + 24;  // a page and its header
  if (frame <= 24 || static_cast<std::int64_t>(bytes) / frame <= kLogPagesKeptAtOpen) return;
  // Best effort: a log that cannot be shortened now (another process reading it) is read whole again.
  (void)sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
}

ErrorOr<void> SqliteStore::open() {
  opening_ = true;
  auto opened = openFile();
  opening_ = false;
  if (opened) return opened;
  int code = db_ ? sqlite3_errcode(db_) : SQLITE_CANTOPEN;
  if (!damaged_ && code != SQLITE_NOTADB && code != SQLITE_CORRUPT) return opened;
  damaged_ = false;
  finalizeKeptStatements();
  sqlite3_close_v2(db_);
  db_ = nullptr;
  // Kept for whoever wants to look at it, with its log; the store starts again empty.
  const auto kept = platform::foundation::DamagedFile::keepAside(path_);
  if (!kept.ok()) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kDamagedDatabaseMovedAside,
                                    "Database file is damaged and could not be moved aside. Path", Value(path_));
    return opened;
  }
  (void)platform::foundation::AtomicFile::removeFile(damageNotePath());
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kDamagedDatabaseMovedAside,
                                  "Database file is damaged. Moved aside and recreated. Path", Value(*kept));
  opening_ = true;
  opened = openFile();
  opening_ = false;
  return opened;
}

ErrorOr<void> SqliteStore::runSimple(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return {};
  sqlite3_free(message);
  return sqliteError(std::string("Failed to run ") + sql);
}

SqliteStore::Error SqliteStore::sqliteError(const std::string& what) const {
  std::string detail = db_ ? sqlite3_errmsg(db_) : "no database";
  if (const int code = db_ ? sqlite3_errcode(db_) : SQLITE_OK; code == SQLITE_CORRUPT || code == SQLITE_NOTADB) {
    noteDamage(what + ": " + detail);
  }
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

ErrorOr<void> SqliteStore::prepare(const std::string& sql, const std::vector<Value>& parameters,
                                   sqlite3_stmt** statement, bool* kept) {
  if (!db_) return measurementErrorWithCode(kErrorClosed, "The database is closed");
  if (auto found = keptStatements_.find(sql); found != keptStatements_.end()) {
    *statement = found->second;
    *kept = true;
  } else {
    if (textsSeenOnce_.size() >= kTextsSeenOnce) textsSeenOnce_.clear();
    const bool keep = keptStatements_.size() < kKeptStatements && !textsSeenOnce_.insert(sql).second;
    if (sqlite3_prepare_v3(db_, sql.c_str(), -1, keep ? SQLITE_PREPARE_PERSISTENT : 0, statement, nullptr) !=
        SQLITE_OK) {
      return sqliteError("Failed to prepare statement");
    }
    // A text holding more than one statement runs only its first; it is never kept.
    *kept = keep && *statement;
    if (*kept) {
      keptStatements_.emplace(sql, *statement);
      textsSeenOnce_.erase(sql);
    }
  }
  if (!bindAll(*statement, parameters)) {
    return measurementErrorWithCode(kErrorStatement, "Failed to bind parameters of: " + sql);
  }
  return {};
}

ErrorOr<std::int64_t> SqliteStore::executeStatement(const std::string& sql, const std::vector<Value>& parameters) {
  std::lock_guard lock(mutex_);
  Statement statement;
  TRY(prepare(sql, parameters, &statement.handle, &statement.kept));
  int result;
  while ((result = sqlite3_step(statement.handle)) == SQLITE_ROW) {
  }
  if (result != SQLITE_DONE) return sqliteError("Failed to run statement");
  return static_cast<std::int64_t>(sqlite3_changes(db_));
}

ErrorOr<std::vector<SqliteStore::Row>> SqliteStore::recordsForQuery(const std::string& sql,
                                                                    const std::vector<Value>& parameters) {
  std::lock_guard lock(mutex_);
  Statement statement;
  TRY(prepare(sql, parameters, &statement.handle, &statement.kept));
  std::vector<Row> rows;
  int result;
  int columns = sqlite3_column_count(statement.handle);
  while ((result = sqlite3_step(statement.handle)) == SQLITE_ROW) {
    Row row;
    for (int c = 0; c < columns; ++c) row.emplace(sqlite3_column_name(statement.handle, c), columnValue(statement.handle, c));
    rows.push_back(std::move(row));
  }
  if (result != SQLITE_DONE) return sqliteError("Failed to read rows");
  return rows;
}

std::int64_t SqliteStore::lastInsertRowID() const {
  std::lock_guard lock(mutex_);
  return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

ErrorOr<void> SqliteStore::ensureTableWithName(const std::string& table,
                                               const std::vector<std::pair<std::string, std::string>>& columns) {
  if (!isPlainIdentifier(table) || columns.empty()) {
    return measurementErrorWithCode(kErrorName, "Invalid table name or no columns: " + table);
  }
  std::string definition;
  for (const auto& [name, type] : columns) {
    if (!isPlainIdentifier(name)) return measurementErrorWithCode(kErrorName, "Invalid column name: " + name);
    definition += (definition.empty() ? "" : ", ") + name + " " + type;
  }
  std::lock_guard lock(mutex_);
  TRY(executeStatement("CREATE TABLE IF NOT EXISTS " + table + " (" + definition + ")", {}));
  auto existing = TRY(recordsForQuery("PRAGMA table_info(" + table + ")", {}));
  for (const auto& [name, type] : columns) {
    bool found = false;
    for (const Row& row : existing) found = found || row.at("name").toString() == name;
    if (!found) TRY(executeStatement("ALTER TABLE " + table + " ADD COLUMN " + name + " " + type, {}));
  }
  return {};
}

ErrorOr<void> SqliteStore::upsertRecord(const Row& record, const std::string& table) {
  if (!isPlainIdentifier(table) || record.empty()) {
    return measurementErrorWithCode(kErrorName, "Invalid table name or empty record: " + table);
  }
  std::string names, slots;
  std::vector<Value> values;
  for (const auto& [name, value] : record) {
    if (!isPlainIdentifier(name)) return measurementErrorWithCode(kErrorName, "Invalid column name: " + name);
    names += (names.empty() ? "" : ", ") + name;
    slots += slots.empty() ? "?" : ", ?";
    values.push_back(value);
  }
  TRY(executeStatement("INSERT OR REPLACE INTO " + table + " (" + names + ") VALUES (" + slots + ")", values));
  return {};
}

ErrorOr<void> SqliteStore::deleteRecordFromTableWithName(const std::string& table, const std::string& column,
                                                         const Value& value) {
  if (!isPlainIdentifier(column)) return measurementErrorWithCode(kErrorName, "Invalid column name: " + column);
  TRY(deleteRecordsFromTableWithName(table, column + " = ?", {value}));
  return {};
}

ErrorOr<std::int64_t> SqliteStore::deleteRecordsFromTableWithName(const std::string& table,
                                                                  const std::string& condition,
                                                                  const std::vector<Value>& parameters) {
  if (!isPlainIdentifier(table)) return measurementErrorWithCode(kErrorName, "Invalid table name: " + table);
  return executeStatement("DELETE FROM " + table + " WHERE " + condition, parameters);
}

bool SqliteStore::isInTransaction() const {
  std::lock_guard lock(mutex_);
  return depth_ > 0;
}

ErrorOr<void> SqliteStore::performTransaction(const std::function<bool()>& block) {
  std::lock_guard lock(mutex_);  // held throughout: no other thread's statements join the transaction
  if (!db_) return measurementErrorWithCode(kErrorClosed, "The database is closed");
  bool outer = depth_ == 0;
  std::string savepoint = "apm_savepoint_" + std::to_string(depth_);
  TRY(runSimple(outer ? "BEGIN EXCLUSIVE TRANSACTION" : ("SAVEPOINT " + savepoint).c_str()));
  ++depth_;
  // Undoing is best effort: what failed first is the error the caller hears of.
  auto undo = [&] {
    --depth_;
    std::erase_if(afterCommit_, [&](const auto& waiting) { return waiting.first > depth_; });
    if (outer) {
      (void)runSimple("ROLLBACK");
    } else {
      (void)runSimple(("ROLLBACK TO " + savepoint).c_str());
      (void)runSimple(("RELEASE " + savepoint).c_str());
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
    return measurementErrorWithCode(kErrorStatement, "Transaction rolled back");
  }
  --depth_;
  auto committed = runSimple(outer ? "END TRANSACTION" : ("RELEASE " + savepoint).c_str());
  if (!committed && outer) {
    (void)runSimple("ROLLBACK");
    rollbacks_.fetch_add(1, std::memory_order_relaxed);
  }
  settleAfterCommitActions(committed.ok());
  return committed;
}

// Called as a transaction or savepoint ends well or fails to: a released savepoint's actions go with
// its parent; the outer commit runs them all, its failure drops them.
void SqliteStore::settleAfterCommitActions(bool committed) {
  if (depth_ > 0) {
    if (!committed) std::erase_if(afterCommit_, [&](const auto& waiting) { return waiting.first > depth_; });
    for (auto& waiting : afterCommit_) waiting.first = std::min(waiting.first, depth_);
    return;
  }
  auto actions = std::move(afterCommit_);
  afterCommit_.clear();
  if (!committed) return;
  for (auto& [depth, action] : actions) action();
}

void SqliteStore::afterCommit(std::function<void()> action) {
  if (!action) return;
  std::lock_guard lock(mutex_);
  if (depth_ == 0) {
    action();
    return;
  }
  afterCommit_.emplace_back(depth_, std::move(action));
}

ErrorOr<void> SqliteStore::performTransactionFlushedLater(const std::function<bool()>& block) {
  std::lock_guard lock(mutex_);
  if (depth_ > 0 || !db_) return performTransaction(block);
  TRY(runSimple("PRAGMA synchronous=NORMAL"));
  auto done = performTransaction(block);
  if (done) unflushed_ = true;
  // Every other commit stays flushed as it is made.
  TRY(runSimple("PRAGMA synchronous=FULL"));
  return done;
}

ErrorOr<void> SqliteStore::flushLog() {
  std::lock_guard lock(mutex_);
  if (!unflushed_ || !db_) return {};
  sqlite3_file* log = nullptr;
  if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) != SQLITE_OK || !log || !log->pMethods) {
    return measurementErrorWithCode(kErrorStatement, "No write-ahead log to flush for " + path_);
  }
  // The log's own flush, as SQLite makes it at a commit (the folder too, the first time).
  if (log->pMethods->xSync(log, SQLITE_SYNC_NORMAL) != SQLITE_OK) {
    return measurementErrorWithCode(kErrorStatement, "Failed to flush the write-ahead log of " + path_);
  }
  unflushed_ = false;
  return {};
}

bool SqliteStore::closeAndDeleteDatabase() {
  std::lock_guard lock(mutex_);
  finalizeKeptStatements();
  bool closed = sqlite3_close_v2(db_) == SQLITE_OK;
  db_ = nullptr;
  const std::string database = DatabaseSideFiles::namedAfter(path_);
  std::error_code failure;
  std::filesystem::remove(DatabaseSideFiles::of(database, DatabaseSideFiles::kWriteAheadLog), failure);
  std::filesystem::remove(DatabaseSideFiles::of(database, DatabaseSideFiles::kSharedMemoryIndex), failure);
  if (database != path_) {
    std::filesystem::resize_file(database, 0, failure);
    return closed && !failure;
  }
  bool removed = std::filesystem::remove(path_, failure) || !std::filesystem::exists(path_);
  return closed && removed && !failure;
}

}  // namespace sdk::analytics

