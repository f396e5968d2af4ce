#include "app/model/CameraFormatFull.h"

namespace app::model {

std::string CameraFormatFull::getListString() const {
  return manufacturer.manufacturer + " " + manufacturer.model + " " + shootingMode.shootingMode + " - " +
         shootingMode.aspectRatio + " ";
}

}  // namespace app::model

