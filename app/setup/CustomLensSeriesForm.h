#pragma once

#include "app/model/LensManufacturer.h"
#include "app/setup/LensPickerViews.h"

namespace app::setup {

// The lens picker's form for a series of the person's own: its name, its squeeze (shown with "x |
// Spherical" or "x | Anamorphic" once typed) and whether it holds primes or zooms. Main thread only.
class CustomLensSeriesForm {
 public:
  // `views` are the screen's, filled in once its view is loaded.
  explicit CustomLensSeriesForm(const LensPickerViews& views) : views_(views) {}

  // Placeholders, return keys, the squeeze's first text and primes chosen.
  void setUp() const;
  // Marks the fields in error; true when any is.
  [[nodiscard]] bool hasError() const;
  // The series typed, not yet stored.
  model::LensManufacturer series() const;
  void choosePrimes() const;
  void chooseZooms() const;
  void clear() const;
  void unmarkInputErrors() const;
  // The squeeze field shows its number alone while edited, and its words again after.
  void squeezeEditingBegan(platform::ui::TextField& field) const;
  void squeezeEditingEnded() const;

 private:
  const LensPickerViews& views_;
};

}  // namespace app::setup
