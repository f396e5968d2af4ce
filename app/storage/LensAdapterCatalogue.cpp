#include "app/storage/LensAdapterCatalogue.h"

#include <array>

#include "app/storage/LensAdapter.h"
#include "app/storage/recovery/CatalogueOpening.h"
#include "app/storage/recovery/CatalogueReplacement.h"
#include "app/storage/recovery/CatalogueUpdate.h"
#include "app/storage/recovery/PendingPackageRemap.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueStatement;
using app::storage::CatalogueUpdate;
using app::storage::PendingPackageRemap;

namespace app::storage {

namespace {

using Step = CatalogueStatement::Step;

constexpr const char* kAllAdapters = "SELECT * FROM QuorvelLensAdapter ORDER BY LOWER (LensAdapterName)";

// The "no adapter" row is stored under a name beginning with "aaaa" so that it sorts first.
std::string shownName(std::string stored, bool noneRule) {
  if (noneRule && stored.rfind("aaaa", 0) == 0) return LensAdapter::localizedNone();
  return stored;
}

}  // namespace

constinit const CatalogueKind LensAdapterCatalogue::kKind{.fileName = kFileName,
                                                          .resourceName = kResourceName,
                                                          .tables = kTables,
                                                          .carryRows = &carryRowsFrom,
                                                          .marks = kPersonsMarks,
                                                          .personsRows = &personsRows};

std::string LensAdapterCatalogue::customAdapters() {
  return "SELECT * FROM QuorvelLensAdapter WHERE " + kKind.personsRowsOf("QuorvelLensAdapter") +
         " ORDER BY LOWER (LensAdapterName)";
}

bool LensAdapterCatalogue::openDb(bool reset) {
  if (reset && !resetDB()) CatalogueUpdate::keptInstalled(kFileName);
  return CatalogueOpening::openForHelper(database_, kKind);
}

// Column order of every SELECT * on LensAdapterRecord.
model::LensAdapterRecord LensAdapterCatalogue::readOne(CatalogueStatement& row) {
  model::LensAdapterRecord adapter;
  adapter.adapterId = row.columnInt(0);
  adapter.adapterName = row.columnText(1);
  adapter.adapterValueWidth = row.columnFloat(2);
  adapter.adapterValueHeight = row.columnFloat(3);
  adapter.comment = row.columnText(4);
  adapter.adapterType = row.columnInt(5);
  adapter.selected = row.columnInt(6);
  return adapter;
}

std::vector<model::LensAdapterRecord> LensAdapterCatalogue::readAdapters(const std::string& sql, bool noneRule) {
  std::vector<model::LensAdapterRecord> adapters;
  auto statement = database_.prepare(sql, true);
  const auto held = database_.heldSelection();
  while (statement.step() == Step::Row) {
    adapters.push_back(readOne(statement));
    adapters.back().adapterName = shownName(adapters.back().adapterName, noneRule);
    if (held) adapters.back().selected = adapters.back().adapterId == *held ? 1 : 0;
  }
  return adapters;
}

std::vector<model::LensAdapterRecord> LensAdapterCatalogue::getAllAdapters() {
  return readAdapters(kAllAdapters, true);
}

std::vector<model::LensAdapterRecord> LensAdapterCatalogue::getAllCustomAdapters() {
  return readAdapters(customAdapters(), true);
}

model::LensAdapterRecord LensAdapterCatalogue::getSelectedLensAdapter() {
  if (!database_.writeHeldSelection()) database_.logUpdateFailure();
  auto all = readAdapters("SELECT * FROM QuorvelLensAdapter WHERE AdapterSelected = 1", true);
  return all.empty() ? model::LensAdapterRecord() : all.back();
}

bool LensAdapterCatalogue::deselectAllAdapter() {
  return database_.writeSelection("UPDATE QuorvelLensAdapter SET AdapterSelected = 0");
}

bool LensAdapterCatalogue::selectAdapter(int adapterId) {
  return database_.writeSelection("UPDATE QuorvelLensAdapter SET AdapterSelected = 1 WHERE LensAdapterId = ?",
                                  {adapterId});
}

bool LensAdapterCatalogue::selectOnlyAdapter(int adapterId) {
  return database_.selectOnly(
      "UPDATE QuorvelLensAdapter SET AdapterSelected = (LensAdapterId = ?1) WHERE AdapterSelected IS NOT (LensAdapterId = ?1)",
      adapterId);
}

bool LensAdapterCatalogue::deleteAdapter(const model::LensAdapterRecord& adapter) {
  return database_.runDelete("DELETE FROM QuorvelLensAdapter WHERE LensAdapterId = ?", {adapter.adapterId});
}

int LensAdapterCatalogue::getLastAdapterID() {
  return database_.nextIdOrLog("SELECT LensAdapterId FROM QuorvelLensAdapter ORDER BY LensAdapterId DESC LIMIT 1");
}

// A user adapter: its name and factors; comment, type and selection are those of a new user row.
int LensAdapterCatalogue::insertAdapter(const model::LensAdapterRecord& adapter, bool withComment) {
  const int id = getLastAdapterID();
  if (id < 0) return -1;
  auto statement = database_.prepareInsert(
      "INSERT INTO QuorvelLensAdapter (LensAdapterId,LensAdapterName,AdapterWidthValue,AdapterHeightValue,"
      "Comment,AdapterType,AdapterSelected) VALUES(?,?,?,?,?,?,?)");
  statement.bind(1, id)
      .bind(2, adapter.adapterName)
      .bind(3, static_cast<double>(adapter.adapterValueWidth))
      .bind(4, static_cast<double>(adapter.adapterValueHeight))
      .bind(5, withComment ? std::string_view(adapter.comment) : std::string_view())
      .bind(6, CatalogueKind::kPersons)
      .bind(7, 0);
  return CatalogueDatabase::finishInsert(statement) ? id : -1;
}

int LensAdapterCatalogue::insertNewAdapter(const model::LensAdapterRecord& adapter) {
  CatalogueDatabase::Transaction transaction(database_);
  if (!transaction.active()) return -1;
  const int id = insertAdapter(adapter, false);
  if (id < 0 || !deselectAllAdapter() || !selectAdapter(id)) return -1;
  return transaction.commit() ? id : -1;
}

int LensAdapterCatalogue::insertCustomAdapter(const model::LensAdapterRecord& adapter) {
  return insertAdapter(adapter, false);
}

int LensAdapterCatalogue::carryUserAdapter(const model::LensAdapterRecord& adapter) {
  return insertAdapter(adapter, true);
}

model::LensAdapterRecord LensAdapterCatalogue::getLensAdapter(int adapterId) {
  auto statement = database_.prepare("SELECT * FROM QuorvelLensAdapter WHERE LensAdapterId = ?", true);
  statement.bind(1, adapterId);
  model::LensAdapterRecord adapter;
  while (statement.step() == Step::Row) adapter = readOne(statement);
  adapter.adapterName = shownName(adapter.adapterName, true);
  return adapter;
}

std::vector<std::string> LensAdapterCatalogue::getAdapterNameList() {
  std::vector<std::string> names;
  for (const auto& adapter : readAdapters(kAllAdapters, false)) names.push_back(adapter.adapterName);
  return names;
}

std::vector<std::string> LensAdapterCatalogue::getAdapterShortNameList() {
  std::vector<std::string> texts;
  auto statement = database_.prepare(kAllAdapters, true);
  while (statement.step() == Step::Row) texts.push_back(statement.columnText(2));
  return texts;
}

model::LensAdapterRecord LensAdapterCatalogue::getAdapter4Name(const std::string& name) {
  // The name is bound, never pasted into the SQL: names with quotes are ordinary names.
  auto statement = database_.prepare("SELECT * FROM QuorvelLensAdapter WHERE LensAdapterName = ? LIMIT 1", true);
  statement.bind(1, name);
  model::LensAdapterRecord adapter;
  if (statement.step() == Step::Row) adapter = readOne(statement);
  adapter.adapterName = shownName(adapter.adapterName, true);
  return adapter;
}

namespace {

constexpr std::array<int, 9> kLegacyIds = {1, 8, 7, 9, 9, 9, 8, 3, 5};

int legacyId(const std::vector<std::string>& names, const std::string& name) {
  size_t index = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) {
      index = i;
      break;
    }
  }
  return index < kLegacyIds.size() ? kLegacyIds[index] : 1;
}

}  // namespace

int LensAdapterCatalogue::getAdapterID4OldName(const std::string& name) {
  return legacyId(LensAdapter().adapterShortNameList(), name);
}

int LensAdapterCatalogue::getAdapterID4OldNameFULL(const std::string& name) {
  return legacyId(LensAdapter().adapterNameList(), name);
}

bool LensAdapterCatalogue::resetDB() {
  return rebuildFrom(CatalogueDatabase::libraryPath(kFileName)) == CatalogueUpdate::Rebuilt::Done;
}

CatalogueUpdate::Rebuilt LensAdapterCatalogue::carryRowsFrom(const std::string& readable) {
  return LensAdapterCatalogue().rebuildFrom(readable);
}

CatalogueUpdate::Rebuilt LensAdapterCatalogue::rebuildFrom(const std::string& source) {
  // The user's adapters as stored: their raw names, so a name beginning with "aaaa" is not turned
  // into the localised "None" on the way over.
  std::vector<model::LensAdapterRecord> custom;
  LensAdapterCatalogue installed;
  const auto opened =
      CatalogueUpdate::openInstalled(database_, installed.database_, source,
                                     {"SELECT LensAdapterId, AdapterType FROM QuorvelLensAdapter"}, "The lens adapter catalogue");
  if (opened == CatalogueUpdate::Installed::Unreadable) return CatalogueUpdate::Rebuilt::SourceUnreadable;
  if (opened == CatalogueUpdate::Installed::Open) {
    custom = installed.readAdapters(customAdapters(), false);
  }

  return CatalogueReplacement::rebuild(kKind, [&custom](const std::string& staging) {
    LensAdapterCatalogue fresh;
    if (!fresh.database_.openPath(staging)) return false;
    if (!CatalogueReplacement::fillWithoutSyncing(fresh.database_)) return false;
    CatalogueDatabase::Transaction transaction(fresh.database_);
    if (!transaction.active()) return false;
    PendingPackageRemap remap;
    for (const auto& adapter : custom) {
      const int newId = fresh.carryUserAdapter(adapter);
      if (newId < 0) return false;
      remap.add(PendingPackageRemap::Kind::Adapter, adapter.adapterId, newId);
    }
    CatalogueUpdate::reached(CatalogueUpdate::Stage::Staging);
    return remap.store(fresh.database_) && transaction.commit();
  });
}

std::vector<CatalogueKind::PersonsRowQuery> LensAdapterCatalogue::personsRows() {
  const std::string adapter =
      "SELECT printf('adapter|%s|%.3f|%.3f|%s', LensAdapterName, AdapterWidthValue, AdapterHeightValue, Comment)";
  const std::string adapters = " FROM QuorvelLensAdapter WHERE " + kKind.personsRowsOf("QuorvelLensAdapter");
  return {{adapter + ", NULL" + adapters, adapter + adapters}};
}

}  // namespace app::storage

