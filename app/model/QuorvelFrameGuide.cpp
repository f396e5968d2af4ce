#include "app/model/QuorvelFrameGuide.h"

#include "platform/foundation/Format.h"

namespace {

std::string shortNumber(float value) { return platform::foundation::format("%g", static_cast<double>(value)); }

}  // namespace

std::string QuorvelFrameGuide::getListString() const {
  if (frameGuideId == 1) return "None";
  return ratioText(width, height);
}

std::string QuorvelFrameGuide::ratioText(float width, float height) {
  return shortNumber(width) + ":" + shortNumber(height);
}
