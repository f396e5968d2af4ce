#pragma once

#include <vector>

#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"

namespace app::storage {

// One lens's selection flag, as the lens catalogue's update carries it from one version to the next.
struct LensSelectionObject {
  int lensId = 0;
  int defaultSelection = 0;
};

// A user's lens series with its lenses, collected from the catalogue before it is replaced.
struct UpdateLensObject {
  model::LensManufacturer manufacturer;
  std::vector<model::LensObject> lensSet;
};

}  // namespace app::storage

