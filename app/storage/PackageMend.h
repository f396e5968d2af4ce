#pragma once

#include <string>
#include <vector>

#include "app/model/CameraPackage.h"
#include "app/storage/PackageDatabaseObject.h"

namespace app::storage {

// A stored package that names catalogue rows that are gone (deleted while the package catalogue refused
// to follow, or by a run killed before it followed, or by an older build), mended part by part: only
// what is gone falls back, every other choice stays. A format falls back to the start format (its crop
// stays, a ratio being no format's own), a crop to none, a series to the generic primes with their chosen lenses, an adapter or a frame guide
// to none; a lens is dropped, and a package left without one takes the chosen lenses of its series, or
// its first.
//
// A row counts as gone only when its catalogue answered for it and may lack no rows of the person's kept
// elsewhere (CataloguePlace::mayLackPersonsRows). A row the catalogue could not answer for is unknown:
// nothing is mended for it, and the package is not the person's whole.
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
};

}  // namespace app::storage
