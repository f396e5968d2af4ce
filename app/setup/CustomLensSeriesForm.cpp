#include "app/setup/CustomLensSeriesForm.h"

#include "app/setup/LensFormValues.h"
#include "app/setup/SetupForm.h"
#include "app/setup/SetupText.h"

namespace app::setup {

void CustomLensSeriesForm::setUp() const {
  const auto& v = views_;
  styleFormField(*v.customLensSeriesNameTextField, localized("My Lens Series"));
  styleFormField(*v.customLensSeriesSqueezeTextField, localized("1x | Spherical"));
  v.customLensSeriesSqueezeTextField->setText(LensFormValues::defaultSqueezeText());
  v.customLensSeriesNameTextField->setReturnKeyType(platform::ui::ReturnKeyType::Next);
  v.customLensSeriesSqueezeTextField->setReturnKeyType(platform::ui::ReturnKeyType::Done);
}

bool CustomLensSeriesForm::hasError() const {
  const auto& v = views_;
  FormCheck check({v.customLensSeriesNameTextField.get(), v.customLensSeriesSqueezeTextField.get(),
                   v.customPrimeLensTextField.get(), v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()});
  // The squeeze field carries its suffix, so only its leading number counts.
  if (!LensFormValues::squeeze(v.customLensSeriesSqueezeTextField->text())) {
    check.mark(*v.customLensSeriesSqueezeTextField);
  }
  if (v.customLensSeriesNameTextField->text().empty()) check.mark(*v.customLensSeriesNameTextField);
  return check.failed();
}

model::LensManufacturer CustomLensSeriesForm::series() const {
  const auto& v = views_;
  return LensFormValues::series(v.customLensSeriesNameTextField->text(),
                                LensFormValues::squeeze(v.customLensSeriesSqueezeTextField->text()).value_or(1.0f),
                                v.customLensSeriesTypeRadioBtn->yesIsSelected());
}

void CustomLensSeriesForm::choosePrimes() const { views_.customLensSeriesTypeRadioBtn->yesSelected(); }

void CustomLensSeriesForm::chooseZooms() const { views_.customLensSeriesTypeRadioBtn->noSelected(); }

void CustomLensSeriesForm::clear() const {
  views_.customLensSeriesNameTextField->setText("");
  views_.customLensSeriesSqueezeTextField->setText(LensFormValues::defaultSqueezeText());
}

void CustomLensSeriesForm::unmarkInputErrors() const {
  unmarkInputError(*views_.customLensSeriesNameTextField);
  unmarkInputError(*views_.customLensSeriesSqueezeTextField);
}

void CustomLensSeriesForm::squeezeEditingBegan(platform::ui::TextField& field) const {
  field.setText(LensFormValues::squeezeEditingText(field.text()));
}

void CustomLensSeriesForm::squeezeEditingEnded() const {
  auto& squeeze = *views_.customLensSeriesSqueezeTextField;
  squeeze.setText(LensFormValues::squeezeDisplayText(squeeze.text()));
}

}  // namespace app::setup
