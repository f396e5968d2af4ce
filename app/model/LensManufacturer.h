#pragma once

#include <string>

namespace app::model {

// One lens series of a maker, a row of the lens catalogue's maker table.
struct LensManufacturer {
  int manufacturerId = 0;  // series id; 1, 2 and 250-253 are the generic series
  int selected = 0;
  float anamorphotic = 1.0f;  // squeeze of the series, 1 for spherical
  int origin = 1;             // 0 built in, 1 made by the user
  std::string manufacturer;
  std::string lensType;  // "Prime Lens" or "Zoom Lens"
  std::string series;

  LensManufacturer() = default;
  // `model` is the series name.
  LensManufacturer(int manufacturerId, std::string manufacturer, std::string model, std::string lensType, int selected,
                   float anamorphotic, int origin);

  // "<maker> <series>"
  std::string getListString() const;
  bool isZoomLens() const;
  // A series without a lens type counts as prime.
  bool isPrimeLens() const { return !isZoomLens(); }
};

}  // namespace app::model

