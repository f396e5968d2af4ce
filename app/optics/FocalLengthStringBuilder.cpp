#include "app/optics/FocalLengthStringBuilder.h"

#include "app/model/NumericText.h"
#include "platform/foundation/Format.h"

using app::model::NumericText;

namespace app::optics {

namespace {

std::string oneDecimalTrimmed(float value) {
  std::string text = platform::foundation::format("%1.1f", static_cast<double>(value));
  if (NumericText::hasSuffix(text, ".0")) text.resize(text.size() - 2);
  return text;
}

}  // namespace

std::string FocalLengthStringBuilder::getFocalLengthStringFromString(std::string_view focalLength) {
  std::string text(focalLength);
  if (NumericText::hasSuffix(text, ".0mm")) text.resize(text.size() - 4);
  if (NumericText::hasSuffix(text, ".0")) text.resize(text.size() - 2);
  // "24.5mm" is shown as it is, never as "24.5mmmm".
  if (NumericText::hasSuffix(text, "mm")) return text;
  return text + "mm";
}

std::string FocalLengthStringBuilder::getFocalLengthStringWithValue(float focalLength) {
  return oneDecimalTrimmed(focalLength) + "mm";
}

std::string FocalLengthStringBuilder::getFocalLengthStringWithValue2(float focalLength) {
  return oneDecimalTrimmed(focalLength);
}

std::string FocalLengthStringBuilder::getFocalLengthStringForCaptionWithValue(float focalLength) {
  return oneDecimalTrimmed(focalLength);
}

}  // namespace app::optics

