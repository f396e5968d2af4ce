#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"

namespace app::setup {

// What the custom lens forms make of their typed texts: the squeeze field's texts, and the series and
// lens records they store. Typed numbers take "," as a decimal separator.
class LensFormValues {
 public:
  // While edited, the squeeze field holds only its number: the text before its first "x".
  static std::string squeezeEditingText(std::string_view text);
  // Once edited, the number as typed with "x | Spherical" for exactly 1 and "x | Anamorphic" for any
  // other value; nothing typed is "1x | Spherical".
  static std::string squeezeDisplayText(std::string_view typed);
  static std::string defaultSqueezeText();

  // The squeeze the field's text stands for: its leading number. nullopt for zero, a negative or a
  // non-finite value, none of which a lens can have (a -1 would also read as the catalogue's "any
  // squeeze" marker).
  static std::optional<float> squeeze(std::string_view text);

  // The focal lengths a lens of the user's own can have, in millimetres: from a fisheye for the smallest
  // sensors to far past the longest telephotos (5200 mm) and the telescopes a camera is put behind, up
  // to the five whole digits the value display shows (a hundred metres reads "1.0e5mm"); a focal length
  // beyond them is a slip of the keyboard, refused with the field's red mark.
  static constexpr double kShortestFocalLength = 1;
  static constexpr double kLongestFocalLength = 100000;
  // The caption over the focal-length fields, with those bounds: "FOCAL LENGTH (1–100000 MM)".
  static std::string focalLengthCaption();

  // The series the form describes, not yet stored (id -1); the name is kept as typed.
  static model::LensManufacturer series(const std::string& name, float squeeze, bool primes);
  // A prime of the given focal length, and a zoom from the shorter to the longer of the two typed ends.
  static model::LensObject prime(const model::LensManufacturer& series, float focalLength);
  static model::LensObject zoom(const model::LensManufacturer& series, float oneEnd, float otherEnd);
};

}  // namespace app::setup

