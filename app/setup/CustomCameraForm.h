#pragma once

#include <optional>
#include <string>

#include "app/model/CameraShootingMode.h"
#include "app/setup/CameraModeAspectViews.h"

namespace app::setup {

// The camera picker's form for a camera of the person's own: a name and the sensor's width and height
// in millimetres, stored as a camera with one shooting mode. Main thread only.
class CustomCameraForm {
 public:
  // `views` are the screen's, filled in once its view is loaded.
  explicit CustomCameraForm(const CameraModeAspectViews& views) : views_(views) {}

  // Marks the fields in error; true when any is.
  bool hasError() const;
  // The name as stored: every "," written as ".".
  std::string name() const;
  // The camera and its shooting mode written into the format catalogue; nothing when the catalogue
  // did not take them whole.
  [[nodiscard]] std::optional<model::CameraShootingMode> store() const;
  void unmarkInputErrors() const;
  void clear() const;

 private:
  const CameraModeAspectViews& views_;
};

}  // namespace app::setup
