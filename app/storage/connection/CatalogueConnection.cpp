#include "app/storage/connection/CatalogueConnection.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/DatabaseSideFiles.h"
#include "platform/log/Log.h"

namespace app::storage {

namespace {

using platform::foundation::DamagedFile;
using platform::foundation::DatabaseSideFiles;

// SQLite's memory statistics take one process-wide lock around every allocation it makes: the
// catalogues on the main thread and the SDK's databases on its worker threads then wait for each other
// all through the start. Nothing reads the statistics, so they are off, before SQLite first starts
// (it refuses the setting afterwards), which a static of this file does before main runs.
[[maybe_unused]] const bool memoryStatisticsOff = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;

// Whether the header of the file at `path` says it keeps a write-ahead log.
bool keepsWriteAheadLog(const std::string& path) {
  unsigned char header[20] = {};
  const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return false;
  const bool whole = ::pread(file, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
  ::close(file);
  return whole && (header[18] == 2 || header[19] == 2);
}

// `path` as SQLite's URI names it: the characters a URI gives a meaning to are escaped.
std::string uriOf(const std::string& path) {
  std::string uri = "file:";
  for (const char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      static constexpr char kHex[] = "0123456789abcdef";
      uri += {'%', kHex[static_cast<unsigned char>(c) >> 4], kHex[c & 0xf]};
    } else {
      uri += c;
    }
  }
  return uri;
}

// A write-ahead log or its shared-memory index beside the catalogue at `path` is kept aside under the
// damaged-file naming, with a warning; false (with `error`) when one is there and could not be moved.
bool setStrayLogAside(const std::string& path, std::string& error) {
  for (const auto side : {DatabaseSideFiles::kWriteAheadLog, DatabaseSideFiles::kSharedMemoryIndex}) {
    const std::string log = DatabaseSideFiles::of(DatabaseSideFiles::namedAfter(path), side);
    struct stat info {};
    if (::lstat(log.c_str(), &info) != 0) continue;
    const auto kept = DamagedFile::keepAside(log);
    if (!kept.ok()) {
      error = std::string("a ") + side.name + " that is not the app's stands beside it and could not be moved (" + log + ")";
      return false;
    }
    platform::log::write(platform::log::Warning, std::string("The ") + side.name + " beside the catalogue " + path +
                                                     " is not the app's own; it is kept as " + *kept +
                                                     ", and nothing in it reaches the catalogue");
  }
  return true;
}

}  // namespace

std::shared_ptr<CatalogueConnection> CatalogueConnection::openToRead(const std::string& path, std::string& error) {
  if (const auto place = DatabaseSideFiles::placeOf(path); place.state != DatabaseSideFiles::Place::State::File) {
    error = place.state == DatabaseSideFiles::Place::State::Missing ? "nothing stands there"
                                                                    : place.what + " stands at " + place.where;
    return nullptr;
  }
  // A reader rolls a journal back and builds a log's index in the files beside it: while either stands
  // there, the file is not read.
  for (const auto side : DatabaseSideFiles::kAll) {
    struct stat info {};
    if (::lstat(DatabaseSideFiles::of(path, side).c_str(), &info) == 0) {
      error = std::string("a ") + side.name + " stands beside it";
      return nullptr;
    }
  }
  // A file in write-ahead mode with no log beside it has no writer, and SQLite would make both side
  // files to read it; it is read as it stands instead. Any other file is read under its lock, which
  // makes nothing beside it.
  const std::string uri = uriOf(path) + (keepsWriteAheadLog(path) ? "?immutable=1" : "?mode=ro");
  sqlite3* db = nullptr;
  const int result = sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  if (result != SQLITE_OK) {
    error = db ? sqlite3_errmsg(db) : sqlite3_errstr(result);
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 2000);
  return std::shared_ptr<CatalogueConnection>(new CatalogueConnection(db, path));
}

std::shared_ptr<CatalogueConnection> CatalogueConnection::open(const std::string& path, std::string& error,
                                                               Durability durability) {
  // Only a file is a catalogue: SQLite would wait for ever on a FIFO for a writer, and read a device;
  // the same goes for what stands where its side files belong. What is missing stays missing (below).
  if (const auto place = DatabaseSideFiles::placeOf(path); place.state == DatabaseSideFiles::Place::State::Unreadable) {
    error = place.what + " stands at " + place.where;
    return nullptr;
  }
  if (!setStrayLogAside(path, error)) return nullptr;
  sqlite3* db = nullptr;
  // No SQLITE_OPEN_CREATE: a missing catalogue must stay missing so that it is seeded next time.
  const int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (result != SQLITE_OK) {
    error = db ? sqlite3_errmsg(db) : sqlite3_errstr(result);
    sqlite3_close(db);
    return nullptr;
  }
  // A rollback journal, because the package re-pointing commits the package catalogue and an
  // attached catalogue together, which SQLite makes atomic only across rollback journals; and FULL
  // sync, because with a rollback journal anything less can corrupt the file on a power cut. Neither
  // pragma touches the disk. A busy file waits a little for another process before giving up.
  sqlite3_exec(db,
               durability == Durability::EachCommit ? "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL"
                                                    : "PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF",
               nullptr, nullptr, nullptr);
  sqlite3_busy_timeout(db, 2000);
  return std::shared_ptr<CatalogueConnection>(new CatalogueConnection(db, path));
}

CatalogueConnection::~CatalogueConnection() {
  for (auto& [sql, statement] : cache_) sqlite3_finalize(statement);
  sqlite3_close_v2(db_);
}

sqlite3_stmt* CatalogueConnection::takeCached(std::string_view sql) {
  auto found = cache_.find(sql);
  if (found == cache_.end()) return nullptr;
  sqlite3_stmt* statement = found->second;
  cache_.erase(found);
  return statement;
}

void CatalogueConnection::giveBack(std::string sql, sqlite3_stmt* statement) {
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  // Texts with ids formatted in are each used once; a bound keeps them from piling up.
  constexpr size_t kKept = 64;
  if (cache_.size() >= kKept || !cache_.emplace(std::move(sql), statement).second) sqlite3_finalize(statement);
}

}  // namespace app::storage

