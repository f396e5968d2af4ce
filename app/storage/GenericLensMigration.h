#pragma once

#include <optional>
#include <vector>

#include "app/model/CameraPackage.h"
#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"

namespace app::storage {

// One lens of a package as the old catalogue had it, with the package-lens row that holds it (-1 when
// the package has no row for it).
struct UpdatePackageLensObject {
  int packageLensID = -1;
  model::LensObject lens;
};

// A package on one of the old generic series, as found before the catalogue is replaced.
struct GenericSeriesPackage {
  model::LensManufacturer manufacturer;    // the old series (1 generic primes, 2 generic zooms)
  float anamorphicInFormat = 0.0f;  // squeeze of the package's camera format; 0 when the format is gone
  std::vector<UpdatePackageLensObject> lensSet;
  int packageID = 0;
};

// The snapshot of everything that uses the old generic series.
struct GenericSeriesSnapshot {
  std::optional<GenericSeriesPackage> actualSet1;  // standard package one, when on series 1 or 2
  std::optional<GenericSeriesPackage> actualSet2;  // standard package two
  std::vector<GenericSeriesPackage> lensSets;      // user packages on series 1 or 2, newest first
};

// The series the standard packages moved to; 0 where a package did not move.
struct NewLensManufacturerIds {
  int lensmanuID1 = 0;
  int lensmanuID2 = 0;
  // False when some package could not move yet (its target series is not in the catalogue); it is
  // left on its old series, so running the migration again later finishes it.
  bool complete = true;
};

// Moves the generic lenses in use from the old series 1 (primes) and 2 (zooms) into the series split
// by squeeze: 250 spherical primes, 251 2x anamorphic primes, 252 spherical zooms, 253 2x anamorphic
// zooms, choosing by the squeeze of the camera format each package uses. A snapshot is taken from
// the old catalogue, the catalogue is replaced (which drops series 1 and 2), and the snapshot is then
// written into the new catalogue and the stored packages.
//
// Packages are re-pointed row by row (by the package-lens row's own id), never by lens id: the
// replacement may have given a renumbered user lens the old id of a dropped generic lens, and the
// rows now holding that user lens must not follow the generic one.
class GenericLensMigration {
 public:
  static constexpr int kGenericPrimesSpherical = 250;
  static constexpr int kGenericPrimesAnamorphic = 251;
  static constexpr int kGenericZoomsSpherical = 252;
  static constexpr int kGenericZoomsAnamorphic = 253;

  // Reads the old catalogue; `packageOne` and `packageTwo` are the standard packages -2 and -1.
  static GenericSeriesSnapshot generateUpdateobjectWithPackageOne(const model::CameraPackage& packageOne,
                                                                       const model::CameraPackage& packageTwo);
  static NewLensManufacturerIds updateGenericFavorites(const GenericSeriesSnapshot& snapshot);

  // The new series for an old generic series and a format squeeze (0 when `oldSeries` is not 1 or 2),
  // and the squeeze its lenses carry.
  [[nodiscard]] static int targetSeries(int oldSeries, float formatSqueeze);
  static float targetSqueeze(int series);

  // A standard package's lenses into `manufacturerId`, where they become its selection.
  static void insertLenses4Manufacturer(const std::vector<UpdatePackageLensObject>& lenses, int manufacturerId,
                                        float anamorphic);
  // A user package's lenses into `newSeries`, leaving the selection alone, and the package with them.
  static void updateAndInsertLensSet(const std::vector<UpdatePackageLensObject>& lenses, int oldSeries, int newSeries,
                                     int packageId, float anamorphic);
};

}  // namespace app::storage

