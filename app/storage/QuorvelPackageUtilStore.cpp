// QuorvelPackageUtil: listing, storing and deleting packages, and following renumbered catalogue rows.
#include <type_traits>

#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/QuorvelPackageUtil.h"

namespace {

// One short-lived opening of the package catalogue around `work`.
template <class Work>
auto withPackages(Work&& work) {
  PackageDatabaseHelper packages;
  packages.openDb(false);
  if constexpr (std::is_void_v<decltype(work(packages))>) {
    work(packages);
    packages.closeDb();
  } else {
    auto result = work(packages);
    packages.closeDb();
    return result;
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
  return withPackages([&](PackageDatabaseHelper& p) { return p.saveNewPackage(package); });
}

void QuorvelPackageUtil::saveStandardPackageOne(const QuorvelPackage& package) {
  const auto row = generateDatbaseObject(package);
  withPackages([&](PackageDatabaseHelper& p) { p.savePackageStandardOne(row); });
}

void QuorvelPackageUtil::saveStandardPackageTwo(const QuorvelPackage& package) {
  const auto row = generateDatbaseObject(package);
  withPackages([&](PackageDatabaseHelper& p) { p.savePackageStandardTwo(row); });
}

void QuorvelPackageUtil::deletePackage(int packageId) {
  withPackages([&](PackageDatabaseHelper& p) { p.deletePackage(packageId); });
}

void QuorvelPackageUtil::editPackageName(int packageId, const std::string& name) {
  withPackages([&](PackageDatabaseHelper& p) { p.changePackageName(packageId, name); });
}

void QuorvelPackageUtil::deleteFormat(int formatId) {
  withPackages([&](PackageDatabaseHelper& p) { p.deleteFormat(formatId); });
}

void QuorvelPackageUtil::deleteCrop(int cropId) {
  withPackages([&](PackageDatabaseHelper& p) { p.deleteCropFormat(cropId); });
}

void QuorvelPackageUtil::deleteAdapter(const QuorvelLensAdapter& adapter) {
  withPackages([&](PackageDatabaseHelper& p) { p.deleteAdapter(adapter.adapterId); });
}

void QuorvelPackageUtil::deleteLens(const LensObject& lens) {
  withPackages([&](PackageDatabaseHelper& p) { p.deleteLenses(lens.lensId); });
}

void QuorvelPackageUtil::deleteFrameLine(const QuorvelFrameGuide& guide) {
  withPackages([&](PackageDatabaseHelper& p) { p.deleteFrameGuide(guide.frameGuideId); });
}

void QuorvelPackageUtil::deleteLensManufacturer(int manufacturerId) {
  withPackages([&](PackageDatabaseHelper& p) { p.deleteLensManufacturer(manufacturerId); });
}

void QuorvelPackageUtil::cleanupPackageDB() { PackageDatabaseHelper().cleanUp(); }

bool QuorvelPackageUtil::genericLensesExist() {
  LensDatabaseHelper lenses;
  lenses.openDb(false);
  const bool exist = lenses.genericLensesExist();
  lenses.closeDb();
  return exist;
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
  LensDatabaseHelper helper;
  helper.openDb(false);
  helper.insertgenericPrimeLenses(lenses);
  helper.closeDb();
}

void QuorvelPackageUtil::insertGenericZoomLenses(const std::vector<FreeZoomLenseObject>& zooms, int selection) {
  std::vector<LensObject> lenses;
  for (size_t i = 0; i < zooms.size(); ++i) {
    const int selected = static_cast<int>(i) == selection ? 1 : 0;
    lenses.push_back(
        genericLens(static_cast<float>(zooms[i].minFl), static_cast<float>(zooms[i].maxFl), selected, "Zoom Lens"));
  }
  LensDatabaseHelper helper;
  helper.openDb(false);
  helper.insertgenericZoomLenses(lenses);
  helper.closeDb();
}

void QuorvelPackageUtil::updatePackageeLensIDs(const std::vector<UpdateFormatIDObject>& mapping) {
  withPackages([&](PackageDatabaseHelper& p) { p.remapLensIds(mapping); });
}

void QuorvelPackageUtil::updatePackeageCropIDs(const std::vector<UpdateFormatIDObject>& mapping) {
  withPackages([&](PackageDatabaseHelper& p) { p.remapCropIds(mapping); });
}

void QuorvelPackageUtil::updatePackeageFormatIDs(const std::vector<UpdateFormatIDObject>& mapping) {
  withPackages([&](PackageDatabaseHelper& p) { p.remapFormatIds(mapping); });
}

void QuorvelPackageUtil::updatePackeageFrameGuidIDs(const std::vector<UpdateFormatIDObject>& mapping) {
  withPackages([&](PackageDatabaseHelper& p) { p.remapFrameGuideIds(mapping); });
}

void QuorvelPackageUtil::updatePackageLensManufacturersIDs(const std::vector<UpdateFormatIDObject>& mapping) {
  withPackages([&](PackageDatabaseHelper& p) { p.remapLensManufacturerIds(mapping); });
}

void QuorvelPackageUtil::updateAdapterDBOldId(int oldId, int newId) {
  withPackages([&](PackageDatabaseHelper& p) { p.updateAdapterIdold(oldId, newId); });
}

void QuorvelPackageUtil::updatePackageLensManufacturersID(int oldId, int newId, int packageId) {
  withPackages([&](PackageDatabaseHelper& p) { p.updateLensManufacturer(oldId, newId, packageId); });
}

void QuorvelPackageUtil::updateLensManufacturerID(int newId, int packageId) {
  withPackages([&](PackageDatabaseHelper& p) { p.updateLensManufacturerID(newId, packageId); });
}

void QuorvelPackageUtil::updatePackagesLensID(int oldLensId, int newLensId, int packageLensId) {
  withPackages([&](PackageDatabaseHelper& p) { p.updateLensID(oldLensId, newLensId, packageLensId); });
}

void QuorvelPackageUtil::updatePackageLensID(int newId, int oldId) {
  withPackages([&](PackageDatabaseHelper& p) { p.updateLensIdold(oldId, newId); });
}
