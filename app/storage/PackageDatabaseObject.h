#pragma once

#include <string>
#include <vector>

namespace app::storage {

// One stored package as the package catalogue holds it: catalogue ids only, plus name, frame-guide
// shading and colour code. Id -2 and -1 are the standard packages one and two, 1 and above the user's.
struct PackageDatabaseObject {
  int frameGuideColor = 0;  // colour code 0xRRGGBB
  int frameGuideId = 0;
  int frameGuideShading = 0;
  int cameraFormatId = 0;
  std::vector<int> lensSetIDs;
  int lensManufacturerId = 0;
  int adapterId = 0;
  std::string packageName;
  int packageID = 0;
  int cropID = 0;
  // False when the lens rows could not all be read: lensSetIDs may then lack some.
  bool lensSetIDsWhole = true;
};

// One row of the package-lens table, as the clean-up reads it.
struct PackageCleanUpLensObject {
  int packageID = 0;
  int plID = 0;  // the row's own id
  int lensID = 0;
};

}  // namespace app::storage

