#include "app/model/Camera.h"

#include <utility>

namespace app::model {

Camera::Camera(int manufacturerId, std::string manufacturer, std::string model, std::string type,
                                   int origin)
    : manufacturerId(manufacturerId),
      origin(origin),
      model(std::move(model)),
      manufacturer(std::move(manufacturer)),
      type(std::move(type)) {}

std::string Camera::getListString() const { return manufacturer + " " + model; }

}  // namespace app::model

