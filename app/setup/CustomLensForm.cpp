#include "app/setup/CustomLensForm.h"

#include "app/setup/LensFormValues.h"
#include "app/setup/SetupForm.h"
#include "app/setup/SetupText.h"

namespace app::setup {

void CustomLensForm::setUp() const {
  const auto& v = views_;
  styleFormField(*v.customPrimeLensTextField, localized("35mm"));
  styleFormField(*v.customZoomMinTextField, localized("17mm"));
  styleFormField(*v.customZoomMaxTextField, localized("50mm"));
  v.customZoomMinTextField->setReturnKeyType(platform::ui::ReturnKeyType::Next);
  v.customPrimeLensTextField->setReturnKeyType(platform::ui::ReturnKeyType::Done);
  v.customZoomMaxTextField->setReturnKeyType(platform::ui::ReturnKeyType::Done);
}

bool CustomLensForm::primeHasError() const {
  const auto& v = views_;
  FormCheck check({v.customLensSeriesNameTextField.get(), v.customLensSeriesSqueezeTextField.get(),
                   v.customPrimeLensTextField.get(), v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()});
  check.requireNumberWithin(*v.customPrimeLensTextField, LensFormValues::kShortestFocalLength,
                            LensFormValues::kLongestFocalLength);
  return check.failed();
}

bool CustomLensForm::zoomHasError() const {
  const auto& v = views_;
  FormCheck check({v.customLensSeriesNameTextField.get(), v.customLensSeriesSqueezeTextField.get(),
                   v.customPrimeLensTextField.get(), v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()});
  for (auto* end : {v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()}) {
    check.requireNumberWithin(*end, LensFormValues::kShortestFocalLength, LensFormValues::kLongestFocalLength);
  }
  return check.failed();
}

model::LensObject CustomLensForm::prime(const model::LensManufacturer& series) const {
  return LensFormValues::prime(series, FormNumber::value(views_.customPrimeLensTextField->text()));
}

model::LensObject CustomLensForm::zoom(const model::LensManufacturer& series) const {
  return LensFormValues::zoom(series, FormNumber::value(views_.customZoomMinTextField->text()),
                              FormNumber::value(views_.customZoomMaxTextField->text()));
}

void CustomLensForm::clear() const {
  for (auto* field : {views_.customPrimeLensTextField.get(), views_.customZoomMinTextField.get(),
                      views_.customZoomMaxTextField.get()}) {
    field->setText("");
  }
}

void CustomLensForm::unmarkInputErrors() const {
  for (auto* field : {views_.customPrimeLensTextField.get(), views_.customZoomMinTextField.get(),
                      views_.customZoomMaxTextField.get()}) {
    unmarkInputError(*field);
  }
}

}  // namespace app::setup
