#include "app/main/ValueDisplayView.h"

#include <cmath>
#include <cstdio>

#include "app/kit/StyledViews.h"
#include "app/kit/UIConstants.h"
#include "app/main/ValueDisplayText.h"
#include "app/model/NumericText.h"
#include "app/optics/LensLimits.h"
#include "app/optics/MetricToImperialConversion.h"
#include "app/optics/UIDeviceHardware.h"
#include "app/pages/DistanceText.h"
#include "app/state/FramesObject.h"
#include "platform/foundation/Utf8.h"
#include "platform/log/Log.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/LocalizedStrings.h"

using platform::graphics::Color;
using platform::ui::ControlEvent;
using platform::ui::make;
using platform::ui::Rect;

namespace app::main {

namespace {

constexpr double kColumnWidth = 110;

void logValue(const char* format, double value) {
  char line[64];
  std::snprintf(line, sizeof line, format, value);
  platform::log::write(platform::log::Debug, line);
}

bool imperial() { return state::FramesObject::getSingleton()->settings.measurementSystem != 0; }

std::shared_ptr<platform::ui::Label> valueLabel() {
  auto label = make<platform::ui::Label>();
  label->setFont(kit::UIConstants::mediumFontWithSize(24));
  label->setTextColor(kit::UIConstants::maxContrastText());
  label->setTextAlignment(platform::ui::TextAlignment::Center);
  // A typed distance of many digits is drawn smaller, not cut.
  label->setAdjustsFontSizeToFitWidth(true);
  label->setMinimumScaleFactor(0.5);
  return label;
}

std::shared_ptr<platform::ui::TextField> valueField() {
  auto field = make<kit::LargeTextField>();
  field->setTextAlignment(platform::ui::TextAlignment::Center);
  field->setKeyboardType(platform::ui::KeyboardType::DecimalPad);
  field->setAlpha(0);
  return field;
}

}  // namespace

ValueDisplayView::ValueDisplayView(const Rect& frame) : View(frame) { customInit(); }

void ValueDisplayView::customInit() {
  isSecondCamera = false;
  contentView_ = make<View>(bounds());
  focalLengthLabel_ = valueLabel();
  apertureLabel_ = valueLabel();
  distanceLabel_ = valueLabel();
  focalLengthTextField_ = valueField();
  apertureTextField_ = valueField();
  distanceTextField_ = valueField();
  focalLengthBtn_ = make<platform::ui::Button>(platform::ui::ButtonType::Custom);
  apertureBtn_ = make<platform::ui::Button>(platform::ui::ButtonType::Custom);
  distanceBtn_ = make<platform::ui::Button>(platform::ui::ButtonType::Custom);
  for (const std::shared_ptr<View>& view : std::initializer_list<std::shared_ptr<View>>{
           focalLengthLabel_, apertureLabel_, distanceLabel_, focalLengthTextField_, apertureTextField_,
           distanceTextField_, focalLengthBtn_, apertureBtn_, distanceBtn_}) {
    contentView_->addSubview(view);
  }
  addSubview(contentView_);
  if (optics::UIDeviceHardware::platformString() == "iPhone SE") {
    for (const auto& label : {focalLengthLabel_, apertureLabel_, distanceLabel_}) {
      label->setFont(kit::UIConstants::mediumFontWithSize(18));
    }
  }
  bindUIPickerAndLabel();
  setUserInteractionEnabled(true);
}

void ValueDisplayView::layoutSubviews() {
  contentView_->setFrame(bounds());
  const Rect area = contentView_->bounds();
  auto place = [&area](View& view, double offset) {
    view.setFrame({area.midX() + offset - kColumnWidth / 2, 0, kColumnWidth, area.size.height});
  };
  const std::tuple<View*, View*, View*, double> columns[] = {
      {focalLengthLabel_.get(), focalLengthTextField_.get(), focalLengthBtn_.get(), focalLengthCenterX_.constant()},
      {apertureLabel_.get(), apertureTextField_.get(), apertureBtn_.get(), apertureCenterX_.constant()},
      {distanceLabel_.get(), distanceTextField_.get(), distanceBtn_.get(), distanceCenterX_.constant()}};
  for (const auto& [label, field, button, offset] : columns) {
    place(*label, offset);
    place(*field, offset);
    place(*button, offset);
  }
}

// --- pages ---

void ValueDisplayView::arrange(const double alphas[3], const double offsets[3], const bool enabled[3]) {
  const std::shared_ptr<platform::ui::Label> labels[] = {focalLengthLabel_, apertureLabel_, distanceLabel_};
  const std::shared_ptr<platform::ui::TextField> fields[] = {focalLengthTextField_, apertureTextField_,
                                                             distanceTextField_};
  const std::shared_ptr<platform::ui::Button> buttons[] = {focalLengthBtn_, apertureBtn_, distanceBtn_};
  platform::ui::LayoutConstraint* centres[] = {&focalLengthCenterX_, &apertureCenterX_, &distanceCenterX_};
  for (int i = 0; i < 3; ++i) {
    labels[i]->setAlpha(alphas[i]);
    fields[i]->setAlpha(alphas[i]);
    centres[i]->setConstant(offsets[i]);
    buttons[i]->setEnabled(enabled[i]);
    // A page's hidden column lies under its neighbours' columns. A disabled button still takes the
    // touches that land on it (and drops them), so the hidden column's tap area goes altogether: a
    // neighbour's value answers a tap wherever it is touched.
    buttons[i]->setHidden(!enabled[i]);
  }
  setNeedsLayout();
  layoutIfNeeded();
}

void ValueDisplayView::makeDOF() {
  const double alphas[] = {1, 1, 1}, offsets[] = {-120, 0, 120};
  const bool enabled[] = {true, true, true};
  arrange(alphas, offsets, enabled);
}

void ValueDisplayView::makeFOV() {
  const double alphas[] = {1, 0, 1}, offsets[] = {-60, 0, 60};
  const bool enabled[] = {true, false, true};
  arrange(alphas, offsets, enabled);
}

void ValueDisplayView::makeLensMatch() {
  const double alphas[] = {1, 1, 0}, offsets[] = {-60, 60, 120};
  const bool enabled[] = {true, true, false};
  arrange(alphas, offsets, enabled);
}

// --- values shown ---

void ValueDisplayView::setFocalLength(float focalLength) {
  mainFocalLength_ = focalLength;
  logValue("MATCH: ValueView: %f", focalLength);
  const std::string text = app::main::valuetext::focalLength(focalLength);
  focalLengthLabel_->setText(text);
  focalLengthTextField_->setText(text);
}

void ValueDisplayView::setAperture(float fNumber) {
  logValue("Value Aperture %f", fNumber);
  mainAperture_ = fNumber;
  const std::string text = app::main::valuetext::aperture(fNumber);
  apertureLabel_->setText(text);
  apertureTextField_->setText(text);
}

void ValueDisplayView::setDistance(float meters) {
  logValue("Value Distance %f", meters);
  mainDistance_ = meters;
  const std::string text = app::pages::DistanceText::focusText(meters, imperial() ? 1 : 0);
  distanceLabel_->setText(text);
  distanceTextField_->setText(text);
}

// --- editing ---

// The field lies under the tap area; the tap shows it and hands it the keyboard. The label in the same
// place goes, or what is typed would be drawn over the value it replaces; the field shows the same text
// once the edit ends.
void ValueDisplayView::focalLengthBecomeFirstResponder() {
  focalLengthTextField_->setAlpha(1);
  focalLengthLabel_->setAlpha(0);
  focalLengthTextField_->becomeFirstResponder();
}

void ValueDisplayView::distanceBecomeFirstResponder() {
  distanceTextField_->setAlpha(1);
  distanceLabel_->setAlpha(0);
  distanceTextField_->becomeFirstResponder();
}

void ValueDisplayView::apertureBecomeFirstResponder() {
  apertureTextField_->setAlpha(1);
  apertureLabel_->setAlpha(0);
  apertureTextField_->becomeFirstResponder();
}

void ValueDisplayView::bindUIPickerAndLabel() {
  addKeyboardToolBarButtons();
  for (const auto& field : {focalLengthTextField_, apertureTextField_, distanceTextField_}) {
    field->setDelegate(static_cast<platform::ui::TextFieldDelegate*>(this));
  }
  focalLengthBtn_->setEnabled(true);
  apertureBtn_->setEnabled(true);
  distanceBtn_->setEnabled(true);
  focalLengthBtn_->addTarget(this, &ValueDisplayView::focalLengthBecomeFirstResponder, ControlEvent::TouchUpInside);
  apertureBtn_->addTarget(this, &ValueDisplayView::apertureBecomeFirstResponder, ControlEvent::TouchUpInside);
  distanceBtn_->addTarget(this, &ValueDisplayView::distanceBecomeFirstResponder, ControlEvent::TouchUpInside);
}

void ValueDisplayView::addKeyboardToolBarButtons() {
  keyboardBar_ = make<platform::ui::Toolbar>();
  keyboardBar_->sizeToFit();
  keyboardBar_->setBarTintColor(kit::UIConstants::secondaryBG());
  auto cancel = std::make_shared<platform::ui::BarButtonItem>(platform::ui::BarButtonSystemItem::Cancel);
  cancel->setAction(this, &ValueDisplayView::cancelEdit);
  cancel->setTintColor(kit::UIConstants::grey128());
  keyboardBarTitleLabel_ = make<platform::ui::Label>(Rect{0, 0, 100, 21});
  keyboardBarTitleLabel_->setFont(kit::UIConstants::mediumFontWithSize(10));
  keyboardBarTitleLabel_->setBackgroundColor(Color::clearColor());
  keyboardBarTitleLabel_->setTextColor(kit::UIConstants::lowContrastText());
  keyboardBarTitleLabel_->setTextAlignment(platform::ui::TextAlignment::Center);
  keyboardBarTitleLabel_->setText("");
  auto title = std::make_shared<platform::ui::BarButtonItem>(keyboardBarTitleLabel_);
  auto done = std::make_shared<platform::ui::BarButtonItem>(platform::ui::LocalizedStrings::localizedString("Done"),
                                                            platform::ui::BarButtonItemStyle::Done);
  done->setAction(this, "endEditing:", [this](platform::ui::BarButtonItem&) { endEditing(true); });
  done->setTintColor(kit::UIConstants::blue());
  auto space = [] {
    return std::make_shared<platform::ui::BarButtonItem>(platform::ui::BarButtonSystemItem::FlexibleSpace);
  };
  keyboardBar_->setItems({cancel, space(), title, space(), done});
  for (const auto& field : {focalLengthTextField_, apertureTextField_, distanceTextField_}) {
    field->setInputAccessoryView(keyboardBar_);
  }
}

void ValueDisplayView::cancelEdit() {
  cancelEdit_ = true;
  contentView_->endEditing(true);
}

int ValueDisplayView::numberOfRowsInComponent(int component) const {
  const auto& matrix = state::FramesObject::getSingleton()->fMatrix;
  return static_cast<int>(component == 0 ? matrix.fNumDisplay().size() : matrix.fNumDisplaySecondRow().size());
}

std::string ValueDisplayView::titleForRow(int row, int component) const {
  const auto& matrix = state::FramesObject::getSingleton()->fMatrix;
  const auto& rows = component == 0 ? matrix.fNumDisplay() : matrix.fNumDisplaySecondRow();
  return row >= 0 && row < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(row)] : "";
}

bool ValueDisplayView::textFieldShouldBeginEditing(platform::ui::TextField& field) {
  const char* title = &field == focalLengthTextField_.get() ? "FOCAL LENGTH"
                      : &field == apertureTextField_.get()  ? "APERTURE"
                      : &field == distanceTextField_.get()  ? "DISTANCE"
                                                            : nullptr;
  if (title) {
    keyboardBarTitleLabel_->setText(platform::ui::LocalizedStrings::localizedString(title));
    field.setTextColor(isSecondCamera ? kit::UIConstants::secondCameraGreen() : kit::UIConstants::blue());
  }
  field.setText("");
  return true;
}

bool ValueDisplayView::textField(platform::ui::TextField& field, platform::ui::TextRange range,
                                 const std::string& replacementString) {
  if (platform::foundation::Utf8::length(field.text()) < kMaxCharacters) return true;
  return platform::foundation::Utf8::length(replacementString) <= range.length;
}

void ValueDisplayView::textFieldDidEndEditing(platform::ui::TextField& field) {
  using app::model::NumericText;
  const std::string text = app::main::valuetext::repaired(field.text());
  // A figure past what a float holds reads as infinite: no value, refused as zero is.
  auto typed = [&](float kept, float floor, float value) {
    if (text.empty() || !(value > 0) || std::isinf(value) || cancelEdit_) return kept;
    return static_cast<double>(value) < floor ? floor : value;
  };
  auto delegate = delegate_.lock();
  if (&field == focalLengthTextField_.get()) {
    const float value = typed(mainFocalLength_, 1, NumericText::floatValue(text));
    if (delegate) delegate->setFocalLength(value, *this);
    setFocalLength(value);
  } else if (&field == apertureTextField_.get()) {
    const float value = typed(mainAperture_, 0.5f, NumericText::floatValue(text));
    if (delegate) delegate->setAperture(value, *this);
    setAperture(value);
  } else if (&field == distanceTextField_.get()) {
    const float read = imperial() ? optics::MetricToImperialConversion::returnMeters(text) : NumericText::floatValue(text);
    const float value = typed(mainDistance_, static_cast<float>(optics::LensLimits::kNearestFocus), read);
    if (delegate) delegate->setDistance(value, *this);
    setDistance(value);
  }
  cancelEdit_ = false;
}

}  // namespace app::main

