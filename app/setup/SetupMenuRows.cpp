#include "app/setup/SetupMenuRows.h"

#include "app/model/NumericText.h"
#include "app/setup/SetupText.h"
#include "app/storage/PackageUtil.h"
#include "platform/foundation/Format.h"
#include "platform/ui/LocalizedStrings.h"

namespace app::setup {

using app::model::NumericText;
using platform::foundation::format;

namespace {

std::string arrow(const std::string& from, const std::string& to) { return format(localized("%@ → %@"), from, to); }

}  // namespace

std::string SetupMenuRows::displayAspectRatio(const model::CameraPackage& package) {
  const std::string final = dotted(package.getFinalAspectRatio());
  if (package.cropID != 1) return final;
  const float camera = package.modeSqueeze();
  const float lens = package.lensSqueeze();
  const float width = package.adapterWidth();
  const bool squareAdapter = width == package.adapterHeight();
  const bool arrowDue = camera == lens ? !squareAdapter : !(camera != 1.0f && squareAdapter);
  if (!arrowDue) return final;
  if (squareAdapter || lens != 1.0f) {
    return arrow(package.shootingMode ? package.shootingMode->aspectRatio : std::string(), final);
  }
  // A spherical series behind an anamorphic adapter that undoes the camera's own squeeze shows no change.
  if (1.0f / width == camera) return final;
  return arrow(package.getSensorAspectRatio(), final);
}

std::string SetupMenuRows::framelineText(const model::CameraPackage& package) {
  const model::FrameGuide guide = package.frameGuide.value_or(model::FrameGuide());
  // The no-frame-line row is stored as 1:100 in the shipped catalogue; a height of -1 marks it in older ones.
  if (guide.height == -1.0f || guide.frameGuideId == storage::PackageUtil::kNoFrameGuide) return localized("None");
  return dotted(format("%.3g:%.3g", guide.width, guide.height));
}

SetupMenuRows SetupMenuRows::forPackage(const model::CameraPackage& package) {
  SetupMenuRows rows;
  rows.withShootingMode = package.shootingMode && package.shootingMode->shootingModeNameOrig;
  rows.lensSetupTop = rows.withShootingMode ? kLensTopWithMode : kLensTopWithoutMode;
  if (package.cameraManufacturer) {
    rows.cameraValue = format("%@ %@", package.cameraManufacturer->manufacturer, package.cameraManufacturer->model);
  }
  if (package.shootingMode) rows.shootingModeValue = package.shootingMode->shootingMode;
  rows.aspectTitle = localized(package.cropID == 1 ? "Native Aspect Ratio" : "Extraction");
  rows.aspectValue = displayAspectRatio(package);
  rows.framelineValue = framelineText(package);
  if (package.lensManufacturer) {
    rows.lensSeriesValue = format("%@ %@", package.lensManufacturer->manufacturer, package.lensManufacturer->series);
  }
  rows.lensesTitle = localized(package.lensSet.size() < 2 ? "Lens" : "Lenses");
  rows.lensesValue = package.getLensString();
  if (package.lensAdapter) {
    const model::LensAdapterRecord& adapter = *package.lensAdapter;
    rows.adapterValue = adapter.isNormalAdapter()
                            ? format("%@ (%@)", adapter.adapterName, adapter.displayValue())
                            : adapter.adapterName;
  }
  return rows;
}

}  // namespace app::setup

