#include "app/model/StoredColor.h"

namespace app::model {

namespace {

// Component times 255, truncated toward zero. A component below 0, above 1 or not a number would make an
// out-of-range integer conversion, so it is held to 0..1 first.
uint32_t byteOf(double component) {
  if (!(component > 0.0)) return 0;
  if (component >= 1.0) return 255;
  return static_cast<uint32_t>(component * 255.0);
}

}  // namespace

int32_t StoredColor::colorCode() const {
  return static_cast<int32_t>(byteOf(red) * 65536u + byteOf(green) * 256u + byteOf(blue));
}

StoredColor StoredColor::fromColorCode(int32_t code) {
  return {((code >> 16) & 0xFF) / 255.0, ((code >> 8) & 0xFF) / 255.0, (code & 0xFF) / 255.0, 1.0};
}

StoredColor StoredColor::defaultFrameGuideColor() {
  // Written as byte fractions: the rounded decimals 0.98823529, 0.24313725 and 0.18823529 fall just below
  // 252/255, 62/255 and 48/255 and would truncate to 0xFB3D2F.
  return {252.0 / 255.0, 62.0 / 255.0, 48.0 / 255.0, 1.0};
}

StoredColor StoredColor::blueColor() { return {0.0, 0.0, 1.0, 1.0}; }

}  // namespace app::model

