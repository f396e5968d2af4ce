// PackageDatabaseHelper: storing, deleting and re-pointing packages.
#include "app/storage/PackageDatabaseHelper.h"

#include <algorithm>

#include "app/storage/PendingPackageRemap.h"

using app::storage::CatalogueDatabase;

namespace app::storage {

bool PackageDatabaseHelper::insertPackageRow(const PackageDatabaseObject& package, int packageId) {
  auto statement = database_.prepareInsert(
      "INSERT INTO PackageData (packageId,lensManufacturerId,cameraFormatId,adapterId,frameGuideId,"
      "frameGuideShading,frameGuideColor,packageName,cropId) VALUES(?,?,?,?,?,?,?,?,?)");
  statement.bind(1, packageId)
      .bind(2, package.lensManufacturerId)
      .bind(3, package.cameraFormatId)
      .bind(4, package.adapterId)
      .bind(5, package.frameGuideId)
      .bind(6, package.frameGuideShading)
      .bind(7, package.frameGuideColor)
      .bind(8, package.packageName)
      .bind(9, package.cropID);
  return CatalogueDatabase::finishInsert(statement);
}

// Writes the package row and its lens rows as one unit; `replace` first drops what is stored under the id.
int PackageDatabaseHelper::storePackage(const PackageDatabaseObject& package, int packageId, bool replace) {
  if (packageId == -1 && !replace) return -1;  // no id could be found: store nothing
  return writePackage(package, packageId, replace) ? packageId : -1;
}

bool PackageDatabaseHelper::writePackage(const PackageDatabaseObject& package, int packageId, bool replace) {
  if (replace && storedAs(package, packageId)) return true;  // unchanged: nothing to write
  CatalogueDatabase::Transaction transaction(database_);
  if (!transaction.active()) return false;
  // A new package's lens rows are its own: rows a package deleted before it under the same id left
  // behind (a format or crop takes its packages and leaves their lens rows to the clean-up) are not.
  if (!(replace ? deletePackage(packageId) : deletePackageLenses(packageId))) return false;
  if (!insertPackageRow(package, packageId)) return false;
  for (int lensID : package.lensSetIDs) {
    if (savePackageLensID(lensID, packageId) < 0) return false;
  }
  return transaction.commit();
}

bool PackageDatabaseHelper::storedAs(const PackageDatabaseObject& package, int packageId) {
  const auto stored = loadPackage(packageId);
  if (!stored || stored->packageID != packageId) return false;
  // The lens rows come back by lens id: the order they were given in is not kept anyway.
  auto lenses = package.lensSetIDs;
  std::sort(lenses.begin(), lenses.end());
  auto storedLenses = stored->lensSetIDs;
  std::sort(storedLenses.begin(), storedLenses.end());
  return lenses == storedLenses && stored->packageName == package.packageName &&
         stored->lensManufacturerId == package.lensManufacturerId &&
         stored->cameraFormatId == package.cameraFormatId && stored->adapterId == package.adapterId &&
         stored->frameGuideId == package.frameGuideId && stored->frameGuideShading == package.frameGuideShading &&
         stored->frameGuideColor == package.frameGuideColor && stored->cropID == package.cropID;
}

int PackageDatabaseHelper::saveNewPackage(const PackageDatabaseObject& package) {
  return storePackage(package, getLastPackageID(), false);
}

int PackageDatabaseHelper::savePackageStandardOne(const PackageDatabaseObject& package) {
  return storePackage(package, -2, true);
}

int PackageDatabaseHelper::savePackageStandardTwo(const PackageDatabaseObject& package) {
  return storePackage(package, -1, true);
}

bool PackageDatabaseHelper::storeStandardPackage(const PackageDatabaseObject& package, int packageId) {
  return (packageId == -2 || packageId == -1) && writePackage(package, packageId, true);
}

int PackageDatabaseHelper::savePackageLensID(int lensID, int packageId) {
  const int rowId = getLastPackageLensID();
  if (rowId < 0) return -1;
  auto statement =
      database_.prepareInsert("INSERT INTO PackageLensData (lensPackageId,packageId,lensID) VALUES(?,?,?)");
  statement.bind(1, rowId).bind(2, packageId).bind(3, lensID);
  return CatalogueDatabase::finishInsert(statement) ? rowId : -1;
}

bool PackageDatabaseHelper::changePackageName(int packageId, const std::string& name) {
  auto statement = database_.prepare("UPDATE PackageData SET packageName = ? WHERE packageId = ?", true);
  statement.bind(1, name).bind(2, packageId);
  return statement.run();
}

bool PackageDatabaseHelper::deletePackage(int packageId) {
  // Both or neither: a package left without its lens rows would be deleted by the next listing.
  CatalogueDatabase::Transaction transaction(database_);
  return transaction.active() && deletePackageLenses(packageId) &&
         database_.runDelete("DELETE FROM PackageData WHERE packageId = ?", {packageId}) && transaction.commit();
}

bool PackageDatabaseHelper::deletePackageLenses(int packageId) {
  return database_.runDelete("DELETE FROM PackageLensData WHERE packageId = ?", {packageId});
}

bool PackageDatabaseHelper::deleteLenses(int lensID) {
  return database_.runDelete("DELETE FROM PackageLensData WHERE lensID = ?", {lensID});
}

// Only saved packages (ids above 0) go with a deleted row: a standard package is the person's camera
// setup, and loses only the part that went (PackageMend), never the whole of it.
bool PackageDatabaseHelper::deleteFormat(int formatId) {
  return database_.runDelete("DELETE FROM PackageData WHERE cameraFormatId = ? AND packageId > 0", {formatId});
}

bool PackageDatabaseHelper::deleteCropFormat(int cropId) {
  return database_.runDelete("DELETE FROM PackageData WHERE cropId = ? AND packageId > 0", {cropId});
}

bool PackageDatabaseHelper::deleteLensManufacturer(int lensManufacturerId) {
  CatalogueDatabase::Transaction transaction(database_);
  if (!transaction.active()) return false;
  const bool deleted =
      database_.runDelete(
          "DELETE FROM PackageLensData WHERE packageId IN "
          "(SELECT packageId FROM PackageData WHERE lensManufacturerId = ? AND packageId > 0)",
          {lensManufacturerId}) &&
      database_.runDelete("DELETE FROM PackageData WHERE lensManufacturerId = ? AND packageId > 0", {lensManufacturerId});
  return deleted && transaction.commit();
}

bool PackageDatabaseHelper::deleteLensesWithPackageLensID(int lensPackageId) {
  return database_.runDelete("DELETE FROM PackageLensData WHERE lensPackageId = ?", {lensPackageId});
}

bool PackageDatabaseHelper::cleanUp() {
  const bool openedHere = !database_.isOpen();
  if (openedHere && !openDb(false)) return false;
  const bool done =
      database_.runDelete("DELETE FROM PackageLensData WHERE packageId NOT IN (SELECT packageId FROM PackageData)");
  if (openedHere) closeDb();
  return done;
}

bool PackageDatabaseHelper::deleteAdapter(int adapterId) {
  return database_.runUpdate("UPDATE PackageData SET adapterId = 1 WHERE adapterId = ?", {adapterId});
}

bool PackageDatabaseHelper::deleteFrameGuide(int frameGuideId) {
  return database_.runUpdate("UPDATE PackageData SET frameGuideId = 1 WHERE frameGuideId = ?", {frameGuideId});
}

bool PackageDatabaseHelper::updateLensIdold(int oldId, int newId) {
  return database_.runUpdate("UPDATE PackageLensData SET lensID = ? WHERE lensID = ?", {newId, oldId});
}

bool PackageDatabaseHelper::updateCropIdold(int oldId, int newId) {
  return database_.runUpdate("UPDATE PackageData SET cropId = ? WHERE cropId = ?", {newId, oldId});
}

bool PackageDatabaseHelper::updateFrameGuideIdold(int oldId, int newId) {
  return database_.runUpdate("UPDATE PackageData SET frameGuideId = ? WHERE frameGuideId = ?", {newId, oldId});
}

bool PackageDatabaseHelper::updateFormatIdold(int oldId, int newId) {
  return database_.runUpdate("UPDATE PackageData SET cameraFormatId = ? WHERE cameraFormatId = ?", {newId, oldId});
}

bool PackageDatabaseHelper::updateAdapterIdold(int oldId, int newId) {
  return database_.runUpdate("UPDATE PackageData SET adapterId = ? WHERE adapterId = ?", {newId, oldId});
}

bool PackageDatabaseHelper::updateLensManufacturer(int oldId, int newId) {
  return database_.runUpdate("UPDATE PackageData SET lensManufacturerId = ? WHERE lensManufacturerId = ?",
                             {newId, oldId});
}

bool PackageDatabaseHelper::updateLensManufacturer(int oldId, int newId, int packageId) {
  return database_.runUpdate(
      "UPDATE PackageData SET lensManufacturerId = ? WHERE lensManufacturerId = ? AND packageId = ?",
      {newId, oldId, packageId});
}

bool PackageDatabaseHelper::updateLensManufacturerID(int newId, int packageId) {
  return database_.runUpdate("UPDATE PackageData SET lensManufacturerId = ? WHERE packageId = ?", {newId, packageId});
}

bool PackageDatabaseHelper::updateLensID(int oldId, int newId, int lensPackageId) {
  return database_.runUpdate("UPDATE PackageLensData SET lensID = ? WHERE lensID = ? AND lensPackageId = ?",
                             {newId, oldId, lensPackageId});
}

bool PackageDatabaseHelper::remapLensIds(const std::vector<model::UpdateFormatIDObject>& mapping) {
  return PendingPackageRemap::repoint(database_, PendingPackageRemap::Kind::Lens, mapping);
}

bool PackageDatabaseHelper::remapCropIds(const std::vector<model::UpdateFormatIDObject>& mapping) {
  return PendingPackageRemap::repoint(database_, PendingPackageRemap::Kind::Crop, mapping);
}

bool PackageDatabaseHelper::remapFormatIds(const std::vector<model::UpdateFormatIDObject>& mapping) {
  return PendingPackageRemap::repoint(database_, PendingPackageRemap::Kind::Format, mapping);
}

bool PackageDatabaseHelper::remapFrameGuideIds(const std::vector<model::UpdateFormatIDObject>& mapping) {
  return PendingPackageRemap::repoint(database_, PendingPackageRemap::Kind::FrameGuide, mapping);
}

bool PackageDatabaseHelper::remapAdapterIds(const std::vector<model::UpdateFormatIDObject>& mapping) {
  return PendingPackageRemap::repoint(database_, PendingPackageRemap::Kind::Adapter, mapping);
}

bool PackageDatabaseHelper::remapLensManufacturerIds(const std::vector<model::UpdateFormatIDObject>& mapping) {
  return PendingPackageRemap::repoint(database_, PendingPackageRemap::Kind::LensSeries, mapping);
}

}  // namespace app::storage

