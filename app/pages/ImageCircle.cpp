#include "app/pages/ImageCircle.h"

#include <algorithm>
#include <cmath>

#include "app/model/DisplayNumbers.h"
#include "app/optics/LensLimits.h"
#include "app/pages/DistanceText.h"
#include "app/pages/FormatOutlines.h"
#include "platform/foundation/Format.h"
#include "platform/log/Log.h"
#include "platform/ui/LocalizedStrings.h"

namespace app::pages {

using app::model::DisplayNumbers;
using app::optics::LensLimits;

using platform::graphics::Rect;
using platform::graphics::Size;

namespace {

bool isSize(float value) { return FormatOutlines::isSize(value); }

}  // namespace

ImageCircle ImageCircle::atFocalLength(const model::CameraPackage& package, int primeIndex, float zoomPercentage,
                                       float previous) {
  ImageCircle circle;
  if (!package.mLensSet) return circle;
  const model::LensSet& set = *package.mLensSet;
  if (package.lensManufacturer && package.lensManufacturer->isZoomLens()) {
    // A zoom series without a chosen lens has no circle to show.
    if (set.selectedLenses.empty()) return circle;
    const model::LensObject& zoom = set.selectedLenses.front();
    if (zoom.imageCircleMax == 0) {
      circle.diameter = zoom.imageCircle;
    } else {
      circle.interpolated = true;
      circle.diameter = zoom.imageCircle + (zoomPercentage / 100.0f) * (zoom.imageCircleMax - zoom.imageCircle);
    }
    return circle;
  }
  if (primeIndex < 0) return circle;  // no prime under the marker
  if (static_cast<size_t>(primeIndex) < set.lenses.size()) {
    circle.diameter = set.lenses[primeIndex].imageCircle;
    platform::log::write(platform::log::Debug,
                         platform::foundation::format("Coverage: %f", static_cast<double>(circle.diameter)));
  } else {
    circle.diameter = previous;
  }
  return circle;
}

float ImageCircle::adapterFactor(const model::CameraPackage& package) {
  if (!package.lensAdapter) return 1.0f;
  float width = package.lensAdapter->adapterValueWidth;
  float height = package.lensAdapter->adapterValueHeight;
  return width == height && width != 1.0f && isSize(width) ? width : 1.0f;
}

std::string ImageCircle::text(float adapter) const {
  if (!(diameter > 0) || !std::isfinite(diameter)) return platform::ui::LocalizedStrings::localizedString("No data");
  static const platform::foundation::NumberFormatter upToTwo = DisplayNumbers::plainDecimal(0, 2);
  static const platform::foundation::NumberFormatter exactlyTwo = DisplayNumbers::plainDecimal(2, 2);
  const auto& formatter = interpolated ? exactlyTwo : upToTwo;
  if (adapter == 1.0f) return platform::foundation::format("Ø %@mm", formatter.stringFromNumber(diameter));
  if (!LensLimits::isAdapterFactor(adapter)) {
    return platform::foundation::format("Ø %@mm → %@", formatter.stringFromNumber(diameter), kNoValueText);
  }
  return platform::foundation::format("Ø %@mm → %@mm", formatter.stringFromNumber(diameter),
                                      formatter.stringFromNumber(diameter * adapter));
}

std::string ImageCircle::lensText(const model::CameraPackage& package, float focalLength) {
  static const platform::foundation::NumberFormatter oneDecimal = DisplayNumbers::plainDecimal(1, 1);
  double value = focalLength;
  std::string focal = value < 19.9 ? oneDecimal.stringFromNumber(value) : DisplayNumbers::wholeFigure(value);
  std::string maker = package.lensManufacturer ? package.lensManufacturer->manufacturer : std::string();
  std::string series = package.lensManufacturer ? package.lensManufacturer->series : std::string();
  return platform::foundation::format("%@ %@ @ %@mm", maker, series, focal);
}

float ImageCircle::largestCircle(const model::CameraPackage& package) {
  if (!package.mLensSet) return 0;
  // Through an adapter no one makes no circle is drawn: the frame keeps a scale it can be seen at.
  float adapter = LensLimits::isAdapterFactor(adapterFactor(package)) ? adapterFactor(package) : 1.0f;
  float largest = 0;
  for (const model::LensObject& lens : package.mLensSet->lenses) {
    float circle = lens.imageCircle;
    // A zoom's circle moves between its two ends; either may be the larger.
    if (lens.lensType == "Zoom Lens" && lens.imageCircleMax != 0) circle = std::max(circle, lens.imageCircleMax);
    float drawn = circle * adapter;
    if (drawn > largest) largest = drawn;
  }
  return largest;
}

std::optional<float> ImageCircle::drawingScale(Size view, float largestCircle, float recordingDiagonal) {
  auto sizeOrZero = [](float value) { return isSize(value) ? value : 0.0f; };
  float across = std::max(sizeOrZero(largestCircle), sizeOrZero(recordingDiagonal));
  float width = static_cast<float>(view.width - FormatOutlines::kMargin);
  float height = static_cast<float>(view.height - FormatOutlines::kMargin);
  if (!isSize(across) || !isSize(width) || !isSize(height)) return std::nullopt;
  float scale = width / across;
  if (across * scale > height) scale = height / across;
  return scale;
}

std::optional<Rect> ImageCircle::outline(float diameter, float squeeze, float adapter, float scale, Size view) {
  float across = diameter * adapter * scale;
  if (!isSize(across) || !isSize(squeeze) || !LensLimits::isAdapterFactor(adapter)) return std::nullopt;
  return FormatOutlines::centred(Size(across, across), view);
}

}  // namespace app::pages

