#pragma once

#include <string>

#include "app/setup/CameraModeAspectViews.h"

namespace app::setup {

// The camera picker's form for an aspect ratio of the person's own: its width and height, stored as a
// frame guide (which is also a crop). Main thread only.
class CustomRatioForm {
 public:
  // `views` are the screen's, filled in once its view is loaded.
  explicit CustomRatioForm(const CameraModeAspectViews& views) : views_(views) {}

  // Marks the fields in error; true when any is.
  bool hasError() const;
  // The ratio as typed, "1.78:1".
  std::string ratioText() const;

  // What became of the ratio: there already (nothing written), stored under `frameGuideId`, or, with
  // neither, not taken by the catalogue.
  struct Stored {
    bool exists = false;
    int frameGuideId = 0;
  };
  [[nodiscard]] Stored store() const;
  void unmarkInputErrors() const;
  void clear() const;

 private:
  const CameraModeAspectViews& views_;
};

}  // namespace app::setup
