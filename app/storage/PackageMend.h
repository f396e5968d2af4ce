#pragma once

#include <string>
#include <vector>

#include "app/model/CameraPackage.h"
#include "app/storage/PackageDatabaseObject.h"

namespace app::storage {

// A stored package that names catalogue rows that are gone (a standard package whose row the person
// deleted while the app stopped before the package followed, or by an older build), mended part by
// part: only what is gone falls back, every other choice stays. A camera falls back to the start format
// uncropped, as a delete on the setup screens moves the package on it (formatFallsBack, the one rule for
// every path), a crop to none, a series to the generic primes with their chosen lenses
// (seriesFallsBack), an adapter or a frame guide to none; a lens is dropped, and a package left without
// one takes the chosen lenses of its series, or its first.
//
// A row counts as gone only when its catalogue answered for it and may lack no rows of the person's kept
// elsewhere or still to be carried to the package (CataloguePlace::mayLackPersonsRows: a renumbering
// pending among them). A row the catalogue could not answer for is unknown: nothing is mended for it,
// and the package stands in for the person's.
class PackageMend {
 public:
  static constexpr int kFormat = 1084;
  static constexpr int kSeries = 250;

  enum class Outcome { Whole, Mended, Unknown };
  // Mends `package`, built from `row` (PackageUtil::generatePackageFromDB), where a row it names is gone;
  // `mended` gets a word for each part that fell back ("camera", "lens series", ...).
  static Outcome mend(model::CameraPackage& package, const PackageDatabaseObject& row, std::vector<std::string>& mended);

  // The series' lenses chosen in the catalogue, else its shortest one, as a commit takes them.
  static std::vector<model::LensObject> lensesOfSeries(int seriesId);
  // Where a package goes when its camera, or its series, is gone; false, with the package as it was,
  // when the catalogue to take the fallback from did not open.
  static bool formatFallsBack(model::CameraPackage& package);
  static bool seriesFallsBack(model::CameraPackage& package);
  // A package whose crop is gone shows its format uncropped.
  static void cropFallsBack(model::CameraPackage& package);
};

}  // namespace app::storage
