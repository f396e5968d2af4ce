#include "app/setup/SetupForm.h"

#include <cmath>

#include "app/kit/StyledViews.h"
#include "app/kit/UIConstants.h"
#include "app/model/DisplayNumbers.h"
#include "app/model/NumericText.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/LocalizedStrings.h"

using app::model::NumericText;
using platform::graphics::Color;
using platform::ui::BarButtonItem;
using platform::ui::BarButtonItemStyle;
using platform::ui::BarButtonSystemItem;

namespace app::setup {

namespace {

constexpr double kErrorBorderWidth = 2.0;
constexpr double kErrorCornerRadius = 4.0;

bool isBlank(std::string_view text) {
  for (char c : text) {
    if (!std::isspace(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::shared_ptr<BarButtonItem> titled(const std::string& key, std::function<void()> action, const Color& tint) {
  auto item = std::make_shared<BarButtonItem>(platform::ui::LocalizedStrings::localizedString(key),
                                              BarButtonItemStyle::Done);
  item->setAction(item.get(), key, [action = std::move(action)](BarButtonItem&) { action(); });
  item->setTintColor(tint);
  return item;
}

std::shared_ptr<BarButtonItem> space() { return std::make_shared<BarButtonItem>(BarButtonSystemItem::FlexibleSpace); }

std::shared_ptr<platform::ui::Toolbar> bar(std::vector<std::shared_ptr<BarButtonItem>> items) {
  auto toolbar = platform::ui::make<platform::ui::Toolbar>();
  toolbar->sizeToFit();
  toolbar->setBarTintColor(kit::UIConstants::secondaryBG());
  toolbar->setItems(std::move(items));
  return toolbar;
}

}  // namespace

// --- FormNumber ---

std::string FormNumber::dotted(std::string_view text) { return NumericText::replacingAll(text, ",", "."); }

bool FormNumber::isNumeric(std::string_view text) { return NumericText::isWholeNumber(dotted(text)); }

float FormNumber::value(std::string_view text) { return NumericText::floatValue(dotted(text)); }

bool FormNumber::isPositive(std::string_view text) {
  if (!isNumeric(text)) return false;
  const float number = value(text);
  return std::isfinite(number) && number > 0.0f;
}

bool FormNumber::isWithin(std::string_view text, double low, double high) {
  if (!isNumeric(text)) return false;
  // Read as a float, so compared with the bounds as floats: a typed bound is always within.
  const float number = value(text);
  return number >= static_cast<float>(low) && number <= static_cast<float>(high);
}

std::string rangeCaption(const std::string& title, double low, double high, const std::string& unit) {
  const auto bound = [](double value) { return app::model::DisplayNumbers::ratio(value); };
  return title + " (" + bound(low) + "–" + bound(high) + (unit.empty() ? "" : " " + unit) + ")";
}

// --- marks ---

void markInputError(platform::ui::TextField& field) {
  auto& layer = field.layer();
  layer.setBorderColor(kit::UIConstants::redWarning());
  layer.setBorderWidth(kErrorBorderWidth);
  layer.setCornerRadius(kErrorCornerRadius);
  field.setClipsToBounds(true);
}

void unmarkInputError(platform::ui::TextField& field) { field.layer().setBorderColor(Color::clearColor()); }

bool isMarkedInputError(const platform::ui::TextField& field) {
  const auto& layer = field.layer();
  return layer.borderWidth() > 0 && layer.borderColor().alpha() > 0;
}

// --- FormCheck ---

FormCheck::FormCheck(std::initializer_list<platform::ui::TextField*> fields) {
  for (auto* field : fields) unmarkInputError(*field);
}

FormCheck& FormCheck::requireText(platform::ui::TextField& field) {
  if (isBlank(field.text())) mark(field);
  return *this;
}

FormCheck& FormCheck::requirePositiveNumber(platform::ui::TextField& field) {
  if (!FormNumber::isPositive(field.text())) mark(field);
  return *this;
}

FormCheck& FormCheck::requireNumberWithin(platform::ui::TextField& field, double low, double high) {
  if (!FormNumber::isWithin(field.text(), low, high)) mark(field);
  return *this;
}

FormCheck& FormCheck::mark(platform::ui::TextField& field) {
  markInputError(field);
  failed_ = true;
  return *this;
}

// --- fields and bars ---

void styleFormField(platform::ui::TextField& field, const std::string& placeholder) {
  field.setTextColor(kit::UIConstants::textFieldTextColor());
  platform::graphics::TextAttributes look;
  look.foregroundColor = kit::UIConstants::textFieldPlaceholder();
  field.setAttributedPlaceholder(
      platform::graphics::AttributedString(platform::ui::LocalizedStrings::localizedString(placeholder), look));
  field.setKeyboardAppearance(app::kit::keyboardAppearanceForTheme());
}

std::shared_ptr<platform::ui::Toolbar> FormKeyboardBars::nextBar(std::function<void()> cancel, std::function<void()> next) {
  auto cancelItem = std::make_shared<BarButtonItem>(BarButtonSystemItem::Cancel);
  cancelItem->setAction(cancelItem.get(), "cancel", [cancel = std::move(cancel)](BarButtonItem&) { cancel(); });
  cancelItem->setTintColor(kit::UIConstants::grey128());
  return bar({cancelItem, space(), titled("Next", std::move(next), kit::UIConstants::blue())});
}

std::shared_ptr<platform::ui::Toolbar> FormKeyboardBars::doneBar(std::function<void()> done) {
  return bar({space(), titled("Done", std::move(done), kit::UIConstants::blue())});
}

bool FormKeyboardBars::focusNext(platform::ui::View& container, int64_t tag) {
  auto* next = container.viewWithTag(tag + 1);
  return next && next->becomeFirstResponder();
}

bool FormKeyboardBars::returnKey(platform::ui::TextField& field) {
  if (field.returnKeyType() == platform::ui::ReturnKeyType::Next) {
    if (auto* superview = field.superview()) focusNext(*superview, field.tag());
  } else if (field.returnKeyType() == platform::ui::ReturnKeyType::Done) {
    field.resignFirstResponder();
  }
  return true;
}

}  // namespace app::setup

