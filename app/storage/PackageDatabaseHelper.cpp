#include "app/storage/PackageDatabaseHelper.h"

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
  if (!database_.openCatalogue(kKind)) return false;
  database_.markChecked();
  return true;
}

bool PackageDatabaseHelper::resetDB() {
  database_.close();
  return CatalogueDatabase::replaceWithBundleCopy(CatalogueDatabase::libraryPath(kFileName), kResourceName);
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

}  // namespace app::storage

