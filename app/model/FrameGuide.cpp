#include "app/model/FrameGuide.h"

#include "platform/foundation/Format.h"

namespace app::model {

namespace {

std::string shortNumber(float value) { return platform::foundation::format("%g", static_cast<double>(value)); }

}  // namespace

std::string FrameGuide::getListString() const {
  if (frameGuideId == 1) return "None";
  return ratioText(width, height);
}

std::string FrameGuide::ratioText(float width, float height) {
  return shortNumber(width) + ":" + shortNumber(height);
}

}  // namespace app::model

