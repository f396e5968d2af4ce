#include "app/pages/FormatTexts.h"

#include <cmath>

#include "app/model/DisplayNumbers.h"
#include "app/pages/DistanceText.h"
#include "app/pages/FormatOutlines.h"
#include "platform/foundation/Format.h"
#include "platform/ui/LocalizedStrings.h"

namespace app::pages {

using app::model::DisplayNumbers;

using platform::foundation::format;
using platform::ui::LocalizedStrings;

FormatTexts FormatTexts::titles(const model::CameraPackage& package) {
  std::string extraction = LocalizedStrings::localizedString("EXTRACTION ");
  std::string recording = LocalizedStrings::localizedString("RECORDING AREA ");
  FormatTexts texts;
  if (package.getTotalAnamorphicFactor() == 1.0f) {
    texts.extractionTitle = format("%@%@", extraction, package.getFinalAspectRatio());
    texts.recordingTitle = format("%@%@", recording, package.getSensorAspectRatio());
  } else {
    texts.extractionTitle = format("%@%@ → %@", extraction, package.getExtractionSensorAspectRatioWithoutAna(),
                                   package.getFinalAspectRatio());
    texts.recordingTitle = format("%@%@ → %@", recording, package.getSensorAspectRatio(),
                                  package.getNativeAspectRatioIncludingAnamorphic());
  }
  texts.showsExtraction = FormatOutlines::hasExtraction(package);
  return texts;
}

std::string FormatTexts::sizeText(float width, float height) {
  return format("%1.2fmm x %1.2fmm", static_cast<double>(width), static_cast<double>(height));
}

std::string FormatTexts::diagonalText(double diagonal) {
  static const platform::foundation::NumberFormatter twoDecimals = DisplayNumbers::plainDecimal(2, 2);
  if (!std::isfinite(diagonal)) return format("Ø %@mm", kNoValueText);
  return format("Ø %@mm", twoDecimals.stringFromNumber(diagonal));
}

float FormatTexts::diagonal(float width, float height) {
  double w = width;
  double h = height;
  return static_cast<float>(std::sqrt(w * w + h * h));
}

}  // namespace app::pages

