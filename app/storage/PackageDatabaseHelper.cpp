#include "app/storage/PackageDatabaseHelper.h"

#include <algorithm>

#include "app/storage/recovery/CatalogueOpening.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "app/storage/recovery/PendingPackageRemap.h"
#include "platform/log/Log.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueStatement;
namespace app::storage {

namespace {

using Step = CatalogueStatement::Step;

// Column order of every SELECT * on PackageData.
PackageDatabaseObject packageFromRow(const CatalogueStatement& row) {
  PackageDatabaseObject package;
  package.packageID = row.columnInt(0);
  package.lensManufacturerId = row.columnInt(1);
  package.cameraFormatId = row.columnInt(2);
  package.adapterId = row.columnInt(3);
  package.frameGuideId = row.columnInt(4);
  package.frameGuideShading = row.columnInt(5);
  package.frameGuideColor = row.columnInt(6);
  package.packageName = row.columnText(7);
  package.cropID = row.columnInt(8);
  return package;
}

}  // namespace

bool PackageDatabaseHelper::openDb(bool reset) {
  if (reset && !resetDB()) platform::log::write(platform::log::Error, "The package catalogue could not be reset");
  return CatalogueOpening::openForHelper(database_, kKind);
}

bool PackageDatabaseHelper::resetDB() {
  database_.close();
  return CatalogueSeeding::replaceWithBundleCopy(CatalogueDatabase::libraryPath(kFileName), kResourceName);
}

int PackageDatabaseHelper::getLastPackageID() {
  return database_.nextIdOrLog("SELECT packageId FROM PackageData ORDER BY packageId DESC LIMIT 1");
}

int PackageDatabaseHelper::getLastPackageLensID() {
  return database_.nextIdOrLog("SELECT lensPackageId FROM PackageLensData ORDER BY lensPackageId DESC LIMIT 1");
}

std::vector<int> PackageDatabaseHelper::getallLensIdsForPackage(int packageId) {
  PackageDatabaseObject package;
  readLensIds(package, packageId);
  return package.lensSetIDs;
}

void PackageDatabaseHelper::readLensIds(PackageDatabaseObject& package, int packageId) {
  package.lensSetIDs.clear();
  auto statement = database_.prepare("SELECT lensId FROM PackageLensData WHERE packageId = ? ORDER BY lensId", true);
  statement.bind(1, packageId);
  Step step;
  while ((step = statement.step()) == Step::Row) package.lensSetIDs.push_back(statement.columnInt(0));
  package.lensSetIDsWhole = step == Step::Done;
}

std::vector<PackageDatabaseObject> PackageDatabaseHelper::readPackages(const char* sql,
                                                                              std::optional<int> parameter) {
  std::vector<PackageDatabaseObject> packages;
  auto statement = database_.prepare(sql, true);
  if (parameter) statement.bind(1, *parameter);
  while (statement.step() == Step::Row) packages.push_back(packageFromRow(statement));
  statement.release();
  for (auto& package : packages) readLensIds(package, package.packageID);
  return packages;
}

std::vector<PackageDatabaseObject> PackageDatabaseHelper::getAllPackages() {
  return readPackages("SELECT * FROM PackageData WHERE packageId > 0 ORDER BY packageId DESC", std::nullopt);
}

std::vector<PackageDatabaseObject> PackageDatabaseHelper::getAllPackagesSortedByName() {
  return readPackages("SELECT * FROM PackageData WHERE packageId > 0 ORDER BY LOWER (packageName)", std::nullopt);
}

std::optional<PackageDatabaseObject> PackageDatabaseHelper::loadPackage(int packageId) {
  auto statement = database_.prepare("SELECT * FROM PackageData WHERE packageId = ?", true);
  if (!statement.ok()) return std::nullopt;
  statement.bind(1, packageId);
  PackageDatabaseObject package;
  Step step;
  while ((step = statement.step()) == Step::Row) package = packageFromRow(statement);
  statement.release();
  // A package read in part is not the stored one: whoever stores it back would lose the rest.
  if (step == Step::Error) return std::nullopt;
  readLensIds(package, package.packageID);
  if (!package.lensSetIDsWhole) return std::nullopt;
  return package;
}

std::vector<PackageDatabaseObject> PackageDatabaseHelper::getAllPackagesWithLensManufacturer(
    int lensManufacturerId) {
  return readPackages("SELECT * FROM PackageData WHERE lensManufacturerId = ? ORDER BY packageId DESC",
                      lensManufacturerId);
}

int PackageDatabaseHelper::getLensPackageIDForPackageId(int packageId, int lensID) {
  auto statement = database_.prepare(
      "SELECT lensPackageId FROM PackageLensData WHERE packageId = ? AND lensID = ? ORDER BY lensId", true);
  statement.bind(1, packageId).bind(2, lensID);
  int rowId = -1;
  while (statement.step() == Step::Row) rowId = statement.columnInt(0);
  return rowId;
}

std::vector<PackageCleanUpLensObject> PackageDatabaseHelper::getAllLensesInPackages() {
  std::vector<PackageCleanUpLensObject> rows;
  auto statement = database_.prepare("SELECT lensPackageId,packageId,lensID FROM PackageLensData", true);
  while (statement.step() == Step::Row) {
    rows.push_back({.packageID = statement.columnInt(1), .plID = statement.columnInt(0),
                    .lensID = statement.columnInt(2)});
  }
  return rows;
}

bool PackageDatabaseHelper::packageIDExists(int packageId) {
  auto statement = database_.prepare("SELECT packageId FROM PackageData WHERE packageId = ? LIMIT 1", true);
  statement.bind(1, packageId);
  return statement.step() == Step::Row;
}

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

// A saved package whose only lens it was goes with it, as the listing would take it; a standard package
// loses only the lens (PackageMend gives it its series' lenses).
bool PackageDatabaseHelper::deleteLenses(int lensID) {
  CatalogueDatabase::Transaction transaction(database_);
  return transaction.active() &&
         database_.runDelete("DELETE FROM PackageData WHERE packageId > 0 AND packageId IN "
                             "(SELECT packageId FROM PackageLensData WHERE lensID = ?1) AND packageId NOT IN "
                             "(SELECT packageId FROM PackageLensData WHERE lensID IS NOT ?1)",
                             {lensID}) &&
         database_.runDelete("DELETE FROM PackageLensData WHERE lensID = ?", {lensID}) && transaction.commit();
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

