#include "app/model/CameraFormatFull.h"

std::string CameraFormatFull::getListString() const {
  return manufactorer.manufactor + " " + manufactorer.model + " " + shootingMode.shootingMode + " - " +
         shootingMode.aspectRatio + " ";
}
