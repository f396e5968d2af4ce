#include "app/model/LensManufacturer.h"

#include <utility>

#include "app/model/NumericText.h"

using app::model::NumericText;

LensManufacturer::LensManufacturer(int manufactorId, std::string manufactor, std::string model, std::string lensType,
                                   int selected, float anamorphotic, int origin)
    : manufactorId(manufactorId),
      selected(selected),
      anamorphotic(anamorphotic),
      origin(origin),
      manufactor(std::move(manufactor)),
      lensType(std::move(lensType)),
      series(std::move(model)) {}

std::string LensManufacturer::getListString() const { return manufactor + " " + series; }

bool LensManufacturer::isZoomLens() const { return NumericText::contains(lensType, "Zoom"); }
