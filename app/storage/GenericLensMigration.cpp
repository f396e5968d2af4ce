#include "app/storage/GenericLensMigration.h"

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/connection/LogError.h"
#include "platform/log/Log.h"

using app::storage::OpenCatalogue;

namespace app::storage {

namespace {

constexpr int kStandardOne = -2;
constexpr int kStandardTwo = -1;

bool isOldGeneric(int series) { return series == 1 || series == 2; }

using app::storage::logError;

float formatSqueeze(int formatId) {
  OpenCatalogue<CameraFormatCatalogue> formats;
  const auto mode = formats ? formats->getCameraFormat(formatId) : std::nullopt;
  return mode ? mode->anamorphotic : 0.0f;
}

// The package's lenses with the rows that hold them. A lens id the catalogue no longer knows is left
// out: there is nothing to carry for it.
std::vector<UpdatePackageLensObject> packageLenses(int packageId, const std::vector<int>& lensIds) {
  std::vector<UpdatePackageLensObject> lenses;
  OpenCatalogue<LensDatabaseHelper> catalogue;
  OpenCatalogue<PackageDatabaseHelper> packages;
  if (!catalogue || !packages) return lenses;
  for (int lensId : lensIds) {
    model::LensObject lens = catalogue->getLens(lensId);
    if (lens.lensId == 0) continue;
    lenses.push_back({.packageLensID = packages->getLensPackageIDForPackageId(packageId, lensId), .lens = lens});
  }
  return lenses;
}

// A standard package's set: the lenses the package itself holds. (The series' selection flags are
// not used: with both standard packages on one generic series they hold only the second one's set.)
std::optional<GenericSeriesPackage> standardSet(const model::CameraPackage& package, int packageId) {
  if (!package.lensManufacturer || !isOldGeneric(package.lensManufacturer->manufacturerId)) return std::nullopt;
  GenericSeriesPackage set;
  set.manufacturer = *package.lensManufacturer;
  set.packageID = packageId;
  std::vector<int> ids;
  for (const auto& lens : package.lensSet) ids.push_back(lens.lensId);
  set.lensSet = packageLenses(packageId, ids);
  set.anamorphicInFormat = formatSqueeze(package.shootingMode ? package.shootingMode->containerID : 0);
  return set;
}

bool seriesExists(int series) {
  OpenCatalogue<LensDatabaseHelper> lenses;
  const bool exists = lenses && lenses->getLensManufacturer(series).has_value();
  if (!exists) {
    platform::log::write(platform::log::Error, "Generic lens series " + std::to_string(series) +
                                                   " is missing; its lenses stay where they are");
  }
  return exists;
}

}  // namespace

int GenericLensMigration::targetSeries(int oldSeries, float formatSqueeze) {
  const bool anamorphic = formatSqueeze == 2.0f;
  if (oldSeries == 1) return anamorphic ? kGenericPrimesAnamorphic : kGenericPrimesSpherical;
  if (oldSeries == 2) return anamorphic ? kGenericZoomsAnamorphic : kGenericZoomsSpherical;
  return 0;
}

float GenericLensMigration::targetSqueeze(int series) {
  return series == kGenericPrimesAnamorphic || series == kGenericZoomsAnamorphic ? 2.0f : 1.0f;
}

GenericSeriesSnapshot GenericLensMigration::generateUpdateobjectWithPackageOne(const model::CameraPackage& packageOne,
                                                                                    const model::CameraPackage& packageTwo) {
  GenericSeriesSnapshot snapshot;
  snapshot.actualSet1 = standardSet(packageOne, kStandardOne);
  snapshot.actualSet2 = standardSet(packageTwo, kStandardTwo);

  std::vector<PackageDatabaseObject> stored;
  if (OpenCatalogue<PackageDatabaseHelper> packages; packages) stored = packages->getAllPackages();
  for (const auto& row : stored) {
    if (!isOldGeneric(row.lensManufacturerId)) continue;
    GenericSeriesPackage set;
    if (OpenCatalogue<LensDatabaseHelper> lenses; lenses) {
      set.manufacturer = lenses->getLensManufacturer(row.lensManufacturerId).value_or(model::LensManufacturer());
    }
    // The package row names the series even when the catalogue row of the series is gone.
    set.manufacturer.manufacturerId = row.lensManufacturerId;
    set.lensSet = packageLenses(row.packageID, row.lensSetIDs);
    set.anamorphicInFormat = formatSqueeze(row.cameraFormatId);
    set.packageID = row.packageID;
    snapshot.lensSets.push_back(std::move(set));
  }
  return snapshot;
}

NewLensManufacturerIds GenericLensMigration::updateGenericFavorites(const GenericSeriesSnapshot& snapshot) {
  NewLensManufacturerIds ids;
  const auto moveStandard = [&ids](const std::optional<GenericSeriesPackage>& set, int& movedTo) {
    if (!set) return;
    const int target = targetSeries(set->manufacturer.manufacturerId, set->anamorphicInFormat);
    if (target == 0) return;
    if (!seriesExists(target)) {
      ids.complete = false;
      return;
    }
    insertLenses4Manufacturer(set->lensSet, target, targetSqueeze(target));
    movedTo = target;
  };
  moveStandard(snapshot.actualSet1, ids.lensmanuID1);
  moveStandard(snapshot.actualSet2, ids.lensmanuID2);

  for (const auto& set : snapshot.lensSets) {
    const int oldSeries = set.manufacturer.manufacturerId;
    const int target = targetSeries(oldSeries, set.anamorphicInFormat);
    if (target == 0) continue;
    if (!seriesExists(target)) {
      ids.complete = false;
      continue;
    }
    updateAndInsertLensSet(set.lensSet, oldSeries, target, set.packageID, targetSqueeze(target));
  }
  return ids;
}

void GenericLensMigration::insertLenses4Manufacturer(const std::vector<UpdatePackageLensObject>& lenses,
                                                     int manufacturerId, float anamorphic) {
  OpenCatalogue<LensDatabaseHelper> catalogue;
  if (!catalogue) return;
  if (!catalogue->deselectLensesForManufacturer(manufacturerId)) logError("The generic lens set could not be cleared");
  for (const auto& entry : lenses) {
    model::LensObject lens = entry.lens;
    const int oldId = lens.lensId;
    lens.manufacturerId = manufacturerId;
    int newId = catalogue->lensExistsAlreadyWithID(lens);
    if (newId < 0) {
      lens.anamorphic = anamorphic;
      newId = catalogue->insertNewLens(lens);
    } else {
      model::LensObject twin = catalogue->getLens(newId);
      twin.selected = 1;
      if (!catalogue->selectLens(twin)) logError("A generic lens could not be selected");
    }
    if (newId >= 0 && entry.packageLensID >= 0) {
      PackageUtil::updatePackagesLensID(oldId, newId, entry.packageLensID);
    }
  }
}

void GenericLensMigration::updateAndInsertLensSet(const std::vector<UpdatePackageLensObject>& lenses, int oldSeries,
                                                  int newSeries, int packageId, float anamorphic) {
  {
    OpenCatalogue<LensDatabaseHelper> catalogue;
    if (!catalogue) return;
    for (const auto& entry : lenses) {
      model::LensObject lens = entry.lens;
      const int oldId = lens.lensId;
      lens.manufacturerId = newSeries;
      int newId = catalogue->lensExistsAlreadyWithID(lens);
      if (newId < 0) {
        lens.selected = 0;
        lens.anamorphic = anamorphic;
        newId = catalogue->insertNewLensWithOutSelectionUpdate(lens);
      }
      if (newId >= 0 && entry.packageLensID >= 0) {
        PackageUtil::updatePackagesLensID(oldId, newId, entry.packageLensID);
      }
    }
  }
  PackageUtil::updatePackageLensManufacturersID(oldSeries, newSeries, packageId);
}

}  // namespace app::storage

