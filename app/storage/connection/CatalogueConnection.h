#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace app::storage {

// One open SQLite connection to a catalogue file, with the statements it has prepared kept for reuse
// (keyed by their SQL text). Shared by every CatalogueDatabase that works on the same file during a
// CatalogueSession; closed when the last of them lets go.
class CatalogueConnection {
 public:
  // How commits reach the disk: every catalogue in place keeps a rollback journal and flushes each
  // commit; a copy that is not in place yet (CatalogueSeeding) keeps its journal in memory and is
  // flushed once, before it is renamed into place.
  enum class Durability { EachCommit, OnceWhenPlaced };

  // Opens an existing file (never creates one, nor opens anything else standing at `path` or where its
  // side files belong), after keeping aside a write-ahead log or its index beside it, which is never the
  // app's: the app writes its catalogues with a rollback journal, and opening would replay the log.
  // nullptr with `error` set when it cannot be opened (a log that could not be moved among the reasons).
  static std::shared_ptr<CatalogueConnection> open(const std::string& path, std::string& error,
                                                   Durability durability = Durability::EachCommit);
  // Opens an existing file only to read it, changing nothing in it or beside it: no side file is moved
  // or made and nothing is written, so a file that is not the app's can be looked into and left as it
  // was. One with a journal or write-ahead log beside it is not opened (nullptr, `error` set).
  static std::shared_ptr<CatalogueConnection> openToRead(const std::string& path, std::string& error);
  ~CatalogueConnection();
  CatalogueConnection(const CatalogueConnection&) = delete;
  CatalogueConnection& operator=(const CatalogueConnection&) = delete;

  sqlite3* handle() const { return db_; }
  const std::string& path() const { return path_; }

  // A kept statement for `sql`, taken out of the cache (nullptr when there is none).
  sqlite3_stmt* takeCached(std::string_view sql);
  // Gives a statement back for the next use of the same SQL (reset, bindings cleared); finalized
  // instead when one is already kept for it.
  void giveBack(std::string sql, sqlite3_stmt* statement);

  // Set once the catalogue's own checks (pending re-pointing, columns) have run on this connection.
  bool checked = false;

  // While a CatalogueBatch runs, the catalogue's last "select only this row" (see
  // CatalogueDatabase::selectOnly), not written yet.
  struct HeldSelection {
    std::string sql;
    std::string table;  // the one its UPDATE writes
    int64_t id = 0;
  };
  bool holdsSelections = false;
  std::optional<HeldSelection> heldSelection;

  // The tables whose selection flags the open transaction wrote: they are in the file once it commits.
  // A refused write inside it leaves the flags of none of them trusted.
  std::set<std::string, std::less<>> selectionsWritten;
  bool selectionWriteRefused = false;
  void forgetTransactionSelections() {
    selectionsWritten.clear();
    selectionWriteRefused = false;
  }

 private:
  CatalogueConnection(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}

  sqlite3* db_;
  std::string path_;
  std::map<std::string, sqlite3_stmt*, std::less<>> cache_;
};

}  // namespace app::storage

