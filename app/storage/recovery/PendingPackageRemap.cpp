#include "app/storage/recovery/PendingPackageRemap.h"

#include <iterator>

#include "app/storage/connection/AttachedCatalogue.h"
#include "app/storage/connection/LogError.h"
#include "app/storage/recovery/CatalogueOpening.h"
#include "app/storage/recovery/CataloguePlace.h"
#include "app/storage/recovery/CatalogueRescue.h"
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
  return database.holdsTable(kTable, schema).value_or(false);
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

bool PendingPackageRemap::renumbers() const {
  for (const auto& list : lists_) {
    for (const auto& entry : list) {
      if (entry.oldID != entry.newID) return true;
    }
  }
  return false;
}

bool PendingPackageRemap::store(CatalogueDatabase& catalogue) const {
  if (!renumbers()) return true;
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

bool PendingPackageRemap::isPendingAt(const std::string& path) {
  if (CataloguePlace::stateOf(path) != CataloguePlace::State::File) return false;
  CatalogueDatabase catalogue;
  return !catalogue.openPath(path) || catalogue.holdsTable(kTable) != false;
}

std::string PendingPackageRemap::whyPackageCatalogueCannotJoin() {
  const std::string path = CatalogueDatabase::libraryPath(PackageCatalogue::kFileName);
  if (CatalogueRescue::isPending(PackageCatalogue::kFileName)) return "the package catalogue's rescue is not finished";
  if (CatalogueOpening::isLeftAlone(path)) return "the package catalogue is in use elsewhere";
  const auto place = CataloguePlace::at(path);
  // Seeding one now would make the change in a catalogue that holds none of the person's packages.
  if (place.state == CataloguePlace::State::Missing) return "the package catalogue is missing";
  if (place.state == CataloguePlace::State::Unreadable) return place.what + " stands at " + place.where;
  CatalogueDatabase packages;
  if (!CatalogueOpening::open(packages, PackageCatalogue::kKind)) return "the package catalogue could not be opened";
  return {};
}

std::string PendingPackageRemap::whyPackagesCannotFollow(bool takingItsLock) {
  if (std::string why = whyPackageCatalogueCannotJoin(); !why.empty()) return why;
  if (CataloguePlace::isSeededOverMissing(PackageCatalogue::kFileName)) {
    return "the package catalogue in place is a fresh copy made while yours was missing, and the renumbering is your "
           "own file's";
  }
  if (!takingItsLock) return {};
  // Its write lock, taken and let go of at once: whoever holds it now would hold it against the re-pointing.
  CatalogueDatabase probe;
  if (!probe.openPath(CatalogueDatabase::libraryPath(PackageCatalogue::kFileName), false)) {
    return "the package catalogue could not be opened";
  }
  auto begin = probe.prepare("BEGIN IMMEDIATE", true);
  if (!begin.run()) return "another program holds the package catalogue, or it may only be read (" + probe.errorMessage() + ")";
  begin.release();
  probe.rollback();
  return {};
}

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
  if (const std::string why = whyPackagesCannotFollow(false); !why.empty()) {
    logError("Stored packages could not follow the renumbered catalogue rows yet (" + why + "): " + cataloguePath);
    return false;
  }
  // The package catalogue, opened as its helper opens it.
  CatalogueDatabase database;
  if (!CatalogueOpening::openForHelper(database, PackageCatalogue::kKind)) return false;
  bool applied = false;
  {
    // One commit re-points the packages and drops the list, in both files or in neither (invariant (2)).
    const AttachedCatalogue updated(database, cataloguePath, "updated");
    if (updated) {
      CatalogueDatabase::Transaction transaction(database);
      PendingPackageRemap list;
      if (transaction.active() && !hasList(database, "updated")) {
        applied = true;
      } else if (transaction.active() && list.load(database, "updated") && list.repointAll(database)) {
        CatalogueUpdate::reached(CatalogueUpdate::Stage::Remapping);
        applied = database.execute(std::string("DROP TABLE updated.") + kTable) && transaction.commit();
      }
    }
  }
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

bool PendingPackageRemap::openFinishing(CatalogueDatabase& catalogue, const std::string& path) {
  if (!catalogue.openPath(path)) return false;
  if (!isPending(catalogue)) return true;
  catalogue.close();
  // Invariant (4) cannot be restored now (apply said why); the catalogue is still the user's to read.
  if (!apply(path)) platform::log::write(platform::log::Warning, "Opening " + path + " before its packages follow it");
  return catalogue.openPath(path);
}

}  // namespace app::storage

