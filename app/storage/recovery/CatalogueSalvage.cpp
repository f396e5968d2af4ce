#include "app/storage/recovery/CatalogueSalvage.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DatabaseSideFiles.h"

namespace app::storage {

namespace {

constexpr int64_t kBelowAll = std::numeric_limits<int64_t>::min();
constexpr int64_t kAboveAll = std::numeric_limits<int64_t>::max();
// Bounds on the work one table may cost, whatever a damaged file makes its reads do.
constexpr int kMostProbes = 4096;
constexpr int64_t kMostRows = 1'000'000;

struct CloseDatabase {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

Statement prepared(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, &tail) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return nullptr;
  }
  // One statement only: the text of a damaged file is never run beyond the one asked for.
  for (; tail && *tail; ++tail) {
    if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';') {
      sqlite3_finalize(statement);
      return nullptr;
    }
  }
  return Statement(statement);
}

std::string quoted(std::string_view name) {
  std::string text = "\"";
  for (char c : name) text += c == '"' ? std::string("\"\"") : std::string(1, c);
  return text + "\"";
}

bool startsWithWords(std::string_view sql, std::string_view words) {
  if (sql.size() < words.size()) return false;
  for (size_t i = 0; i < words.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(sql[i])) != words[i]) return false;
  }
  return true;
}

struct SchemaEntry {
  bool table = false;
  std::string name;
  std::string sql;
};

std::optional<std::vector<SchemaEntry>> readSchema(sqlite3* db) {
  Statement statement = prepared(
      db, "SELECT type, name, sql FROM sqlite_master WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
  if (!statement) return std::nullopt;
  std::vector<SchemaEntry> entries;
  int result;
  while ((result = sqlite3_step(statement.get())) == SQLITE_ROW) {
    const auto text = [&](int column) {
      const auto* value = sqlite3_column_text(statement.get(), column);
      return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
    };
    SchemaEntry entry{.table = text(0) == "table", .name = text(1), .sql = text(2)};
    const bool wanted = entry.table ? startsWithWords(entry.sql, "CREATE TABLE")
                                    : startsWithWords(entry.sql, "CREATE INDEX") ||
                                          startsWithWords(entry.sql, "CREATE UNIQUE INDEX");
    if (wanted) entries.push_back(std::move(entry));
  }
  if (result != SQLITE_DONE) return std::nullopt;
  return entries;
}

// The ids between two bounds that could not be read, in words.
std::string unreadIds(const std::string& table, int64_t after, int64_t before) {
  if (after == kBelowAll && before == kAboveAll) return table;
  if (after == kBelowAll) return table + " (ids below " + std::to_string(before) + ")";
  if (before == kAboveAll) return table + " (from id " + std::to_string(after + 1) + ")";
  return table + " (ids " + std::to_string(after + 1) + " to " + std::to_string(before - 1) + ")";
}

// A failure of the new file's own writes, as opposed to one of reading the damaged file.
bool isWriteFailure(int code) {
  switch (code & 0xff) {
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_NOMEM: return true;
    default: return false;
  }
}

// Copies one table's readable rows, in two directions and around the damage between them.
class TableCopy {
 public:
  TableCopy(sqlite3* from, sqlite3* into, const std::string& table) : table_(table), into_(into) {
    const std::string select = "SELECT rowid, * FROM " + quoted(table) + " WHERE rowid > ?1 AND rowid < ?2 ORDER BY rowid";
    forward_ = prepared(from, select);
    backward_ = prepared(from, select + " DESC");
    if (!forward_ || !backward_) return;
    std::string columns = "rowid", values = "?1";
    for (int i = 1; i < sqlite3_column_count(forward_.get()); ++i) {
      columns += ", " + quoted(sqlite3_column_name(forward_.get(), i));
      values += ", ?" + std::to_string(i + 1);
    }
    insert_ = prepared(into, "INSERT OR IGNORE INTO " + quoted(table) + " (" + columns + ") VALUES (" + values + ")");
  }

  // Everything that could not be read, in words.
  std::vector<std::string> run() {
    if (!insert_ && isWriteFailure(sqlite3_errcode(into_))) writeFailed_ = true;
    if (!forward_ || !backward_ || !insert_) return {table_};
    std::vector<std::string> unread;
    int64_t after = kBelowAll, before = kAboveAll;
    while (probes_ < kMostProbes && rows_ < kMostRows) {
      if (copy(forward_.get(), after, before)) return unread;
      if (copy(backward_.get(), after, before)) return unread;
      // Both reads stop at damage: what lies between is sought from whichever side has an id to seek from.
      if (after == kBelowAll && before == kAboveAll) break;
      ++probes_;
      // A seek that lands on a damaged page fails even where no row lies: reaching the other bound only
      // says that nothing between could be read.
      if (after != kBelowAll) {
        const int64_t resume = firstReachableAbove(after, before);
        if (resume >= before - 1) break;
        unread.push_back(unreadIds(table_, after, resume + 1));
        after = resume;
      } else {
        const int64_t resume = lastReachableBelow(after, before);
        if (resume <= after + 1) break;
        unread.push_back(unreadIds(table_, resume - 1, before));
        before = resume;
      }
    }
    unread.push_back(unreadIds(table_, after, before));
    return unread;
  }

  // A row could not be written: what was read is not all there.
  [[nodiscard]] bool writeFailed() const { return writeFailed_; }

 private:
  // Copies the rows `read` gives between the bounds, moving the bound it reads away from; true when it
  // read to the end.
  bool copy(sqlite3_stmt* read, int64_t& after, int64_t& before) {
    const bool ascending = read == forward_.get();
    sqlite3_reset(read);
    sqlite3_bind_int64(read, 1, after);
    sqlite3_bind_int64(read, 2, before);
    int result;
    while (!writeFailed_ && (result = sqlite3_step(read)) == SQLITE_ROW && ++rows_ <= kMostRows) {
      // A damaged page may give ids out of order or out of bounds: such rows are not taken, and the
      // bounds only ever close in.
      const int64_t id = sqlite3_column_int64(read, 0);
      if (id <= after || id >= before) continue;
      (ascending ? after : before) = id;
      for (int i = 0; i < sqlite3_column_count(read); ++i) sqlite3_bind_value(insert_.get(), i + 1, sqlite3_column_value(read, i));
      // OR IGNORE: a row whose id is taken is passed by; any other failure is the new file's.
      if (sqlite3_step(insert_.get()) != SQLITE_DONE) writeFailed_ = true;
      sqlite3_reset(insert_.get());
    }
    return writeFailed_ || result == SQLITE_DONE;
  }

  // Whether `read` between the bounds can start: it gives a row, or finds none.
  bool reaches(sqlite3_stmt* read, int64_t after, int64_t before) {
    ++probes_;
    sqlite3_reset(read);
    sqlite3_bind_int64(read, 1, after);
    sqlite3_bind_int64(read, 2, before);
    const int result = sqlite3_step(read);
    return result == SQLITE_ROW || result == SQLITE_DONE;
  }

  // The least x in (after, before) from which a forward read starts: sought ever further, then back to
  // the first that works; before - 1 when none does.
  int64_t firstReachableAbove(int64_t after, int64_t before) {
    const uint64_t last = static_cast<uint64_t>(before) - static_cast<uint64_t>(after) - 1;
    const uint64_t gap = nearestReachable(last, [&](uint64_t offset) { return reaches(forward_.get(), at(after, offset), before); });
    return at(after, gap);
  }

  // The greatest y in (after, before) from which a backward read starts; after + 1 when none does.
  int64_t lastReachableBelow(int64_t after, int64_t before) {
    const uint64_t last = static_cast<uint64_t>(before) - static_cast<uint64_t>(after) - 1;
    const uint64_t gap = nearestReachable(last, [&](uint64_t offset) { return reaches(backward_.get(), after, at(before, 0 - offset)); });
    return at(before, 0 - gap);
  }

  // The least offset in [1, last) that `reaches`, `last` when none was found: doubling, then halving.
  template <class Reaches>
  uint64_t nearestReachable(uint64_t last, Reaches&& reachesAt) {
    uint64_t failed = 0, reached = last;
    for (uint64_t gap = 1; gap < last && probes_ < kMostProbes; gap *= 2) {
      if (reachesAt(gap)) {
        reached = gap;
        break;
      }
      failed = gap;
      if (gap > last / 2) break;
    }
    while (reached - failed > 1 && probes_ < kMostProbes) {
      const uint64_t middle = failed + (reached - failed) / 2;
      (reachesAt(middle) ? reached : failed) = middle;
    }
    return reached;
  }

  // `from` moved by `offset` (taken modulo 2^64, within the span the callers checked).
  static int64_t at(int64_t from, uint64_t offset) {
    return static_cast<int64_t>(static_cast<uint64_t>(from) + offset);
  }

  std::string table_;
  sqlite3* into_;
  Statement forward_;
  Statement backward_;
  Statement insert_;
  int probes_ = 0;
  int64_t rows_ = 0;
  bool writeFailed_ = false;
};

// Failures that say nothing of what a file holds: its owner or mode keeps it from the app, or another
// program holds it. Any other failure to read it is its damage.
bool saysNothingOfContents(int code) {
  switch (code & 0xff) {
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_NOMEM: return true;
    default: return false;
  }
}

// The file at `path` opened where it can be read now; otherwise `unknown` says why not.
Database openExisting(const std::string& path, std::string& unknown) {
  using platform::foundation::AtomicFile;
  using platform::foundation::DatabaseSideFiles;
  if (const auto standing = AtomicFile::whatStandsAt(path); !standing.leadsToFile()) {
    unknown = "it is " + (standing.isNothing() ? std::string("gone") : standing.words());
    return nullptr;
  }
  // Kept with the copy, a FIFO where its journal belongs would hold the rescue for ever.
  if (const auto strangers = DatabaseSideFiles::strangersBeside(path); !strangers.empty()) {
    unknown = DatabaseSideFiles::described(strangers);
    return nullptr;
  }
  sqlite3* db = nullptr;
  const int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  Database owned(db);
  if (result == SQLITE_OK) return owned;
  unknown = std::string("it could not be opened (") + (db ? sqlite3_errmsg(db) : sqlite3_errstr(result)) + ")";
  return nullptr;
}

Database createFresh(const std::string& path) {
  ::unlink(path.c_str());
  ::unlink(platform::foundation::DatabaseSideFiles::of(path, platform::foundation::DatabaseSideFiles::kJournal).c_str());
  sqlite3* db = nullptr;
  const int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  Database owned(db);
  if (result != SQLITE_OK) return nullptr;
  // A scratch file, read once and removed: nothing it holds needs to survive a crash.
  sqlite3_exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
  return owned;
}

bool run(sqlite3* db, const std::string& sql) {
  Statement statement = prepared(db, sql);
  return statement && sqlite3_step(statement.get()) == SQLITE_DONE;
}

}  // namespace

CatalogueSalvage::Result CatalogueSalvage::copyReadable(const std::string& damaged, const std::string& into) {
  Result result{.unread = {"all of it"}, .unknown = {}};
  Database from = openExisting(damaged, result.unknown);
  const auto schema = from ? readSchema(from.get()) : std::nullopt;
  if (from && !schema && saysNothingOfContents(sqlite3_errcode(from.get()))) {
    result.unknown = std::string("it could not be read now (") + sqlite3_errmsg(from.get()) + ")";
  }
  if (!result.unknown.empty()) {
    result.unread.clear();
    ::unlink(into.c_str());
    return result;
  }
  // An emptied file reads as a database without tables: nothing of it can be read either.
  if (!schema || std::none_of(schema->begin(), schema->end(), [](const SchemaEntry& entry) { return entry.table; })) {
    ::unlink(into.c_str());
    return result;
  }
  Database fresh = createFresh(into);
  bool written = fresh && sqlite3_exec(fresh.get(), "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
  std::vector<std::string> unread;
  for (const SchemaEntry& entry : *schema) {
    if (!written || !entry.table) continue;
    if (!run(fresh.get(), entry.sql)) {
      written = !isWriteFailure(sqlite3_errcode(fresh.get()));
      unread.push_back(entry.name);
      continue;
    }
    TableCopy copy(from.get(), fresh.get(), entry.name);
    for (auto& table : copy.run()) unread.push_back(std::move(table));
    written = !copy.writeFailed();
  }
  // Indexes last, over the rows that made it; one that cannot be made only costs speed.
  for (const SchemaEntry& entry : *schema) {
    if (written && !entry.table) static_cast<void>(run(fresh.get(), entry.sql));
  }
  written = written && sqlite3_exec(fresh.get(), "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!written) {
    fresh.reset();
    ::unlink(into.c_str());
    result.notWritten = true;
    return result;
  }
  result.made = true;
  result.unread = std::move(unread);
  return result;
}

}  // namespace app::storage
