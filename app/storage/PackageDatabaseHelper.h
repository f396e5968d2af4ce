#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/model/UpdateFormatIDObject.h"
#include "app/storage/CatalogueDatabase.h"
#include "app/storage/QuorvelPackageDatabaseObject.h"

// The package catalogue "QuorvelPackageDatabase.db": the two standard packages (-2, -1) and the user's
// saved packages (1 and above), each a row of catalogue ids plus its lens rows.
//
// Use: make a helper, openDb(false), a few operations, closeDb(). Failures are logged and yield the
// empty value: an empty list, nullopt, false, or -1 for an id.
class PackageDatabaseHelper {
 public:
  static constexpr const char* kFileName = "QuorvelPackageDatabase.db";
  static constexpr const char* kResourceName = "QuorvelPackageDatabase";

  // With reset, the Library copy is first replaced by the bundle's starting copy.
  bool openDb(bool reset);
  void closeDb() { database_.close(); }
  // Replaces the Library copy by the bundle's; on failure the old file stays as it was.
  bool resetDB();
  CatalogueDatabase& database() { return database_; }

  // Next free ids: the highest stored id + 1; user packages start at 1 even beside -2 and -1.
  int getLastPackageID();
  int getLastPackageLensID();

  std::vector<int> getallLensIdsForPackage(int packageId);
  std::vector<QuorvelPackageDatabaseObject> getAllPacakges();  // user packages, newest first
  std::vector<QuorvelPackageDatabaseObject> getAllPacakgesSortedByName();
  // The stored package; one with id 0 when none is stored under `packageId`; nullopt on failure.
  std::optional<QuorvelPackageDatabaseObject> loadPackage(int packageId);
  std::vector<QuorvelPackageDatabaseObject> getAllPackagesWithLensManufacturer(int lensManufacturerId);
  int getLensPackageIDForPackageId(int packageId, int lensID);
  std::vector<PacakgeCleanUpLensObject> getAllLensesInPackages();
  bool packageIDExists(int packageId);

  // Each returns the id stored under, or -1 when nothing was stored (a package is stored whole or not
  // at all; replacing a standard package keeps the old one when the new one cannot be written).
  int saveNewPackage(const QuorvelPackageDatabaseObject& package);
  int savePackageStandardOne(const QuorvelPackageDatabaseObject& package);
  int savePackageStandardTwo(const QuorvelPackageDatabaseObject& package);
  int savePackageLensID(int lensID, int packageId);
  bool changePackageName(int packageId, const std::string& name);

  bool deletePackage(int packageId);
  bool deletePackageLenses(int packageId);
  bool deleteLenses(int lensID);
  bool deleteFormat(int formatId);
  bool deleteCropFormat(int cropId);
  bool deleteLensManufacturer(int lensManufacturerId);
  bool deleteLensesWithPackageLensID(int lensPackageId);
  // Removes the lens rows whose package is gone; opens and closes the catalogue itself when needed.
  bool cleanUp();

  // Re-pointing after a catalogue row was deleted or renumbered.
  bool deleteAdapter(int adapterId);        // packages on it fall back to adapter 1
  bool deleteFrameGuide(int frameGuideId);  // packages on it fall back to frame guide 1
  bool updateLensIdold(int oldId, int newId);
  bool updateCropIdold(int oldId, int newId);
  bool updateFrameGuideIdold(int oldId, int newId);
  bool updateFormatIdold(int oldId, int newId);
  bool updateAdapterIdold(int oldId, int newId);
  bool updateLensManufacturer(int oldId, int newId);
  bool updateLensManufacturer(int oldId, int newId, int packageId);
  bool updateLensManufacturerID(int newId, int packageId);
  bool updateLensID(int oldId, int newId, int lensPackageId);

  // One catalogue update's whole old-to-new list, applied at once (see CatalogueDatabase::remapIds).
  bool remapLensIds(const std::vector<UpdateFormatIDObject>& mapping);
  bool remapCropIds(const std::vector<UpdateFormatIDObject>& mapping);
  bool remapFormatIds(const std::vector<UpdateFormatIDObject>& mapping);
  bool remapFrameGuideIds(const std::vector<UpdateFormatIDObject>& mapping);
  bool remapAdapterIds(const std::vector<UpdateFormatIDObject>& mapping);
  bool remapLensManufacturerIds(const std::vector<UpdateFormatIDObject>& mapping);

 private:
  std::vector<QuorvelPackageDatabaseObject> readPackages(const char* sql, std::optional<int> parameter);
  int storePackage(const QuorvelPackageDatabaseObject& package, int packageId, bool replace);
  bool insertPackageRow(const QuorvelPackageDatabaseObject& package, int packageId);

  CatalogueDatabase database_;
};
