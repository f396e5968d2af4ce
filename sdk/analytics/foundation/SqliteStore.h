#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace sdk::analytics {

// A general SQLite store: one database file, statements with bound values, rows as dictionaries of
// column name to value (INTEGER as integers, REAL as doubles, TEXT as strings, BLOB as data, NULL as
// null). Table and column names are spliced into SQL, so they must be plain identifiers (our own
// constants); anything else is refused.
//
// Transactions nest: the outermost is an exclusive transaction, inner ones are savepoints, so a
// helper that runs its own transaction can be called from inside another one. A block that returns
// false, or throws, undoes its own work only (the exception is rethrown).
//
// A file that SQLite does not recognise as a database, or whose pages are damaged, is kept aside
// ("<name>.damaged-<date>", with its log, see DamagedFile) with an error logged, and a new database is
// made in its place. A write-ahead log damaged after some commits loses those commits when SQLite reads
// it: a copy of the log is kept and what was dropped is logged. Anything at the paths of its side files
// that SQLite could not use as its own (a FIFO, a folder, a link, a file it may not open, see
// DatabaseSideFiles) keeps the store from opening, and is left where it stands; the file is not touched.
class SqliteStore {
 public:
  using Value = platform::foundation::Value;
  using Row = platform::foundation::Dictionary;
  using Error = platform::foundation::Error;
  template <typename T>
  using ErrorOr = platform::foundation::ErrorOr<T>;

  // The write-ahead log is read whole by the first connection of each process; opening a file whose
  // log holds more pages than this copies them into the database, so that later opens read little.
  static constexpr std::int64_t kLogPagesKeptAtOpen = 256;
  // A file up to this size is checked whole at every open; a larger one only after damage was met.
  static constexpr std::uintmax_t kWholeCheckBytes = 1 << 20;

  static ErrorOr<std::shared_ptr<SqliteStore>> initWithDatabasePath(const std::string& path);
  ~SqliteStore();
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

  const std::string& databasePath() const { return path_; }

  // Creates the table from [name, declared type] pairs, or adds the columns it lacks.
  ErrorOr<void> ensureTableWithName(const std::string& table,
                                    const std::vector<std::pair<std::string, std::string>>& columns);
  ErrorOr<void> upsertRecord(const Row& record, const std::string& table);
  ErrorOr<std::vector<Row>> recordsForQuery(const std::string& sql, const std::vector<Value>& parameters);
  ErrorOr<void> deleteRecordFromTableWithName(const std::string& table, const std::string& column, const Value& value);
  // "DELETE FROM <table> WHERE <condition>"; the number of rows deleted.
  ErrorOr<std::int64_t> deleteRecordsFromTableWithName(const std::string& table, const std::string& condition,
                                                       const std::vector<Value>& parameters);
  // Runs any statement; the number of rows it changed.
  ErrorOr<std::int64_t> executeStatement(const std::string& sql, const std::vector<Value>& parameters);
  std::int64_t lastInsertRowID() const;

  // Succeeds only when the block returned true and its work was kept.
  ErrorOr<void> performTransaction(const std::function<bool()>& block);
  // As performTransaction, but the commit is not flushed to disk by itself: flushLog(), or any later
  // commit that is flushed, makes it durable, so a run of small commits can share one flush. Inside
  // another transaction it is a savepoint of that one, flushed with it.
  ErrorOr<void> performTransactionFlushedLater(const std::function<bool()>& block);
  // Runs `action` once what was written so far is committed: at once outside a transaction, after the
  // outermost commit inside one (on the committing thread, before the commit's call returns). An
  // action whose writes are rolled back, with its savepoint or the whole transaction, never runs. For
  // what must follow a stored row and not precede it: a count kept elsewhere, a line saying it is stored.
  void afterCommit(std::function<void()> action);
  // Flushes the write-ahead log when a commit waits for it; afterwards every commit so far is durable.
  ErrorOr<void> flushLog();
  bool isInTransaction() const;
  // How many transactions or savepoints were undone so far: what a reader kept from inside one may
  // be gone.
  std::uint64_t rollbackCount() const { return rollbacks_.load(std::memory_order_relaxed); }

  // Closes the store and deletes what it holds, its side files too. Through a link the person made to the
  // database elsewhere, that is the file the link leads to: it is left empty, and the link leading to it,
  // so that the store is made afresh there (a link that leads nowhere is never followed to make one).
  [[nodiscard]] bool closeAndDeleteDatabase();

  // Whether `name` may be spliced into SQL as a table or column name.
  static bool isPlainIdentifier(const std::string& name);

  // Error codes of the store (domain kMeasurementErrorDomain).
  enum : std::int64_t { kErrorOpen = 2001, kErrorStatement = 2002, kErrorName = 2003, kErrorClosed = 2004 };

 private:
  explicit SqliteStore(std::string path);
  ErrorOr<void> open();
  ErrorOr<void> openFile();
  ErrorOr<void> checkFile(std::uintmax_t size);
  // Keeps a copy of a damaged write-ahead log and says what SQLite will drop of it; true when damaged.
  bool keepDamagedLog() const;
  void shortenLongLog();
  // A statement met damage: the next open checks the file whole (the note outlives the process).
  void noteDamage(const std::string& detail) const;
  std::string damageNotePath() const;
  ErrorOr<void> runSimple(const char* sql);
  void settleAfterCommitActions(bool committed);
  // Under mutex_: prepares `sql` with its parameters bound; `kept` tells whether the statement is one
  // the store keeps for the next use of the same text (reset it after use, never finalize it).
  ErrorOr<void> prepare(const std::string& sql, const std::vector<Value>& parameters, sqlite3_stmt** statement,
                        bool* kept);
  void finalizeKeptStatements();
  Error sqliteError(const std::string& what) const;

  std::string path_;
  sqlite3* db_ = nullptr;
  bool damaged_ = false;  // set by openFile when the file opened but failed its check
  bool opening_ = false;  // open() is running: damage found now is handled at once, not noted
  mutable std::atomic<bool> damageNoted_{false};
  int depth_ = 0;  // transactions open: 1 for the outer one, more for savepoints
  // afterCommit() actions waiting for the outer commit, each with the depth of the savepoint whose
  // rollback drops it.
  std::vector<std::pair<int, std::function<void()>>> afterCommit_;
  bool unflushed_ = false;  // a commit made by performTransactionFlushedLater waits for flushLog
  std::atomic<std::uint64_t> rollbacks_{0};
  mutable std::recursive_mutex mutex_;
  std::unordered_map<std::string, sqlite3_stmt*> keptStatements_;
  std::unordered_set<std::string> textsSeenOnce_;
};

}  // namespace sdk::analytics

