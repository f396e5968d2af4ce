#include "app/main/ScaleMath.h"

#include <cmath>
#include <cstdio>

namespace app::main::scale {

double fieldOfView(float focalLength, float sensorWidth, float anamorphic, float adapter) {
  const float ratio = anamorphic * sensorWidth / (2 * focalLength * adapter);
  return 2 * std::atan(static_cast<double>(ratio));
}

float apertureStop(float fNumber) { return 2 * logf(2 * fNumber) / 0.6931472f; }

double apertureStopDouble(double fNumber) { return 2 * std::log(2 * fNumber) / std::log(2.0); }

std::string numberText(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
  return text;
}

double finiteOrZero(double position) { return std::isnan(position) ? 0 : position; }

}  // namespace app::main::scale
