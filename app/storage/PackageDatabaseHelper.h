#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/model/UpdateFormatIDObject.h"
#include "app/storage/PackageDatabaseObject.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/PackageCatalogue.h"

namespace app::storage {

// The package catalogue "QuorvelPackageDatabase.db": the two standard packages (-2, -1) and the user's
// saved packages (1 and above), each a row of catalogue ids plus its lens rows.
//
// Use: make a helper, openDb(false), a few operations, closeDb(). Failures are logged and yield the
// empty value: an empty list, nullopt, false, or -1 for an id.
class PackageDatabaseHelper {
 public:
  static constexpr const char* kFileName = PackageCatalogue::kFileName;
  static constexpr const char* kResourceName = PackageCatalogue::kResourceName;
  static constexpr const CatalogueKind& kKind = PackageCatalogue::kKind;

  // With reset, the Library copy is first replaced by the bundle's starting copy.
  [[nodiscard]] bool openDb(bool reset);
  void closeDb() { database_.close(); }
  // Replaces the Library copy by the bundle's; on failure the old file stays as it was.
  [[nodiscard]] bool resetDB();
  app::storage::CatalogueDatabase& database() { return database_; }

  // Next free ids: the highest stored id + 1; user packages start at 1 even beside -2 and -1.
  [[nodiscard]] int getLastPackageID();
  [[nodiscard]] int getLastPackageLensID();

  std::vector<int> getallLensIdsForPackage(int packageId);
  std::vector<PackageDatabaseObject> getAllPackages();  // user packages, newest first
  std::vector<PackageDatabaseObject> getAllPackagesSortedByName();
  // The stored package; one with id 0 when none is stored under `packageId`; nullopt on failure.
  std::optional<PackageDatabaseObject> loadPackage(int packageId);
  std::vector<PackageDatabaseObject> getAllPackagesWithLensManufacturer(int lensManufacturerId);
  [[nodiscard]] int getLensPackageIDForPackageId(int packageId, int lensID);
  std::vector<PackageCleanUpLensObject> getAllLensesInPackages();
  [[nodiscard]] bool packageIDExists(int packageId);

  // Each returns the id stored under, or -1 when nothing was stored (a package is stored whole or not
  // at all; replacing a standard package keeps the old one when the new one cannot be written).
  [[nodiscard]] int saveNewPackage(const PackageDatabaseObject& package);
  [[nodiscard]] int savePackageStandardOne(const PackageDatabaseObject& package);
  [[nodiscard]] int savePackageStandardTwo(const PackageDatabaseObject& package);
  // Standard package two is stored under -1, the very value that says "nothing stored" above:
  // whether a standard package (-2 or -1) was stored, told apart from its id.
  [[nodiscard]] bool storeStandardPackage(const PackageDatabaseObject& package, int packageId);
  [[nodiscard]] int savePackageLensID(int lensID, int packageId);
  [[nodiscard]] bool changePackageName(int packageId, const std::string& name);

  [[nodiscard]] bool deletePackage(int packageId);
  [[nodiscard]] bool deletePackageLenses(int packageId);
  // The lens out of every package, and the saved packages whose only lens it was.
  [[nodiscard]] bool deleteLenses(int lensID);
  // The saved packages on a deleted format, crop or series; never a standard package.
  [[nodiscard]] bool deleteFormat(int formatId);
  [[nodiscard]] bool deleteCropFormat(int cropId);
  [[nodiscard]] bool deleteLensManufacturer(int lensManufacturerId);
  [[nodiscard]] bool deleteLensesWithPackageLensID(int lensPackageId);
  // Removes the lens rows whose package is gone; opens and closes the catalogue itself when needed.
  [[nodiscard]] bool cleanUp();

  // Re-pointing after a catalogue row was deleted or renumbered.
  [[nodiscard]] bool deleteAdapter(int adapterId);        // packages on it fall back to adapter 1
  [[nodiscard]] bool deleteFrameGuide(int frameGuideId);  // packages on it fall back to frame guide 1
  [[nodiscard]] bool updateLensIdold(int oldId, int newId);
  [[nodiscard]] bool updateCropIdold(int oldId, int newId);
  [[nodiscard]] bool updateFrameGuideIdold(int oldId, int newId);
  [[nodiscard]] bool updateFormatIdold(int oldId, int newId);
  [[nodiscard]] bool updateAdapterIdold(int oldId, int newId);
  [[nodiscard]] bool updateLensManufacturer(int oldId, int newId);
  [[nodiscard]] bool updateLensManufacturer(int oldId, int newId, int packageId);
  [[nodiscard]] bool updateLensManufacturerID(int newId, int packageId);
  [[nodiscard]] bool updateLensID(int oldId, int newId, int lensPackageId);

  // One catalogue update's whole old-to-new list, applied at once (see CatalogueDatabase::remapIds).
  [[nodiscard]] bool remapLensIds(const std::vector<model::UpdateFormatIDObject>& mapping);
  [[nodiscard]] bool remapCropIds(const std::vector<model::UpdateFormatIDObject>& mapping);
  [[nodiscard]] bool remapFormatIds(const std::vector<model::UpdateFormatIDObject>& mapping);
  [[nodiscard]] bool remapFrameGuideIds(const std::vector<model::UpdateFormatIDObject>& mapping);
  [[nodiscard]] bool remapAdapterIds(const std::vector<model::UpdateFormatIDObject>& mapping);
  [[nodiscard]] bool remapLensManufacturerIds(const std::vector<model::UpdateFormatIDObject>& mapping);

 private:
  std::vector<PackageDatabaseObject> readPackages(const char* sql, std::optional<int> parameter);
  // The package's lens ids into `package`, saying there whether they were read to the end.
  void readLensIds(PackageDatabaseObject& package, int packageId);
  [[nodiscard]] int storePackage(const PackageDatabaseObject& package, int packageId, bool replace);
  [[nodiscard]] bool writePackage(const PackageDatabaseObject& package, int packageId, bool replace);
  // Whether `packageId` is stored with exactly these values and lenses.
  bool storedAs(const PackageDatabaseObject& package, int packageId);
  [[nodiscard]] bool insertPackageRow(const PackageDatabaseObject& package, int packageId);

  app::storage::CatalogueDatabase database_;
};

}  // namespace app::storage

