#pragma once

#include <vector>

#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"

namespace app::model {

// The lenses of one series as a package uses them.
struct LensSet {
  std::vector<LensObject> lenses;          // every lens of the series
  LensManufacturer lensManufacturer;        // the series
  std::vector<LensObject> selectedLenses;  // the lenses the user selected
};

}  // namespace app::model

