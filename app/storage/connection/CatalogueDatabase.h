#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/model/UpdateFormatIDObject.h"
#include "app/storage/connection/CatalogueStatement.h"

namespace app::storage {

// The connection every catalogue access class works through: one SQLite file in the user's Library
// folder (CatalogueOpening opens a catalogue by its kind, seeding and checking it first).
//
// A catalogue is only ever opened, never created: a missing one stays missing, so that the next use
// seeds it, instead of leaving an empty file that would never be seeded. After a failed open every
// operation logs and yields its empty value.
class CatalogueConnection;

class CatalogueDatabase {
 public:
  CatalogueDatabase() = default;
  ~CatalogueDatabase();
  CatalogueDatabase(const CatalogueDatabase&) = delete;
  CatalogueDatabase& operator=(const CatalogueDatabase&) = delete;

  // Library/<fileName>.
  static std::string libraryPath(const std::string& fileName);
  // The bundle's copy of a catalogue (resource `resourceName` of type "db"); empty when missing.
  static std::string bundlePath(const std::string& resourceName);
  // Opens an existing file at `path`; never creates one. Inside a CatalogueSession the connection is
  // the session's shared one, unless `shared` is false (a file that is about to be renamed or removed).
  [[nodiscard]] bool openPath(const std::string& path, bool shared = true);
  // Opens an existing file only to read it, never shared, leaving it and what stands beside it as they
  // are (CatalogueConnection::openToRead): for a file that is not the app's, or one kept aside.
  [[nodiscard]] bool openToRead(const std::string& path);
  void close();
  // Works on the connection `other` has open, with what is attached to it: for a change that spans
  // catalogues in one transaction (AttachedCatalogue), made through the helpers of each.
  void shareConnectionOf(const CatalogueDatabase& other);
  // Whether the checks a helper runs once per connection (see CatalogueConnection::checked) are done.
  [[nodiscard]] bool checked() const;
  void markChecked();
  [[nodiscard]] bool isOpen() const { return connection_ != nullptr; }
  const std::string& path() const { return path_; }

  // A statement for `sql`. When the catalogue is not open or the SQL does not prepare, the statement is
  // inert (see CatalogueStatement) and the reason is logged; `quiet` leaves a failed prepare unlogged
  // for callers that report it in their own words (a closed catalogue is always logged).
  CatalogueStatement prepare(std::string_view sql, bool quiet = false);
  // Runs one statement without results, with optional integer parameters bound in order.
  [[nodiscard]] bool execute(std::string_view sql, std::initializer_list<int64_t> parameters = {});
  std::string errorMessage() const;
  int errorCode() const;
  [[nodiscard]] int changes() const;
  // Rows written through this connection since it opened, by every statement.
  [[nodiscard]] int64_t totalChanges() const;

  // The writes every catalogue class makes, reporting failure in the catalogue's own log texts, so
  // that a failure reads the same whichever catalogue it happened in.
  // An UPDATE with integer parameters bound in order; true when it completed.
  [[nodiscard]] bool runUpdate(std::string_view sql, std::initializer_list<int64_t> parameters = {});
  // A DELETE with integer parameters bound in order; true when it completed.
  [[nodiscard]] bool runDelete(std::string_view sql, std::initializer_list<int64_t> parameters = {});
  // An INSERT ready for its binds (inert, and logged, when it cannot be prepared).
  CatalogueStatement prepareInsert(std::string_view sql);
  // Steps an insert to its end and finalizes it; true when the row was written.
  [[nodiscard]] static bool finishInsert(CatalogueStatement& statement);
  // Logs a statement that could not be prepared for reading or updating, with SQLite's reason.
  void logUpdateFailure() const;

  // "SELECT <id> ... ORDER BY <id> DESC LIMIT 1" gives the highest id; this returns it + 1, 1 for an
  // empty table, or nullopt when the statement cannot be prepared or the highest id is the largest an
  // int holds (any int, -1 too, can be an answer).
  [[nodiscard]] std::optional<int> nextId(std::string_view sql);
  // The next id as the catalogue classes hand it out: never below 1, or -1 (logged) when the table
  // cannot be read or has no next id.
  [[nodiscard]] int nextIdOrLog(std::string_view sql);

  // Whether `table` holds a row whose `column` is `id`; nullopt when the catalogue could not answer (not
  // open, or the read failed), which is never taken for a row that is gone.
  [[nodiscard]] std::optional<bool> holdsRow(const std::string& table, const std::string& column, int64_t id);
  // Whether the catalogue (or the one attached as `schema`) has a table of that name; nullopt when it
  // could not answer.
  [[nodiscard]] std::optional<bool> holdsTable(const std::string& table, const std::string& schema = "main");

  // Re-points every row whose `column` holds an old id of `mapping` to that entry's new id, in one
  // UPDATE inside a transaction: each row is looked up by the value it had before the update, so a
  // value just written is never moved again by a later entry (5->7 then 7->9 leaves old 5s on 7).
  // When an old id appears twice, its first entry wins. True when the update was applied.
  [[nodiscard]] bool remapIds(const std::string& table, const std::string& column, const std::vector<model::UpdateFormatIDObject>& mapping);

  // Makes row `id` the only selected one, by `sql`: an UPDATE that takes the id as ?1 and sets the flag of
  // every row to whether it is that row. While selections are held (a CatalogueBatch), it is kept
  // instead, in place of the one kept before: loading both standard packages selects the first one's
  // series, adapter and frame guide and then the second one's, and the first never needs to reach the
  // file. Readers of the flag ask heldSelection(); readers that filter by it write it first, and so does
  // any other write to its table and the commit.
  [[nodiscard]] bool selectOnly(std::string_view sql, int64_t id);
  // The row that a held selection makes the only selected one.
  [[nodiscard]] std::optional<int64_t> heldSelection() const;
  // Writes a held selection; true when there is none or it was written.
  [[nodiscard]] bool writeHeldSelection();
  // Starts holding selections, or stops and forgets one still held (its transaction is being rolled back).
  void holdSelections(bool hold);

  // Writes selection flags of the table the UPDATE `sql` names, as runUpdate does. Once they are in the
  // file (at once, or with the commit of the transaction they joined) the table's flags are trusted
  // again (SelectionTrust).
  [[nodiscard]] bool writeSelection(std::string_view sql, std::initializer_list<int64_t> parameters = {});
  // Whether the selection flags of `table` may be stale: a write meant for them was refused (a file the
  // app may only read, a lock another program holds, a full disk) and none reached the file since. They
  // are then not the last ones the app chose but what the file held before, another package's choice
  // perhaps: nothing of a package is taken from them, and the package keeps its own.
  [[nodiscard]] bool mayHoldStaleSelections(std::string_view table) const;
  // How many writes the catalogue at `path` refused in this run: a screen that sees the count grow
  // while the person chooses knows that their choice was not stored.
  [[nodiscard]] static int refusedWritesAt(const std::string& path);

  // BEGIN / COMMIT / ROLLBACK; a scope that may fail part-way uses Transaction below.
  [[nodiscard]] bool begin();
  [[nodiscard]] bool commit();
  void rollback();
  [[nodiscard]] bool inTransaction() const;

  // Rolls back on destruction unless committed. Inside a transaction that is already open it joins
  // that one: the outer scope commits or rolls back.
  class Transaction {
   public:
    explicit Transaction(CatalogueDatabase& database)
        : database_(database), joined_(database.inTransaction()), active_(joined_ || database.begin()) {}
    ~Transaction() {
      if (active_ && !joined_) database_.rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    [[nodiscard]] bool active() const { return active_; }
    [[nodiscard]] bool commit() {
      if (!active_) return false;
      active_ = false;
      return joined_ || database_.commit();
    }

   private:
    CatalogueDatabase& database_;
    bool joined_;
    bool active_;
  };

 private:
  // Remembers that the catalogue refused a write meant for `table` (empty: for any of its tables), and
  // that the transaction it was part of, if any, brings no selection flags to the file.
  void noteRefusedWrite(std::string_view table = {}) const;
  // Selection flags of `table` were written: trusted now, or with the commit of the open transaction.
  void noteSelectionWritten(std::string_view table) const;
  // Whether `sql` must see a held selection written first.
  [[nodiscard]] bool mustFollowHeldSelection(std::string_view sql) const;

  std::shared_ptr<CatalogueConnection> connection_;
  std::string path_;
};

}  // namespace app::storage

