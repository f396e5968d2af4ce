#include "app/model/LensObject.h"

#include "app/model/NumericText.h"
#include "platform/foundation/Format.h"

using app::model::NumericText;

namespace app::model {

namespace {

constexpr std::string_view kNumberCharacters = "0123456789.,";
constexpr std::string_view kBar = " | ";

std::string oneDecimal(float value) { return platform::foundation::format("%.1f", static_cast<double>(value)); }

}  // namespace

bool LensObject::isPrime() const { return NumericText::contains(lensType, "Prime Lens"); }

std::string LensObject::getListString() const {
  std::string text = NumericText::hasPrefix(lensType, "Prime Lens")
                         ? oneDecimal(focalLength) + "mm"
                         : oneDecimal(focalLength) + " - " + oneDecimal(focalLengthMax) + "mm";
  return NumericText::replacingAll(text, ",", ".");
}

std::string LensObject::getCloseFocusMetricString() const {
  size_t bar = closeFocus.find(kBar);
  return bar == std::string::npos ? closeFocus : closeFocus.substr(0, bar);
}

std::string LensObject::getCloseFocusImperialString() const {
  size_t bar = closeFocus.rfind(kBar);
  return bar == std::string::npos ? closeFocus : closeFocus.substr(bar + kBar.size());
}

std::string LensObject::getCloseFocusMetric() const {
  return NumericText::keepingOnly(getCloseFocusMetricString(), kNumberCharacters);
}

std::string LensObject::getCloseFocusImperial() const {
  return NumericText::keepingOnly(getCloseFocusImperialString(), kNumberCharacters);
}

std::string LensObject::getAperture() const { return NumericText::keepingOnly(aperture, kNumberCharacters); }

std::string LensObject::getApertureClose() const {
  return NumericText::keepingOnly(apertureClose, kNumberCharacters);
}

InputScrollStructObject LensObject::getInputValues() const {
  InputScrollStructObject values;
  values.fl = focalLength;
  values.aperture = aperture.empty() ? 2.8f : NumericText::floatValue(getAperture());
  if (closeFocus.empty()) {
    values.distance = 1.0f;
  } else {
    values.closeFocus = closeFocus;
    values.distance = -1.0f;
  }
  return values;
}

}  // namespace app::model

