#include "app/main/CurrentLens.h"

#include "app/model/NumericText.h"
#include "app/optics/MetricToImperialConversion.h"
#include "app/state/FramesObject.h"
#include "platform/log/Log.h"

namespace app::main {

void CurrentLens::take(bool zoom, const model::LensSet& lensSet, int flIndex) {
  const model::LensObject* lens = nullptr;
  if (zoom) {
    // A zoom series with no selected lens has no limits, like a prime set without a lens.
    if (!lensSet.selectedLenses.empty()) lens = &lensSet.selectedLenses.front();
  } else if (flIndex >= 0 && flIndex < static_cast<int>(lensSet.lenses.size())) {
    lens = &lensSet.lenses[static_cast<size_t>(flIndex)];
  } else if (flIndex != -1) {
    return;
  }
  if (!lens) {
    aperture_ = apertureClosed_ = closeFocus_ = 0;
    return;
  }
  platform::log::write(platform::log::Debug, "Lens: " + lens->getCloseFocusMetric() + " " + lens->getAperture() +
                                                 " " + lens->getApertureClose());
  aperture_ = app::model::NumericText::floatValue(lens->getAperture());
  apertureClosed_ = app::model::NumericText::floatValue(lens->getApertureClose());
  const auto state = state::FramesObject::getSingleton();
  closeFocus_ = state->settings.measurementSystem != 0
                    ? optics::MetricToImperialConversion::returnMeters(lens->getCloseFocusImperialString())
                    : app::model::NumericText::floatValue(lens->getCloseFocusMetric());
}

}  // namespace app::main
