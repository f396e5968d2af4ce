// LensDatabaseHelper: bringing the catalogue to the bundle's version.
#include <unordered_set>

#include "app/storage/CatalogueReplacement.h"
#include "app/storage/CatalogueUpdate.h"
#include "app/storage/LensDatabaseHelper.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueReplacement;
using app::storage::CatalogueStatement;
using app::storage::CatalogueUpdate;
using app::storage::PendingPackageRemap;

namespace app::storage {

namespace {

using Step = CatalogueStatement::Step;
using Kind = PendingPackageRemap::Kind;

// What of the installed catalogue is the user's, read without changing it.
struct LensCarryOver {
  std::vector<UpdateLensObject> userSeries;     // series the user made, each with its lenses
  std::vector<model::LensObject> customLenses;         // lenses the user added to shipped series
  std::vector<LensSelectionObject> selections;  // the lens sets chosen among shipped lenses
};

// The old generic series: their lenses are not carried over (the generic-lens migration moves the
// ones in use into the newer generic series).
bool isOldGenericSeries(int seriesId) { return seriesId == 1 || seriesId == 2; }

constexpr const char* kSelectionProbe = "SELECT LensId, ManufacturerId, Custom, DefaultSelection FROM Lenses";

}  // namespace

bool LensDatabaseHelper::resetdatabase() {
  return rebuildFrom(CatalogueDatabase::libraryPath(kFileName)) == CatalogueUpdate::Rebuilt::Done;
}

CatalogueUpdate::Rebuilt LensDatabaseHelper::carryRowsFrom(const std::string& readable) {
  return LensDatabaseHelper().rebuildFrom(readable);
}

CatalogueUpdate::Rebuilt LensDatabaseHelper::rebuildFrom(const std::string& source) {
  LensCarryOver old;
  LensDatabaseHelper installed;
  const auto opened = CatalogueUpdate::openInstalled(database_, installed.database_, source,
                                                     {kSelectionProbe}, "The lens catalogue");
  if (opened == CatalogueUpdate::Installed::Unreadable) return CatalogueUpdate::Rebuilt::SourceUnreadable;
  if (opened == CatalogueUpdate::Installed::Open) {
    std::unordered_set<int> userSeriesIds;
    // A file from before the Origin column holds no series of the user's.
    if (installed.checkIfOriginColumnexist()) {
      for (auto& series : installed.getAllCustomManufacturers()) {
        userSeriesIds.insert(series.manufacturerId);
        if (isOldGenericSeries(series.manufacturerId)) continue;
        auto lenses = installed.getAllLensesForManufacturer(series.manufacturerId);
        if (!lenses.empty()) old.userSeries.push_back({.manufacturer = series, .lensSet = std::move(lenses)});
      }
    }
    const auto carried = [&](int seriesId) { return !isOldGenericSeries(seriesId) && !userSeriesIds.contains(seriesId); };
    for (auto& lens : installed.readWholeCustomLenses()) {
      if (carried(lens.manufacturerId)) old.customLenses.push_back(lens);
    }
    auto rows = installed.database_.prepare(kSelectionProbe);
    while (rows.step() == Step::Row) {
      if (rows.columnInt(2) != 1 && carried(rows.columnInt(1))) {
        old.selections.push_back({.lensId = rows.columnInt(0), .defaultSelection = rows.columnInt(3)});
      }
    }
  }

  return CatalogueReplacement::rebuild(kFileName, kResourceName, [&old](const std::string& staging) {
    LensDatabaseHelper fresh;
    if (!fresh.openPath(staging)) return false;
    if (!CatalogueReplacement::fillWithoutSyncing(fresh.database_)) return false;
    CatalogueDatabase::Transaction transaction(fresh.database_);
    if (!transaction.active()) return false;
    // Shipped lenses keep their ids from one version to the next, and so do their flags. Written
    // before any user row exists here, so an id that is now a user lens's is never touched.
    for (const auto& selection : old.selections) {
      if (!fresh.updateLensSelection(selection)) return false;
    }
    PendingPackageRemap remap;
    for (const auto& entry : old.userSeries) {
      model::LensManufacturer series = entry.manufacturer;
      series.selected = 0;  // the new catalogue's current series stands; two selected series would clash
      if (fresh.insertManufacturer(series) < 0) return false;
      remap.add(Kind::LensSeries, entry.manufacturer.manufacturerId, series.manufacturerId);
      for (model::LensObject lens : entry.lensSet) {
        const int oldId = lens.lensId;
        lens.manufacturerId = series.manufacturerId;
        if (fresh.carryUserLens(lens) < 0) return false;
        remap.add(Kind::Lens, oldId, lens.lensId);
      }
    }
    CatalogueUpdate::reached(CatalogueUpdate::Stage::Staging);
    for (model::LensObject lens : old.customLenses) {
      const int oldId = lens.lensId;
      const int twin = fresh.lensExistsAlreadyWithID(lens);
      if (twin >= 0) {
        // The new catalogue ships the same lens: packages move to it and it stays in the user's set.
        remap.add(Kind::Lens, oldId, twin);
        if (lens.selected == 1 && !fresh.updateLensSelection({.lensId = twin, .defaultSelection = 1})) return false;
        continue;
      }
      if (fresh.carryUserLens(lens) < 0) return false;
      remap.add(Kind::Lens, oldId, lens.lensId);
    }
    return remap.store(fresh.database_) && transaction.commit();
  });
}

}  // namespace app::storage

