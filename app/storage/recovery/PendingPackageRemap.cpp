#include "app/storage/recovery/PendingPackageRemap.h"

#include <iterator>

#include "app/storage/connection/LogError.h"
#include "app/storage/recovery/CatalogueOpening.h"
#include "app/storage/recovery/CataloguePlace.h"
#include "app/storage/recovery/CatalogueUpdate.h"
#include "app/storage/recovery/PackageCatalogue.h"
#include "platform/log/Log.h"

namespace app::storage {

namespace {

using Step = CatalogueStatement::Step;

constexpr const char* kTable = "PendingPackageRemap";

// The column of the stored packages that holds ids of each kind, in the order of the kinds.
struct Reference {
  const char* table;
  const char* column;
};
constexpr Reference kReferences[] = {{"PackageLensData", "lensID"},   {"PackageData", "lensManufacturerId"},
                                     {"PackageData", "cameraFormatId"}, {"PackageData", "cropId"},
                                     {"PackageData", "frameGuideId"},   {"PackageData", "adapterId"}};
static_assert(std::size(kReferences) == 6, "a column for every kind");

bool hasList(CatalogueDatabase& database, const std::string& schema) {
  auto statement = database.prepare("SELECT 1 FROM " + schema +
                                    ".sqlite_master WHERE type = 'table' AND name = 'PendingPackageRemap'");
  return statement.step() == Step::Row;
}

}  // namespace

void PendingPackageRemap::add(Kind kind, const std::vector<model::UpdateFormatIDObject>& mapping) {
  auto& list = lists_[index(kind)];
  list.insert(list.end(), mapping.begin(), mapping.end());
}

bool PendingPackageRemap::empty() const {
  for (const auto& list : lists_) {
    if (!list.empty()) return false;
  }
  return true;
}

bool PendingPackageRemap::store(CatalogueDatabase& catalogue) const {
  if (empty()) return true;
  if (!catalogue.execute(std::string("CREATE TABLE IF NOT EXISTS ") + kTable +
                         " (kind INTEGER, oldId INTEGER, newId INTEGER)")) {
    return false;
  }
  auto insert = catalogue.prepare(std::string("INSERT INTO ") + kTable + " (kind, oldId, newId) VALUES (?, ?, ?)");
  for (size_t kind = 0; kind < lists_.size(); ++kind) {
    for (const auto& entry : lists_[kind]) {
      insert.bind(1, static_cast<int>(kind)).bind(2, entry.oldID).bind(3, entry.newID);
      if (!insert.run()) return false;
      insert.reset();
    }
  }
  return true;
}

bool PendingPackageRemap::isPending(CatalogueDatabase& catalogue) { return hasList(catalogue, "main"); }

bool PendingPackageRemap::load(CatalogueDatabase& database, const std::string& schema) {
  auto statement = database.prepare("SELECT kind, oldId, newId FROM " + schema + "." + kTable + " ORDER BY rowid");
  if (!statement.ok()) return false;
  while (statement.step() == Step::Row) {
    const int kind = statement.columnInt(0);
    if (kind < 0 || static_cast<size_t>(kind) >= lists_.size()) continue;
    lists_[static_cast<size_t>(kind)].push_back({.oldID = statement.columnInt(1), .newID = statement.columnInt(2)});
  }
  return true;
}

bool PendingPackageRemap::apply(const std::string& cataloguePath) {
  // Only a catalogue file holds a list. ATTACH would create a missing file (and an empty catalogue would
  // then never be seeded), and would wait for ever on a FIFO.
  if (CataloguePlace::stateOf(cataloguePath) != CataloguePlace::State::File) return true;
  {
    CatalogueDatabase catalogue;
    if (!catalogue.openPath(cataloguePath)) return false;
    if (!isPending(catalogue)) return true;
  }
  // The package catalogue, opened as its helper opens it.
  CatalogueDatabase database;
  if (!CatalogueOpening::open(database, PackageCatalogue::kKind)) return false;
  database.markChecked();
  auto attach = database.prepare("ATTACH DATABASE ? AS updated");
  attach.bind(1, cataloguePath);
  if (!attach.run()) return false;
  attach.release();

  bool applied = false;
  {
    CatalogueDatabase::Transaction transaction(database);
    PendingPackageRemap list;
    if (transaction.active() && !hasList(database, "updated")) {
      applied = true;
    } else if (transaction.active() && list.load(database, "updated") && list.repointAll(database)) {
      CatalogueUpdate::reached(CatalogueUpdate::Stage::Remapping);
      applied = database.execute(std::string("DROP TABLE updated.") + kTable) && transaction.commit();
    }
  }
  if (!database.execute("DETACH DATABASE updated")) logError("Could not detach " + cataloguePath);
  if (!applied) logError("Stored packages could not follow the renumbered catalogue rows yet: " + cataloguePath);
  return applied;
}

bool PendingPackageRemap::repoint(CatalogueDatabase& packages, Kind kind,
                                  const std::vector<model::UpdateFormatIDObject>& mapping) {
  const Reference& reference = kReferences[index(kind)];
  return packages.remapIds(reference.table, reference.column, mapping);
}

bool PendingPackageRemap::repointAll(CatalogueDatabase& packages) const {
  for (const Kind kind : {Kind::Lens, Kind::LensSeries, Kind::Format, Kind::Crop, Kind::FrameGuide, Kind::Adapter}) {
    if (!repoint(packages, kind, entries(kind))) return false;
  }
  return true;
}

bool PendingPackageRemap::openSeeded(CatalogueDatabase& catalogue, const CatalogueKind& kind) {
  if (!CatalogueOpening::open(catalogue, kind)) return false;
  return catalogue.checked() || openFinishing(catalogue, catalogue.path());
}

bool PendingPackageRemap::openFinishing(CatalogueDatabase& catalogue, const std::string& path) {
  if (!catalogue.openPath(path)) return false;
  if (!isPending(catalogue)) return true;
  catalogue.close();
  // Invariant (4) cannot be restored now (apply said why); the catalogue is still the user's to read.
  if (!apply(path)) platform::log::write(platform::log::Warning, "Opening " + path + " before its packages follow it");
  return catalogue.openPath(path);
}

}  // namespace app::storage

