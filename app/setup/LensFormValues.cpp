#include "app/setup/LensFormValues.h"

#include <algorithm>
#include <cmath>

#include "app/setup/SetupForm.h"
#include "platform/ui/LocalizedStrings.h"

using platform::ui::LocalizedStrings;

namespace app::setup {

std::string LensFormValues::squeezeEditingText(std::string_view text) {
  return std::string(text.substr(0, text.find('x')));
}

std::string LensFormValues::defaultSqueezeText() { return "1x | Spherical"; }

std::string LensFormValues::squeezeDisplayText(std::string_view typed) {
  if (typed.empty()) return defaultSqueezeText();
  const bool spherical = FormNumber::value(typed) == 1.0f;
  return std::string(typed) + LocalizedStrings::localizedString(spherical ? "x | Spherical" : "x | Anamorphic");
}

std::optional<float> LensFormValues::squeeze(std::string_view text) {
  const float value = FormNumber::value(text);
  if (!std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

std::string LensFormValues::focalLengthCaption() {
  return rangeCaption(LocalizedStrings::localizedString("FOCAL LENGTH"), kShortestFocalLength, kLongestFocalLength,
                      "MM");
}

model::LensManufacturer LensFormValues::series(const std::string& name, float squeeze, bool primes) {
  return model::LensManufacturer(-1, name, "", primes ? "Prime Lens" : "Zoom Lens", 0, squeeze, 1);
}

model::LensObject LensFormValues::prime(const model::LensManufacturer& series, float focalLength) {
  model::LensObject lens;
  lens.manufacturerId = series.manufacturerId;
  lens.focalLength = focalLength;
  lens.focalLengthMax = focalLength;
  lens.anamorphic = series.anamorphotic;
  lens.lensType = "Prime Lens";
  lens.custom = 1;
  return lens;
}

model::LensObject LensFormValues::zoom(const model::LensManufacturer& series, float oneEnd, float otherEnd) {
  model::LensObject lens = prime(series, std::min(oneEnd, otherEnd));
  lens.focalLengthMax = std::max(oneEnd, otherEnd);
  lens.lensType = "Zoom Lens";
  return lens;
}

}  // namespace app::setup

