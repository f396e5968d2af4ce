#include "app/model/LensManufacturer.h"

#include <utility>

#include "app/model/NumericText.h"

using app::model::NumericText;

namespace app::model {

LensManufacturer::LensManufacturer(int manufacturerId, std::string manufacturer, std::string model, std::string lensType,
                                   int selected, float anamorphotic, int origin)
    : manufacturerId(manufacturerId),
      selected(selected),
      anamorphotic(anamorphotic),
      origin(origin),
      manufacturer(std::move(manufacturer)),
      lensType(std::move(lensType)),
      series(std::move(model)) {}

std::string LensManufacturer::getListString() const { return manufacturer + " " + series; }

bool LensManufacturer::isZoomLens() const { return NumericText::contains(lensType, "Zoom"); }

}  // namespace app::model

