#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/model/CameraPackage.h"
#include "app/model/PrimeLensObject.h"
#include "app/model/UpdateFormatIDObject.h"
#include "app/storage/PackageDatabaseObject.h"

namespace app::storage {

class PackageDatabaseHelper;

// Whole packages from the four catalogues and back: the one place that joins the lens, format,
// frame-guide and adapter catalogues with the package catalogue. Stateless; every operation opens
// the catalogues it needs and closes them before returning. What it changes lives in the files: the
// stored packages and the catalogues' selection flags.
//
// Broken packages never reach a caller from the loading, start and selection paths: they are
// replaced by the fallback package, built from fixed ids. Listing instead leaves out stored packages
// whose lenses cannot be read (they stay stored) and deletes those whose lenses are known to be gone.
class PackageUtil {
 public:
  // Fixed ids the facade relies on; the shipped catalogues hold them.
  static constexpr int kNoCrop = 1;
  static constexpr int kStartFormatOne = 1084;
  static constexpr int kStartFormatTwo = 599;
  static constexpr int kCurrentFormat = 133;
  static constexpr int kFallbackFormat = 10;
  static constexpr int kStartLensSeriesOne = 5;
  static constexpr int kStartLensSeriesTwo = 192;
  static constexpr int kStartLensTwo = 1246;
  static constexpr int kNoAdapter = 1;
  static constexpr int kNoFrameGuide = 1;
  static constexpr int kBuiltShading = 4;  // shading of packages built from selections or fixed values

  // Stored user packages, newest first (respectively by lower-cased name).
  static std::vector<model::CameraPackage> getAllPackages();
  static std::vector<model::CameraPackage> getAllPackagesSortedByName();
  // Stores the package as a new user package under the next id; returns that id, -1 when not stored.
  [[nodiscard]] static int savePackage(const model::CameraPackage& package);
  // Whether the package and its lens rows are gone from the catalogue (none of them when not).
  static bool deletePackage(int packageId);
  // Whether the new name was stored.
  static bool editPackageName(int packageId, const std::string& name);
  [[nodiscard]] static int saveNewPackageFromOldPreset(const PackageDatabaseObject& package);
  // Whether the catalogue holds the package as standard package one (two) afterwards.
  static bool saveStandardPackageOne(const model::CameraPackage& package);
  static bool saveStandardPackageTwo(const model::CameraPackage& package);

  // The stored row under the id (one with id 0 when none is); nullopt when it could not be read.
  static std::optional<PackageDatabaseObject> storedPackage(int packageId);
  // Stores `row` as standard package -2 or -1; whether the catalogue holds it so afterwards.
  [[nodiscard]] static bool storeStandardPackage(const PackageDatabaseObject& row, int packageId);

  // What loadPackage found under the id: the package; the package mended where rows it names are gone
  // (PackageMend), the person's all the same; nothing at all; a package it could read only in part (a
  // row it names could not be answered for: it comes without), or one it could not read or use, for
  // which the fallback stands in. What stands in for a package read in part or not at all is never
  // stored as the person's.
  enum class Found { Stored, Mended, Nothing, InPart, Unusable };
  // The stored package (the fallback package when it is broken or missing), its choices written into
  // the catalogues' selection flags, with the lens set of its series.
  static model::CameraPackage loadPackage(int packageId, Found* found = nullptr);
  // Leaves exactly the package's series, lenses, adapter and frame guide selected.
  static void setLoadedPackageinDB(const model::CameraPackage& package);
  // The given format and crop with the catalogues' current selections. The crop id is kept as given: one
  // whose row is gone is a crop without a ratio, which frames like no crop.
  static model::CameraPackage getCurrentPackageWithFormatID(int formatId, int cropId);
  static model::CameraPackage getCurrentPackage();
  static model::CameraPackage getStartPackageOne();
  static model::CameraPackage getStartPackageTwo();
  static model::CameraPackage getFallBackPackage();
  // Why a package cannot be used is logged; nullptr stands for no package at all.
  [[nodiscard]] static bool errorInPackage(const model::CameraPackage* package);
  static model::LensSet getLensSet4ManufacturerId(int manufacturerId);

  static model::CameraPackage generatePackageFromDB(const PackageDatabaseObject& row);
  static PackageDatabaseObject generateDatabaseObject(const model::CameraPackage& package);

  // What the stored packages do when a catalogue row goes, on the packages of the step that deletes the
  // row (StepWithPackages: the row and its packages go together or not at all). A format, crop or series
  // takes the saved packages on it with it; a lens leaves every package without it; the standard packages
  // only ever lose the part that went (PackageMend).
  [[nodiscard]] static bool deleteFormat(PackageDatabaseHelper& packagesInStep, int formatId);
  [[nodiscard]] static bool deleteCrop(PackageDatabaseHelper& packagesInStep, int cropId);
  [[nodiscard]] static bool deleteAdapter(PackageDatabaseHelper& packagesInStep,
                                          const model::LensAdapterRecord& adapter);  // packages on it get no adapter
  [[nodiscard]] static bool deleteLens(PackageDatabaseHelper& packagesInStep, const model::LensObject& lens);
  [[nodiscard]] static bool deleteFrameLine(PackageDatabaseHelper& packagesInStep,
                                            const model::FrameGuide& guide);  // packages on it get no frame guide
  [[nodiscard]] static bool deleteLensManufacturer(PackageDatabaseHelper& packagesInStep, int manufacturerId);
  static void cleanupPackageDB();

  [[nodiscard]] static bool genericLensesExist();
  static void insertGenericPrimeLenses(const std::vector<model::PrimeLensObject>& primes);
  // Only the zoom at `selection` is selected.
  static void insertGenericZoomLenses(const std::vector<model::FreeZoomLensObject>& zooms, int selection);

  [[nodiscard]] static int colorCodeFromColor(const model::StoredColor& color) { return color.colorCode(); }
  static model::StoredColor getUIColorFromInt(int code) { return model::StoredColor::fromColorCode(code); }

  // Re-pointing stored packages after a catalogue update renumbered rows. Each list is one mapping:
  // a value one entry has just written is never moved again by a later entry of the same list.
  static void updatePackageLensIDs(const std::vector<model::UpdateFormatIDObject>& mapping);
  static void updatePackeageCropIDs(const std::vector<model::UpdateFormatIDObject>& mapping);
  static void updatePackeageFormatIDs(const std::vector<model::UpdateFormatIDObject>& mapping);
  static void updatePackeageFrameGuidIDs(const std::vector<model::UpdateFormatIDObject>& mapping);
  static void updatePackageLensManufacturersIDs(const std::vector<model::UpdateFormatIDObject>& mapping);
  static void updateAdapterDBOldId(int oldId, int newId);
  static void updatePackageLensManufacturersID(int oldId, int newId, int packageId);
  static void updateLensManufacturerID(int newId, int packageId);
  // One package-lens row, found by its own id and still holding the old lens.
  static void updatePackagesLensID(int oldLensId, int newLensId, int packageLensId);
  // Every package-lens row holding the old lens; new id first.
  static void updatePackageLensID(int newId, int oldId);
};

}  // namespace app::storage

