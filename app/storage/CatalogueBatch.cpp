#include "app/storage/CatalogueBatch.h"

#include "platform/log/Log.h"

namespace app::storage {

namespace {

// Every selection flag of a catalogue, as one text.
constexpr const char* kSelections[] = {
    "SELECT (SELECT group_concat(ManufacturerId || ':' || ifnull(Selected, 'n'), ',') FROM "
    "(SELECT ManufacturerId, Selected FROM Manufacturer ORDER BY ManufacturerId)) || '|' || "
    "(SELECT group_concat(LensId || ':' || ifnull(DefaultSelection, 'n'), ',') FROM "
    "(SELECT LensId, DefaultSelection FROM Lenses ORDER BY LensId))",
    "SELECT group_concat(id || ':' || ifnull(selected, 'n'), ',') FROM "
    "(SELECT id, selected FROM QuorvelFrameGuide ORDER BY id)",
    "SELECT group_concat(LensAdapterId || ':' || ifnull(AdapterSelected, 'n'), ',') FROM "
    "(SELECT LensAdapterId, AdapterSelected FROM QuorvelLensAdapter ORDER BY LensAdapterId)",
};

std::string selections(CatalogueDatabase& database, const char* sql) {
  auto statement = database.prepare(sql);
  return statement.step() == CatalogueStatement::Step::Row ? statement.columnText(0) : std::string("?");
}

}  // namespace

CatalogueBatch::CatalogueBatch() {
  // A catalogue that did not open takes no part: its helpers read empty values and write nothing.
  CatalogueDatabase* watched[] = {lenses_ ? &lenses_->database() : nullptr,
                                  formats_ ? &formats_->database() : nullptr,
                                  adapters_ ? &adapters_->database() : nullptr};
  for (size_t i = 0; i < 3; ++i) {
    if (!watched[i]) continue;
    transactions_[i].emplace(*watched[i]);
    selectionsBefore_[i] = selections(*watched[i], kSelections[i]);
  }
  if (packages_) transactions_[3].emplace(packages_->database());
}

CatalogueBatch::~CatalogueBatch() = default;

bool CatalogueBatch::commit() {
  CatalogueDatabase* watched[] = {lenses_ ? &lenses_->database() : nullptr,
                                  formats_ ? &formats_->database() : nullptr,
                                  adapters_ ? &adapters_->database() : nullptr};
  for (size_t i = 0; i < 3; ++i) {
    // Flags that ended as they began: going back writes nothing, committing would write pages.
    if (watched[i] && selections(*watched[i], kSelections[i]) == selectionsBefore_[i]) transactions_[i].reset();
  }
  bool all = true;
  for (auto& transaction : transactions_) {
    if (transaction && transaction->active() && !transaction->commit()) all = false;
  }
  if (!all) platform::log::write(platform::log::Error, "Changes to the catalogues could not all be stored");
  return all;
}

}  // namespace app::storage

