#include "app/model/CameraShootingMode.h"

std::string CameraShootingMode::getListString() const { return shootingMode + " - " + aspectRatio; }
