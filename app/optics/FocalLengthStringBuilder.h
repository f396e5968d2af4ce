#pragma once

#include <string>
#include <string_view>

namespace app::optics {

// Focal-length texts with one decimal where it carries information: "50mm", "24.5mm".
class FocalLengthStringBuilder {
 public:
  // "50.0mm", "50.0" and "50" all give "50mm"; a text that already ends in "mm" gets no second unit.
  static std::string getFocalLengthStringFromString(std::string_view focalLength);
  static std::string getFocalLengthStringWithValue(float focalLength);
  // The number alone: "50", "24.5".
  static std::string getFocalLengthStringWithValue2(float focalLength);
  static std::string getFocalLengthStringForCaptionWithValue(float focalLength);
};

}  // namespace app::optics

