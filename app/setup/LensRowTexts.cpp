#include "app/setup/LensRowTexts.h"

#include "app/model/DisplayNumbers.h"
#include "app/optics/FocalLengthStringBuilder.h"
#include "platform/foundation/Format.h"
#include "platform/ui/LocalizedStrings.h"

using platform::ui::LocalizedStrings;

namespace app::setup {

namespace {

std::string custom() { return LocalizedStrings::localizedString("CUSTOM"); }

}  // namespace

std::string LensRowTexts::squeezeText(const model::LensManufacturer& series) {
  const bool spherical = series.anamorphotic == 1.0f;
  if (!spherical && series.origin == 0) {
    return app::model::DisplayNumbers::ratio(series.anamorphotic) + "x ANA";
  }
  if (!spherical && series.origin == 1) {
    return app::model::DisplayNumbers::ratio(series.anamorphotic) + "x ANA  |  " + custom();
  }
  if (spherical && series.origin == 1) return custom();
  return "";
}

std::string LensRowTexts::title(const model::LensObject& lens) {
  if (lens.isPrime()) return optics::FocalLengthStringBuilder::getFocalLengthStringWithValue(lens.focalLength);
  return optics::FocalLengthStringBuilder::getFocalLengthStringForCaptionWithValue(lens.focalLength) + " - " +
         optics::FocalLengthStringBuilder::getFocalLengthStringWithValue(lens.focalLengthMax);
}

std::string LensRowTexts::comment(const model::LensObject& lens) { return lens.custom == 1 ? custom() : lens.comment; }

std::string LensRowTexts::closeFocus(const model::LensObject& lens, int measurementSystem) {
  if (lens.closeFocus.empty()) return "";
  // Both halves come from the lens's own reading of its text, so a text without the bar shows whole.
  const std::string part =
      measurementSystem == 0 ? lens.getCloseFocusMetricString() : lens.getCloseFocusImperialString();
  return "CF " + part;
}

std::string LensRowTexts::lensCount(size_t count) {
  if (count < 2) return LocalizedStrings::localizedString("1 Lens");
  return platform::foundation::format(LocalizedStrings::localizedString("%lu Lenses").c_str(),
                                      static_cast<unsigned long>(count));
}

}  // namespace app::setup

