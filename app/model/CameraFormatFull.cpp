#include "app/model/CameraFormatFull.h"

std::string CameraFormatFull::getListString() const {
  return manufacturer.manufacturer + " " + manufacturer.model + " " + shootingMode.shootingMode + " - " +
         shootingMode.aspectRatio + " ";
}
