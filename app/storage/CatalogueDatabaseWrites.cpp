// CatalogueDatabase: the update, delete and insert steps every catalogue class shares.
#include "app/storage/CatalogueDatabase.h"

#include <cctype>

#include "app/storage/CatalogueConnection.h"
#include "app/storage/LogError.h"
#include "app/storage/SelectionTrust.h"
#include "platform/log/Log.h"

namespace app::storage {

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

