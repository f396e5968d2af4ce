#include "app/storage/recovery/PackageCatalogue.h"

#include "app/storage/connection/AttachedCatalogue.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueReplacement.h"

namespace app::storage {

constinit const CatalogueKind PackageCatalogue::kKind{.fileName = kFileName,
                                                      .resourceName = kResourceName,
                                                      .tables = kTables,
                                                      .carryRows = &carryRowsFrom,
                                                      .marks = {},
                                                      .personsRows = &personsRows};

namespace {

// Whether `readable` holds the package catalogue's tables, with every column the carry reads.
bool readsAsPackages(const std::string& readable) {
  CatalogueDatabase own, source;
  return CatalogueUpdate::openInstalled(
             own, source, readable,
             {"SELECT packageId, lensManufacturerId, cameraFormatId, adapterId, frameGuideId, frameGuideShading, "
              "frameGuideColor, packageName, cropId FROM PackageData",
              "SELECT lensPackageId, packageId, lensID FROM PackageLensData"},
             "The package catalogue") == CatalogueUpdate::Installed::Open;
}

bool carryInto(CatalogueDatabase& fresh) {
  CatalogueDatabase::Transaction transaction(fresh);
  const bool carried =
      transaction.active() &&
      fresh.execute("INSERT OR IGNORE INTO main.PackageData (packageId, lensManufacturerId, cameraFormatId, adapterId, "
                    "frameGuideId, frameGuideShading, frameGuideColor, packageName, cropId) SELECT packageId, "
                    "lensManufacturerId, cameraFormatId, adapterId, frameGuideId, frameGuideShading, frameGuideColor, "
                    "packageName, cropId FROM readable.PackageData") &&
      fresh.execute("INSERT OR IGNORE INTO main.PackageLensData (lensPackageId, packageId, lensID) SELECT "
                    "lensPackageId, packageId, lensID FROM readable.PackageLensData");
  CatalogueUpdate::reached(CatalogueUpdate::Stage::Staging);
  return carried && transaction.commit();
}

}  // namespace

CatalogueUpdate::Rebuilt PackageCatalogue::carryRowsFrom(const std::string& readable) {
  if (!readsAsPackages(readable)) return CatalogueUpdate::Rebuilt::SourceUnreadable;
  return CatalogueReplacement::rebuild(kKind, [&readable](const std::string& staging) {
    CatalogueDatabase fresh;
    if (!fresh.openPath(staging) || !CatalogueReplacement::fillWithoutSyncing(fresh)) return false;
    const AttachedCatalogue source(fresh, readable, "readable");
    return source && carryInto(fresh);
  });
}

std::vector<CatalogueKind::PersonsRowQuery> PackageCatalogue::personsRows() {
  const std::string package =
      "SELECT printf('package|%d|%s|%d|%d|%d|%d|%d|%d|%d', packageId, packageName, cameraFormatId, cropId, "
      "lensManufacturerId, adapterId, frameGuideId, frameGuideShading, frameGuideColor)";
  const std::string lenses = "SELECT printf('lenses of package|%d|%s', packageId, group_concat(lensID, ','))";
  const std::string eachPackage =
      " FROM (SELECT packageId, lensID FROM PackageLensData ORDER BY packageId, lensID) GROUP BY packageId";
  return {{package + ", NULL FROM PackageData", package + " FROM PackageData"},
          {lenses + ", NULL" + eachPackage, lenses + eachPackage}};
}

}  // namespace app::storage
