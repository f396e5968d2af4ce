#pragma once

#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"
#include "app/setup/LensPickerViews.h"

namespace app::setup {

// The lens picker's form for a lens of the person's own: a prime's focal length, or a zoom's two ends,
// by the kind of lenses its series holds. Main thread only.
class CustomLensForm {
 public:
  // `views` are the screen's, filled in once its view is loaded.
  explicit CustomLensForm(const LensPickerViews& views) : views_(views) {}

  // Placeholders and return keys.
  void setUp() const;
  // Marks the fields in error; true when any is.
  [[nodiscard]] bool primeHasError() const;
  [[nodiscard]] bool zoomHasError() const;
  // The lens typed for `series`, not yet stored.
  model::LensObject prime(const model::LensManufacturer& series) const;
  model::LensObject zoom(const model::LensManufacturer& series) const;
  void clear() const;
  void unmarkInputErrors() const;

 private:
  const LensPickerViews& views_;
};

}  // namespace app::setup
