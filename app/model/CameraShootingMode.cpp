#include "app/model/CameraShootingMode.h"

namespace app::model {

std::string CameraShootingMode::getListString() const { return shootingMode + " - " + aspectRatio; }

}  // namespace app::model

