// PackageUtil: listing, storing and deleting packages, and following renumbered catalogue rows.
#include <type_traits>
#include <utility>

#include "app/storage/CataloguePlace.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/PackageUtil.h"
#include "platform/log/Log.h"

using app::storage::OpenCatalogue;

namespace app::storage {

namespace {

// One short-lived opening of the package catalogue around `work`; `fallback` when it cannot be opened.
template <class Work, class Result = std::invoke_result_t<Work, PackageDatabaseHelper&>>
Result withPackages(Work&& work, Result fallback = Result()) {
  OpenCatalogue<PackageDatabaseHelper> packages;
  return packages ? work(*packages) : fallback;
}

// A change of the stored packages; a failure is logged with `what` (the change is then not made).
template <class Change>
bool changePackages(const char* what, Change&& change) {
  if (withPackages(std::forward<Change>(change), false)) return true;
  platform::log::write(platform::log::Error, std::string("The stored packages could not ") + what);
  return false;
}

// The stored packages following a deleted catalogue row; noted once they did, so that the log tells
// each step of a delete.
template <class Change>
bool followDelete(const std::string& row, int id, Change&& change) {
  if (!changePackages(("follow a deleted " + row).c_str(), std::forward<Change>(change))) return false;
  platform::log::write(platform::log::Notice, "The stored packages followed the deleted " + row + " " + std::to_string(id));
  return true;
}

// Whether a stored package's lenses are known to be gone, not merely unread: its lens rows were read
// whole, the lens catalogue opened and answered for each of them, and neither catalogue may lack rows
// of the person's kept elsewhere (a copy kept aside, a rescue to finish, a file they moved away: it may
// hold them, and the person may put it back).
bool lensesKnownGone(const PackageDatabaseObject& row) {
  if (!row.lensSetIDsWhole) return false;
  for (const char* fileName : {LensDatabaseHelper::kFileName, PackageDatabaseHelper::kFileName}) {
    if (CataloguePlace::mayLackPersonsRows(fileName)) return false;
  }
  OpenCatalogue<LensDatabaseHelper> lenses;
  if (!lenses) return false;
  const std::optional<bool> anyStored = lenses->holdsAnyLens(row.lensSetIDs);
  return anyStored.has_value() && !*anyStored;
}

// Builds each stored package. One whose lenses are known to be gone is deleted on the spot; one whose
// lenses could not be read is left out of this list and stays stored.
std::vector<model::CameraPackage> buildListed(const std::vector<PackageDatabaseObject>& rows) {
  std::vector<model::CameraPackage> listed;
  for (const auto& row : rows) {
    model::CameraPackage package = PackageUtil::generatePackageFromDB(row);
    if (!package.lensSet.empty()) {
      listed.push_back(std::move(package));
    } else if (lensesKnownGone(row)) {
      static_cast<void>(PackageUtil::deletePackage(package.packageID));
    } else {
      platform::log::write(platform::log::Warning, "The saved package \"" + row.packageName +
                                                       "\" is not listed: its lenses could not be read; it stays stored");
    }
  }
  return listed;
}

}  // namespace

std::vector<model::CameraPackage> PackageUtil::getAllPackages() {
  return buildListed(withPackages([](PackageDatabaseHelper& p) { return p.getAllPackages(); }));
}

std::vector<model::CameraPackage> PackageUtil::getAllPackagesSortedByName() {
  return buildListed(withPackages([](PackageDatabaseHelper& p) { return p.getAllPackagesSortedByName(); }));
}

int PackageUtil::savePackage(const model::CameraPackage& package) {
  return saveNewPackageFromOldPreset(generateDatabaseObject(package));
}

int PackageUtil::saveNewPackageFromOldPreset(const PackageDatabaseObject& package) {
  return withPackages([&](PackageDatabaseHelper& p) { return p.saveNewPackage(package); }, -1);
}

bool PackageUtil::saveStandardPackageOne(const model::CameraPackage& package) {
  return storeStandardPackage(generateDatabaseObject(package), -2);
}

bool PackageUtil::saveStandardPackageTwo(const model::CameraPackage& package) {
  return storeStandardPackage(generateDatabaseObject(package), -1);
}

bool PackageUtil::storeStandardPackage(const PackageDatabaseObject& row, int packageId) {
  return changePackages(packageId == -2 ? "store standard package one" : "store standard package two",
                        [&](PackageDatabaseHelper& p) { return p.storeStandardPackage(row, packageId); });
}

std::optional<PackageDatabaseObject> PackageUtil::storedPackage(int packageId) {
  return withPackages([packageId](PackageDatabaseHelper& p) { return p.loadPackage(packageId); });
}

bool PackageUtil::deletePackage(int packageId) {
  return changePackages("be deleted", [&](PackageDatabaseHelper& p) { return p.deletePackage(packageId); });
}

bool PackageUtil::editPackageName(int packageId, const std::string& name) {
  return changePackages("be renamed", [&](PackageDatabaseHelper& p) { return p.changePackageName(packageId, name); });
}

bool PackageUtil::deleteFormat(int formatId) {
  return followDelete("format", formatId, [&](PackageDatabaseHelper& p) { return p.deleteFormat(formatId); });
}

bool PackageUtil::deleteCrop(int cropId) {
  return followDelete("crop", cropId, [&](PackageDatabaseHelper& p) { return p.deleteCropFormat(cropId); });
}

bool PackageUtil::deleteAdapter(const model::LensAdapterRecord& adapter) {
  return followDelete("adapter", adapter.adapterId,
                      [&](PackageDatabaseHelper& p) { return p.deleteAdapter(adapter.adapterId); });
}

bool PackageUtil::deleteLens(const model::LensObject& lens) {
  return followDelete("lens", lens.lensId, [&](PackageDatabaseHelper& p) { return p.deleteLenses(lens.lensId); });
}

bool PackageUtil::deleteFrameLine(const model::FrameGuide& guide) {
  return followDelete("frame guide", guide.frameGuideId,
                      [&](PackageDatabaseHelper& p) { return p.deleteFrameGuide(guide.frameGuideId); });
}

bool PackageUtil::deleteLensManufacturer(int manufacturerId) {
  return followDelete("lens series", manufacturerId,
                      [&](PackageDatabaseHelper& p) { return p.deleteLensManufacturer(manufacturerId); });
}

void PackageUtil::cleanupPackageDB() {
  if (!PackageDatabaseHelper().cleanUp()) {
    platform::log::write(platform::log::Error, "The package catalogue could not be cleaned up");
  }
}

bool PackageUtil::genericLensesExist() {
  OpenCatalogue<LensDatabaseHelper> lenses;
  return lenses && lenses->genericLensesExist();
}

namespace {

model::LensObject genericLens(float focalLength, float focalLengthMax, int selected, const char* type) {
  model::LensObject lens;
  lens.anamorphic = -1.0f;
  lens.custom = 1;
  lens.focalLength = focalLength;
  lens.focalLengthMax = focalLengthMax;
  lens.selected = selected;
  lens.lensType = type;
  return lens;
}

}  // namespace

void PackageUtil::insertGenericPrimeLenses(const std::vector<model::PrimeLensObject>& primes) {
  std::vector<model::LensObject> lenses;
  for (const auto& prime : primes) {
    lenses.push_back(genericLens(static_cast<float>(prime.primeLens), 0.0f, prime.selected ? 1 : 0, "Prime Lens"));
  }
  OpenCatalogue<LensDatabaseHelper> helper;
  if (!helper || !helper->insertgenericPrimeLenses(lenses)) {
    platform::log::write(platform::log::Error, "Generic lenses could not all be stored");
  }
}

void PackageUtil::insertGenericZoomLenses(const std::vector<model::FreeZoomLensObject>& zooms, int selection) {
  std::vector<model::LensObject> lenses;
  for (size_t i = 0; i < zooms.size(); ++i) {
    const int selected = static_cast<int>(i) == selection ? 1 : 0;
    lenses.push_back(
        genericLens(static_cast<float>(zooms[i].minFl), static_cast<float>(zooms[i].maxFl), selected, "Zoom Lens"));
  }
  OpenCatalogue<LensDatabaseHelper> helper;
  if (!helper || !helper->insertgenericZoomLenses(lenses)) {
    platform::log::write(platform::log::Error, "Generic lenses could not all be stored");
  }
}

void PackageUtil::updatePackageLensIDs(const std::vector<model::UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered lenses", [&](PackageDatabaseHelper& p) { return p.remapLensIds(mapping); });
}

void PackageUtil::updatePackeageCropIDs(const std::vector<model::UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered crops", [&](PackageDatabaseHelper& p) { return p.remapCropIds(mapping); });
}

void PackageUtil::updatePackeageFormatIDs(const std::vector<model::UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered formats", [&](PackageDatabaseHelper& p) { return p.remapFormatIds(mapping); });
}

void PackageUtil::updatePackeageFrameGuidIDs(const std::vector<model::UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered frame guides", [&](PackageDatabaseHelper& p) { return p.remapFrameGuideIds(mapping); });
}

void PackageUtil::updatePackageLensManufacturersIDs(const std::vector<model::UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered lens series", [&](PackageDatabaseHelper& p) { return p.remapLensManufacturerIds(mapping); });
}

void PackageUtil::updateAdapterDBOldId(int oldId, int newId) {
  changePackages("follow a renumbered adapter", [&](PackageDatabaseHelper& p) { return p.updateAdapterIdold(oldId, newId); });
}

void PackageUtil::updatePackageLensManufacturersID(int oldId, int newId, int packageId) {
  changePackages("follow a renumbered lens series", [&](PackageDatabaseHelper& p) { return p.updateLensManufacturer(oldId, newId, packageId); });
}

void PackageUtil::updateLensManufacturerID(int newId, int packageId) {
  changePackages("follow a new lens series", [&](PackageDatabaseHelper& p) { return p.updateLensManufacturerID(newId, packageId); });
}

void PackageUtil::updatePackagesLensID(int oldLensId, int newLensId, int packageLensId) {
  changePackages("follow a renumbered lens", [&](PackageDatabaseHelper& p) { return p.updateLensID(oldLensId, newLensId, packageLensId); });
}

void PackageUtil::updatePackageLensID(int newId, int oldId) {
  changePackages("follow a renumbered lens", [&](PackageDatabaseHelper& p) { return p.updateLensIdold(oldId, newId); });
}

}  // namespace app::storage

