// QuorvelPackageUtil: listing, storing and deleting packages, and following renumbered catalogue rows.
#include <type_traits>
#include <utility>

#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/QuorvelPackageUtil.h"
#include "platform/log/Log.h"

using app::storage::OpenCatalogue;

namespace {

// One short-lived opening of the package catalogue around `work`; `fallback` when it cannot be opened.
template <class Work, class Result = std::invoke_result_t<Work, PackageDatabaseHelper&>>
Result withPackages(Work&& work, Result fallback = Result()) {
  OpenCatalogue<PackageDatabaseHelper> packages;
  return packages ? work(*packages) : fallback;
}

// A change of the stored packages; a failure is logged with `what` (the change is then not made).
template <class Change>
void changePackages(const char* what, Change&& change) {
  if (!withPackages(std::forward<Change>(change), false)) {
    platform::log::write(platform::log::Error, std::string("The stored packages could not ") + what);
  }
}

// Builds each stored package; one whose lenses are all gone is deleted on the spot and left out.
std::vector<QuorvelPackage> buildListed(const std::vector<QuorvelPackageDatabaseObject>& rows) {
  std::vector<QuorvelPackage> listed;
  for (const auto& row : rows) {
    QuorvelPackage package = QuorvelPackageUtil::generateQuorvelPackageFromDB(row);
    if (package.lensSet.empty()) {
      QuorvelPackageUtil::deletePackage(package.packageID);
      continue;
    }
    listed.push_back(std::move(package));
  }
  return listed;
}

}  // namespace

std::vector<QuorvelPackage> QuorvelPackageUtil::getAllPackages() {
  return buildListed(withPackages([](PackageDatabaseHelper& p) { return p.getAllPacakges(); }));
}

std::vector<QuorvelPackage> QuorvelPackageUtil::getAllPackagesSortedByName() {
  return buildListed(withPackages([](PackageDatabaseHelper& p) { return p.getAllPacakgesSortedByName(); }));
}

int QuorvelPackageUtil::savePackage(const QuorvelPackage& package) {
  return saveNewPackageFromOldPreset(generateDatbaseObject(package));
}

int QuorvelPackageUtil::saveNewPackageFromOldPreset(const QuorvelPackageDatabaseObject& package) {
  return withPackages([&](PackageDatabaseHelper& p) { return p.saveNewPackage(package); }, -1);
}

void QuorvelPackageUtil::saveStandardPackageOne(const QuorvelPackage& package) {
  const auto row = generateDatbaseObject(package);
  changePackages("store standard package one", [&](PackageDatabaseHelper& p) { return p.storeStandardPackage(row, -2); });
}

void QuorvelPackageUtil::saveStandardPackageTwo(const QuorvelPackage& package) {
  const auto row = generateDatbaseObject(package);
  changePackages("store standard package two", [&](PackageDatabaseHelper& p) { return p.storeStandardPackage(row, -1); });
}

void QuorvelPackageUtil::deletePackage(int packageId) {
  changePackages("be deleted", [&](PackageDatabaseHelper& p) { return p.deletePackage(packageId); });
}

void QuorvelPackageUtil::editPackageName(int packageId, const std::string& name) {
  changePackages("be renamed", [&](PackageDatabaseHelper& p) { return p.changePackageName(packageId, name); });
}

void QuorvelPackageUtil::deleteFormat(int formatId) {
  changePackages("follow a deleted format", [&](PackageDatabaseHelper& p) { return p.deleteFormat(formatId); });
}

void QuorvelPackageUtil::deleteCrop(int cropId) {
  changePackages("follow a deleted crop", [&](PackageDatabaseHelper& p) { return p.deleteCropFormat(cropId); });
}

void QuorvelPackageUtil::deleteAdapter(const QuorvelLensAdapter& adapter) {
  changePackages("follow a deleted adapter", [&](PackageDatabaseHelper& p) { return p.deleteAdapter(adapter.adapterId); });
}

void QuorvelPackageUtil::deleteLens(const LensObject& lens) {
  changePackages("follow a deleted lens", [&](PackageDatabaseHelper& p) { return p.deleteLenses(lens.lensId); });
}

void QuorvelPackageUtil::deleteFrameLine(const QuorvelFrameGuide& guide) {
  changePackages("follow a deleted frame guide", [&](PackageDatabaseHelper& p) { return p.deleteFrameGuide(guide.frameGuideId); });
}

void QuorvelPackageUtil::deleteLensManufacturer(int manufacturerId) {
  changePackages("follow a deleted lens series", [&](PackageDatabaseHelper& p) { return p.deleteLensManufacturer(manufacturerId); });
}

void QuorvelPackageUtil::cleanupPackageDB() {
  if (!PackageDatabaseHelper().cleanUp()) {
    platform::log::write(platform::log::Error, "The package catalogue could not be cleaned up");
  }
}

bool QuorvelPackageUtil::genericLensesExist() {
  OpenCatalogue<LensDatabaseHelper> lenses;
  return lenses && lenses->genericLensesExist();
}

namespace {

LensObject genericLens(float focalLength, float focalLengthMax, int selected, const char* type) {
  LensObject lens;
  lens.anamorphic = -1.0f;
  lens.custom = 1;
  lens.focalLength = focalLength;
  lens.focalLengthMax = focalLengthMax;
  lens.selected = selected;
  lens.lensType = type;
  return lens;
}

}  // namespace

void QuorvelPackageUtil::insertGenericPrimeLenses(const std::vector<PrimeLenseObject>& primes) {
  std::vector<LensObject> lenses;
  for (const auto& prime : primes) {
    lenses.push_back(genericLens(static_cast<float>(prime.primelense), 0.0f, prime.selected ? 1 : 0, "Prime Lens"));
  }
  OpenCatalogue<LensDatabaseHelper> helper;
  if (!helper || !helper->insertgenericPrimeLenses(lenses)) {
    platform::log::write(platform::log::Error, "Generic lenses could not all be stored");
  }
}

void QuorvelPackageUtil::insertGenericZoomLenses(const std::vector<FreeZoomLenseObject>& zooms, int selection) {
  std::vector<LensObject> lenses;
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

void QuorvelPackageUtil::updatePackageeLensIDs(const std::vector<UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered lenses", [&](PackageDatabaseHelper& p) { return p.remapLensIds(mapping); });
}

void QuorvelPackageUtil::updatePackeageCropIDs(const std::vector<UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered crops", [&](PackageDatabaseHelper& p) { return p.remapCropIds(mapping); });
}

void QuorvelPackageUtil::updatePackeageFormatIDs(const std::vector<UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered formats", [&](PackageDatabaseHelper& p) { return p.remapFormatIds(mapping); });
}

void QuorvelPackageUtil::updatePackeageFrameGuidIDs(const std::vector<UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered frame guides", [&](PackageDatabaseHelper& p) { return p.remapFrameGuideIds(mapping); });
}

void QuorvelPackageUtil::updatePackageLensManufacturersIDs(const std::vector<UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered lens series", [&](PackageDatabaseHelper& p) { return p.remapLensManufacturerIds(mapping); });
}

void QuorvelPackageUtil::updateAdapterDBOldId(int oldId, int newId) {
  changePackages("follow a renumbered adapter", [&](PackageDatabaseHelper& p) { return p.updateAdapterIdold(oldId, newId); });
}

void QuorvelPackageUtil::updatePackageLensManufacturersID(int oldId, int newId, int packageId) {
  changePackages("follow a renumbered lens series", [&](PackageDatabaseHelper& p) { return p.updateLensManufacturer(oldId, newId, packageId); });
}

void QuorvelPackageUtil::updateLensManufacturerID(int newId, int packageId) {
  changePackages("follow a new lens series", [&](PackageDatabaseHelper& p) { return p.updateLensManufacturerID(newId, packageId); });
}

void QuorvelPackageUtil::updatePackagesLensID(int oldLensId, int newLensId, int packageLensId) {
  changePackages("follow a renumbered lens", [&](PackageDatabaseHelper& p) { return p.updateLensID(oldLensId, newLensId, packageLensId); });
}

void QuorvelPackageUtil::updatePackageLensID(int newId, int oldId) {
  changePackages("follow a renumbered lens", [&](PackageDatabaseHelper& p) { return p.updateLensIdold(oldId, newId); });
}
