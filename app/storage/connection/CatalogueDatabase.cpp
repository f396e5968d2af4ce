#include "app/storage/connection/CatalogueDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <limits>

#include "app/storage/connection/CatalogueConnection.h"
#include "app/storage/connection/CatalogueSession.h"
#include "app/storage/connection/LogError.h"
#include "app/storage/connection/SelectionTrust.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Paths.h"
#include "platform/log/Log.h"
namespace app::storage {

namespace {

bool isIdentifier(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

// Whether a prepared and bound query gives a row; nullopt when it could not be run, which is never taken
// for an answer.
std::optional<bool> givesARow(CatalogueStatement& query) {
  switch (query.step()) {
    case CatalogueStatement::Step::Row: return true;
    case CatalogueStatement::Step::Done: return false;
    case CatalogueStatement::Step::Error: return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

CatalogueDatabase::~CatalogueDatabase() { close(); }

std::string CatalogueDatabase::libraryPath(const std::string& fileName) {
  return platform::foundation::Paths::library() + "/" + fileName;
}

std::string CatalogueDatabase::bundlePath(const std::string& resourceName) {
  return platform::foundation::Bundle::main()->pathForResource(resourceName, "db");
}

bool CatalogueDatabase::openPath(const std::string& path, bool shared) {
  close();
  path_ = path;
  std::string error;
  connection_ = shared && CatalogueSession::active() ? CatalogueSession::connection(path, error)
                                                     : CatalogueConnection::open(path, error);
  if (!connection_) {
    logError("Could not open catalogue " + path + ": " + error);
    return false;
  }
  return true;
}

bool CatalogueDatabase::openToRead(const std::string& path) {
  close();
  path_ = path;
  std::string error;
  connection_ = CatalogueConnection::openToRead(path, error);
  if (!connection_) {
    logError("Could not open catalogue " + path + " to read it: " + error);
    return false;
  }
  return true;
}

void CatalogueDatabase::shareConnectionOf(const CatalogueDatabase& other) {
  close();
  connection_ = other.connection_;
  path_ = other.path_;
}

bool CatalogueDatabase::checked() const { return connection_ && connection_->checked; }

void CatalogueDatabase::markChecked() {
  if (connection_) connection_->checked = true;
}

void CatalogueDatabase::close() {
  // A transaction this scope left open goes back, so a shared connection is never handed on mid-way.
  if (connection_ && connection_.use_count() == 1) rollback();
  connection_.reset();
}

CatalogueStatement CatalogueDatabase::prepare(std::string_view sql, bool quiet) {
  if (!connection_) {
    logError("Catalogue is not open: " + (path_.empty() ? std::string("(none)") : path_));
    return CatalogueStatement();
  }
  if (connection_->heldSelection && mustFollowHeldSelection(sql) && !writeHeldSelection()) return CatalogueStatement();
  if (sqlite3_stmt* cached = connection_->takeCached(sql)) {
    return CatalogueStatement(cached, connection_, std::string(sql));
  }
  sqlite3_stmt* statement = nullptr;
  sqlite3* db = connection_->handle();
  if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &statement,
                         nullptr) != SQLITE_OK) {
    if (!quiet) logError(std::string("Could not prepare statement: ") + sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    return CatalogueStatement();
  }
  return CatalogueStatement(statement, connection_, std::string(sql));
}

bool CatalogueDatabase::execute(std::string_view sql, std::initializer_list<int64_t> parameters) {
  CatalogueStatement statement = prepare(sql);
  if (!statement.ok()) return false;
  int index = 1;
  for (int64_t value : parameters) statement.bind(index++, value);
  if (statement.run()) return true;
  logError("Statement failed: " + errorMessage());
  return false;
}

std::string CatalogueDatabase::errorMessage() const {
  return connection_ ? sqlite3_errmsg(connection_->handle()) : "catalogue is not open";
}

int CatalogueDatabase::errorCode() const { return connection_ ? sqlite3_errcode(connection_->handle()) : SQLITE_MISUSE; }

int CatalogueDatabase::changes() const { return connection_ ? sqlite3_changes(connection_->handle()) : 0; }

int64_t CatalogueDatabase::totalChanges() const {
  return connection_ ? sqlite3_total_changes64(connection_->handle()) : 0;
}

std::optional<int> CatalogueDatabase::nextId(std::string_view sql) {
  CatalogueStatement statement = prepare(sql, true);
  if (!statement.ok()) return std::nullopt;
  // A kept statement whose table went away prepares again only when stepped, and fails there.
  switch (statement.step()) {
    case CatalogueStatement::Step::Row: {
      // Ids are 32-bit: after the largest one (a catalogue edited by hand) no row can be numbered.
      const int64_t highest = statement.columnInt64(0);
      if (highest >= std::numeric_limits<int>::max()) {
        platform::log::write(platform::log::Warning, "The catalogue " + path_ + " holds the id " + std::to_string(highest) +
                                                         ", after which no new row can be numbered");
        return std::nullopt;
      }
      return static_cast<int>(std::max<int64_t>(highest, std::numeric_limits<int>::min()) + 1);
    }
    case CatalogueStatement::Step::Done: return 1;
    case CatalogueStatement::Step::Error: return std::nullopt;
  }
  return std::nullopt;
}

int CatalogueDatabase::nextIdOrLog(std::string_view sql) {
  const auto next = nextId(sql);
  if (!next) {
    logError("Eror fetching the lat id...");
    return -1;
  }
  // A table holding only ids below 1 (the standard packages -2 and -1) still gives out 1 first.
  return *next < 1 ? 1 : *next;
}

std::optional<bool> CatalogueDatabase::holdsRow(const std::string& table, const std::string& column, int64_t id) {
  if (!isIdentifier(table) || !isIdentifier(column)) return std::nullopt;
  CatalogueStatement statement = prepare("SELECT 1 FROM " + table + " WHERE " + column + " = ? LIMIT 1", true);
  if (!statement.ok()) return std::nullopt;
  statement.bind(1, id);
  return givesARow(statement);
}

std::optional<bool> CatalogueDatabase::holdsTable(const std::string& table, const std::string& schema) {
  if (!isIdentifier(schema)) return std::nullopt;
  CatalogueStatement statement =
      prepare("SELECT 1 FROM " + schema + ".sqlite_master WHERE type = 'table' AND name = ? LIMIT 1", true);
  if (!statement.ok()) return std::nullopt;
  statement.bind(1, table);
  return givesARow(statement);
}

bool CatalogueDatabase::remapIds(const std::string& table, const std::string& column,
                                 const std::vector<model::UpdateFormatIDObject>& mapping) {
  if (!isIdentifier(table) || !isIdentifier(column)) {
    logError("Refusing to remap ids of " + table + "." + column);
    return false;
  }
  if (mapping.empty()) return isOpen();
  Transaction transaction(*this);
  if (!transaction.active()) return false;
  if (!execute("CREATE TEMP TABLE IF NOT EXISTS catalogue_id_map (oldId INTEGER PRIMARY KEY, newId INTEGER)") ||
      !execute("DELETE FROM temp.catalogue_id_map")) {
    return false;
  }
  // OR IGNORE: the first entry of an old id is the one that counts.
  CatalogueStatement insert = prepare("INSERT OR IGNORE INTO temp.catalogue_id_map (oldId, newId) VALUES (?, ?)");
  for (const model::UpdateFormatIDObject& entry : mapping) {
    insert.bind(1, entry.oldID).bind(2, entry.newID);
    if (!insert.run()) {
      logError("Could not stage id remap: " + errorMessage());
      return false;
    }
    insert.reset();
  }
  insert.release();
  const std::string update = "UPDATE " + table + " SET " + column +
                             " = (SELECT newId FROM temp.catalogue_id_map WHERE oldId = " + table + "." + column +
                             ") WHERE " + column + " IN (SELECT oldId FROM temp.catalogue_id_map)";
  if (!execute(update) || !execute("DELETE FROM temp.catalogue_id_map")) return false;
  return transaction.commit();
}

bool CatalogueDatabase::begin() {
  if (execute("BEGIN IMMEDIATE")) {
    connection_->forgetTransactionSelections();
    return true;
  }
  noteRefusedWrite();
  return false;
}

bool CatalogueDatabase::inTransaction() const {
  return connection_ && !sqlite3_get_autocommit(connection_->handle());
}

bool CatalogueDatabase::commit() {
  if (execute("COMMIT")) {
    if (!connection_->selectionWriteRefused) {
      for (const std::string& table : connection_->selectionsWritten) SelectionTrust::written(path_, table);
    }
    connection_->forgetTransactionSelections();
    return true;
  }
  noteRefusedWrite();
  rollback();
  return false;
}

void CatalogueDatabase::rollback() {
  if (!connection_) return;
  connection_->forgetTransactionSelections();
  if (inTransaction()) sqlite3_exec(connection_->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

namespace {

void logFinalizeFailure(const std::string& reason) {
  logError("Failed to finalize data statement, normally error handling here.",
           "A catalogue change could not be completed (" + reason + "); it may not be stored");
}

}  // namespace

void CatalogueDatabase::logUpdateFailure() const {
  logError("Error, failed to prepare statement while updating." + errorMessage());
}

void CatalogueDatabase::noteRefusedWrite(std::string_view table) const {
  SelectionTrust::refused(path_, table);
  if (connection_ && inTransaction()) connection_->selectionWriteRefused = true;
}

void CatalogueDatabase::noteSelectionWritten(std::string_view table) const {
  if (!connection_) return;
  if (inTransaction()) {
    connection_->selectionsWritten.insert(std::string(table));
  } else {
    SelectionTrust::written(path_, table);
  }
}

int CatalogueDatabase::refusedWritesAt(const std::string& path) { return SelectionTrust::refusals(path); }

bool CatalogueDatabase::mayHoldStaleSelections(std::string_view table) const {
  return SelectionTrust::mayBeStale(path_, table);
}

namespace {

bool isNamePart(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Whether `sql` names `table` as a whole word ("Manufacturer", not "ManufacturerId").
bool namesTable(std::string_view sql, std::string_view table) {
  for (size_t at = sql.find(table); at != std::string_view::npos; at = sql.find(table, at + 1)) {
    const size_t end = at + table.size();
    if ((at == 0 || !isNamePart(sql[at - 1])) && (end == sql.size() || !isNamePart(sql[end]))) return true;
  }
  return false;
}

// The table an "UPDATE <table> SET ..." or a "DELETE FROM <table> ..." (`verb`) writes.
std::string writtenTable(std::string_view sql, std::string_view verb) {
  if (sql.substr(0, verb.size()) != verb) return {};
  sql.remove_prefix(verb.size());
  return std::string(sql.substr(0, sql.find(' ')));
}

std::string updatedTable(std::string_view sql) { return writtenTable(sql, "UPDATE "); }
std::string deletedFrom(std::string_view sql) { return writtenTable(sql, "DELETE FROM "); }

}  // namespace

bool CatalogueDatabase::runUpdate(std::string_view sql, std::initializer_list<int64_t> parameters) {
  CatalogueStatement statement = prepare(sql, true);
  if (!statement.ok()) {
    logUpdateFailure();
    noteRefusedWrite(updatedTable(sql));
    return false;
  }
  int index = 1;
  for (int64_t value : parameters) statement.bind(index++, value);
  const bool done = statement.run();
  const std::string reason = statement.errorMessage();
  if (!statement.finalize()) logFinalizeFailure(reason);
  if (!done) noteRefusedWrite(updatedTable(sql));
  return done;
}

bool CatalogueDatabase::writeSelection(std::string_view sql, std::initializer_list<int64_t> parameters) {
  if (!runUpdate(sql, parameters)) return false;
  noteSelectionWritten(updatedTable(sql));
  return true;
}

bool CatalogueDatabase::selectOnly(std::string_view sql, int64_t id) {
  if (connection_ && connection_->holdsSelections) {
    if (connection_->heldSelection && connection_->heldSelection->sql != sql && !writeHeldSelection()) return false;
    connection_->heldSelection = CatalogueConnection::HeldSelection{std::string(sql), updatedTable(sql), id};
    return true;
  }
  return writeSelection(sql, {id});
}

bool CatalogueDatabase::mustFollowHeldSelection(std::string_view sql) const {
  // A commit stores it; a write to its table goes to the file after it, never before. Readers of the
  // table apply it themselves (heldSelection) or write it first; other tables do not see it.
  if (sql.substr(0, 6) == "COMMIT" || sql.substr(0, 3) == "END") return true;
  return sql.substr(0, 6) != "SELECT" && namesTable(sql, connection_->heldSelection->table);
}

std::optional<int64_t> CatalogueDatabase::heldSelection() const {
  if (!connection_ || !connection_->heldSelection) return std::nullopt;
  return connection_->heldSelection->id;
}

bool CatalogueDatabase::writeHeldSelection() {
  if (!connection_ || !connection_->heldSelection) return true;
  const auto held = std::move(*connection_->heldSelection);
  connection_->heldSelection.reset();
  return writeSelection(held.sql, {held.id});
}

void CatalogueDatabase::holdSelections(bool hold) {
  if (!connection_) return;
  connection_->holdsSelections = hold;
  if (!hold) connection_->heldSelection.reset();
}

bool CatalogueDatabase::runDelete(std::string_view sql, std::initializer_list<int64_t> parameters) {
  CatalogueStatement statement = prepare(sql, true);
  if (!statement.ok()) {
    logError("DATABASE ERROR WHILE DELETING ID", "A catalogue row could not be deleted (" + errorMessage() + ")");
    noteRefusedWrite(deletedFrom(sql));
    return false;
  }
  int index = 1;
  for (int64_t value : parameters) statement.bind(index++, value);
  if (statement.run()) return true;
  // A file the app may only read, a lock another program holds, a full disk: the rows stay, and the
  // person is told by whoever asked for the delete.
  logError("DATABASE ERROR WHILE DELETING ID",
           "A catalogue row could not be deleted (" + statement.errorMessage() + "); it stays stored");
  noteRefusedWrite(deletedFrom(sql));
  return false;
}

CatalogueStatement CatalogueDatabase::prepareInsert(std::string_view sql) {
  CatalogueStatement statement = prepare(sql, true);
  if (!statement.ok()) {
    logError("Error, failed to prepare statement, normally handle error here.",
             "A catalogue change could not be prepared (" + errorMessage() + "); it is not stored");
  }
  return statement;
}

bool CatalogueDatabase::finishInsert(CatalogueStatement& statement) {
  if (!statement.ok()) return false;
  const bool done = statement.run();
  const std::string reason = statement.errorMessage();
  if (!done) {
    logError("Failed to do data statement, normally error handling here.",
             "A catalogue change could not be stored (" + reason + ")");
  }
  if (!statement.finalize()) logFinalizeFailure(reason);
  return done;
}

}  // namespace app::storage

