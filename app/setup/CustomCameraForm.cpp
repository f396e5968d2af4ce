#include "app/setup/CustomCameraForm.h"

#include "app/model/Camera.h"
#include "app/model/DisplayNumbers.h"
#include "app/optics/SensorLimits.h"
#include "app/setup/SetupForm.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/OpenCatalogue.h"
#include "platform/foundation/Format.h"

namespace app::setup {

bool CustomCameraForm::hasError() const {
  const auto& v = views_;
  FormCheck check({v.customFormatNameTextField.get(), v.customFormatSensorWidthTextField.get(),
                   v.customFormatSensorHeightTextField.get()});
  using app::optics::SensorLimits;
  check.requireText(*v.customFormatNameTextField)
      .requireNumberWithin(*v.customFormatSensorWidthTextField, SensorLimits::kSmallestSide, SensorLimits::kLargestSide)
      .requireNumberWithin(*v.customFormatSensorHeightTextField, SensorLimits::kSmallestSide, SensorLimits::kLargestSide);
  return check.failed();
}

std::string CustomCameraForm::name() const { return FormNumber::dotted(views_.customFormatNameTextField->text()); }

std::optional<model::CameraShootingMode> CustomCameraForm::store() const {
  const float width = FormNumber::value(views_.customFormatSensorWidthTextField->text());
  const float height = FormNumber::value(views_.customFormatSensorHeightTextField->text());
  const float squeeze = FormNumber::value("1");
  model::Camera camera(0, name(), "", "Cine", 1);
  model::CameraShootingMode mode;
  mode.shootingMode = "";
  mode.width = width;
  mode.height = height;
  mode.anamorphotic = squeeze;
  mode.category = "Cine";
  mode.formatOrigin = 1;
  mode.aspectRatio = platform::foundation::format("%@:1", app::model::DisplayNumbers::ratio(width * squeeze / height));
  std::optional<model::CameraShootingMode> stored;
  if (storage::OpenCatalogue<storage::CameraFormatCatalogue> formats; formats) {
    stored = formats->insertNewCameraManufacturer(camera, mode);
  }
  if (!stored || stored->manufacturerID < 1 || stored->containerID < 1) return std::nullopt;
  return stored;
}

void CustomCameraForm::unmarkInputErrors() const {
  for (const auto& field : {views_.customFormatNameTextField, views_.customFormatSensorWidthTextField,
                            views_.customFormatSensorHeightTextField}) {
    unmarkInputError(*field);
  }
}

void CustomCameraForm::clear() const {
  for (const auto& field : {views_.customFormatNameTextField, views_.customFormatSensorWidthTextField,
                            views_.customFormatSensorHeightTextField}) {
    field->setText("");
  }
}

}  // namespace app::setup
