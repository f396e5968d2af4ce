#include "app/storage/CatalogueBatch.h"

#include <sqlite3.h>

#include "platform/log/Log.h"

namespace app::storage {

namespace {

// Every selection flag of a catalogue that is set, with the table's row count and highest id, as one
// text. Only selection flags change in a batch, so the flags that are 0 follow from the others: listing
// only those that are not keeps this cheap, a NULL flag that became 0 still tells, and so would a row
// added or removed.
constexpr const char* kSelections[] = {
    "SELECT ifnull((SELECT group_concat(ManufacturerId || ':' || ifnull(Selected, 'n'), ',') FROM "
    "(SELECT ManufacturerId, Selected FROM Manufacturer WHERE Selected IS NOT 0 ORDER BY ManufacturerId)), '') || '|' || "
    "(SELECT count(*) || '/' || ifnull(max(ManufacturerId), '') FROM Manufacturer) || '|' || "
    "ifnull((SELECT group_concat(LensId || ':' || ifnull(DefaultSelection, 'n'), ',') FROM "
    "(SELECT LensId, DefaultSelection FROM Lenses WHERE DefaultSelection IS NOT 0 ORDER BY LensId)), '') || '|' || "
    "(SELECT count(*) || '/' || ifnull(max(LensId), '') FROM Lenses)",
    "SELECT ifnull((SELECT group_concat(id || ':' || ifnull(selected, 'n'), ',') FROM "
    "(SELECT id, selected FROM QuorvelFrameGuide WHERE selected IS NOT 0 ORDER BY id)), '') || '|' || "
    "(SELECT count(*) || '/' || ifnull(max(id), '') FROM QuorvelFrameGuide)",
    "SELECT ifnull((SELECT group_concat(LensAdapterId || ':' || ifnull(AdapterSelected, 'n'), ',') FROM "
    "(SELECT LensAdapterId, AdapterSelected FROM QuorvelLensAdapter WHERE AdapterSelected IS NOT 0 "
    "ORDER BY LensAdapterId)), '') || '|' || "
    "(SELECT count(*) || '/' || ifnull(max(LensAdapterId), '') FROM QuorvelLensAdapter)",
};

std::string selections(CatalogueDatabase& database, const char* sql) {
  auto statement = database.prepare(sql);
  return statement.step() == CatalogueStatement::Step::Row ? statement.columnText(0) : std::string("?");
}

// The same as the file holds it, without the batch's open transaction: read through a connection of
// its own, which may read while the batch's only reserves the file. Empty when it cannot be read, which
// never equals a text of the batch's.
std::string committedSelections(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  std::string text;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
      if (const auto* column = sqlite3_column_text(statement, 0)) text = reinterpret_cast<const char*>(column);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return text;
}

}  // namespace

std::array<CatalogueDatabase*, 3> CatalogueBatch::watched() {
  return {lenses_ ? &lenses_->database() : nullptr, formats_ ? &formats_->database() : nullptr,
          adapters_ ? &adapters_->database() : nullptr};
}

CatalogueBatch::CatalogueBatch() {
  // A catalogue that did not open takes no part: its helpers read empty values and write nothing.
  const auto watched = this->watched();
  for (size_t i = 0; i < 3; ++i) {
    if (!watched[i]) continue;
    transactions_[i].emplace(*watched[i]);
    changesBefore_[i] = watched[i]->totalChanges();
    if (transactions_[i]->active()) watched[i]->holdSelections(true);
  }
  if (packages_) transactions_[3].emplace(packages_->database());
}

CatalogueBatch::~CatalogueBatch() {
  // Without commit() the transactions roll back, and what is held goes with them.
  for (CatalogueDatabase* database : watched()) {
    if (database) database->holdSelections(false);
  }
}

bool CatalogueBatch::commit() {
  const auto watched = this->watched();
  bool all = true;
  for (size_t i = 0; i < 3; ++i) {
    if (!watched[i]) continue;
    // The last selection of each kind is the one that stays; a catalogue that cannot take it keeps
    // all of its selections as they were.
    if (!watched[i]->writeHeldSelection()) {
      all = false;
      transactions_[i].reset();
    }
    watched[i]->holdSelections(false);
  }
  for (size_t i = 0; i < 3; ++i) {
    // Flags that ended as they began: going back writes nothing, committing would write pages. A
    // catalogue that took no row at all has nothing to compare; for one that did, what the file still
    // holds is how they began.
    if (!watched[i] || !transactions_[i] || watched[i]->totalChanges() == changesBefore_[i]) continue;
    const std::string now = selections(*watched[i], kSelections[i]);
    if (now == committedSelections(watched[i]->path(), kSelections[i])) transactions_[i].reset();
  }
  for (auto& transaction : transactions_) {
    if (transaction && transaction->active() && !transaction->commit()) all = false;
  }
  if (!all) platform::log::write(platform::log::Error, "Changes to the catalogues could not all be stored");
  return all;
}

}  // namespace app::storage

