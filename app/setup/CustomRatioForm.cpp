#include "app/setup/CustomRatioForm.h"

#include "app/model/FrameGuide.h"
#include "app/setup/SetupForm.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/OpenCatalogue.h"

namespace app::setup {

bool CustomRatioForm::hasError() const {
  const auto& v = views_;
  FormCheck check({v.customAspectRatioWidthTextField.get(), v.customAspectRatioHeightTextField.get()});
  check.requirePositiveNumber(*v.customAspectRatioWidthTextField).requirePositiveNumber(*v.customAspectRatioHeightTextField);
  return check.failed();
}

std::string CustomRatioForm::ratioText() const {
  return FormNumber::dotted(views_.customAspectRatioWidthTextField->text()) + ":" +
         FormNumber::dotted(views_.customAspectRatioHeightTextField->text());
}

CustomRatioForm::Stored CustomRatioForm::store() const {
  model::FrameGuide guide;
  guide.width = FormNumber::value(views_.customAspectRatioWidthTextField->text());
  guide.height = FormNumber::value(views_.customAspectRatioHeightTextField->text());
  bool exists = false;
  {
    storage::OpenCatalogue<storage::FrameGuideCatalogue> guides;
    if (guides) exists = guides->insertFrameGuideFromCameraSetup(guide);
  }
  if (exists) return {.exists = true, .frameGuideId = 0};
  return {.exists = false, .frameGuideId = guide.frameGuideId < 1 ? 0 : guide.frameGuideId};
}

void CustomRatioForm::unmarkInputErrors() const {
  for (const auto& field : {views_.customAspectRatioWidthTextField, views_.customAspectRatioHeightTextField}) {
    unmarkInputError(*field);
  }
}

void CustomRatioForm::clear() const {
  for (const auto& field : {views_.customAspectRatioWidthTextField, views_.customAspectRatioHeightTextField}) {
    field->setText("");
  }
}

}  // namespace app::setup
