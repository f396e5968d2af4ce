#pragma once

namespace app::settings {

// What the theme and unit tiles ask of the main screen after a change: rebuild itself.
class ColorThemeViewDelegate {
 public:
  virtual ~ColorThemeViewDelegate() = default;
  virtual void updateLayout() = 0;
};

class MeasurementSystemViewDelegate {
 public:
  virtual ~MeasurementSystemViewDelegate() = default;
  virtual void updateLayout() = 0;
};

}  // namespace app::settings

